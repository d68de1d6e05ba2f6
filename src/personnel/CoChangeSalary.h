#pragma once
// Salary adjustments, numbered per person and transferred into the salary settings when due.
//
// A body row (humChangeSalary) sets new pay terms of one person from its adjustment
// date; its salary items hang under it (humChangeSalarySub). When the date is reached
// the row is transferred: the terms are written into the person's settings
// (humPersonSetMain / humPersonSetSub with Flag 1) and a snapshot of them is kept in
// the salary history (humHistSalaryBase / humHistSalaryItem) under the row's change
// number. Snapshot 0 holds the terms before the person's first adjustment. Deleting a
// transferred row, or moving its date past the transfer date, puts back the snapshot
// taken before it.
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"
#include "personnel/ChangeSalarySettings.h"

namespace humrs {

class TChangeSalary : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    void DefineBillReportName() override;

    // ---- the change number
    // The person's highest stored adjustment number; 0 when there is none.
    int HighestChangeTimes(const std::string& person);
    // Refuses a change (flag not 0) or a delete (flag 0) of an adjustment whose number
    // is below the person's highest.
    void CheckLatestChange(const std::string& person, int changeTimes, int flag);

    // ---- transfer into the salary settings
    // Transfers each row of `rows` that is the person's latest new-method adjustment:
    // due on `date` (adjustment date not after it) it is written into the settings and
    // the history; not yet due, an earlier transfer of it is undone. The rows' IsTransfer
    // follows what was stored. A person without salary settings is passed over with a
    // notice. The daily job (`dailyJob`) carries each person's rows on their own: one
    // person's failure is a notice and takes back that person's rows only.
    void Transfer(Dataset& rows, int date, bool dailyJob = false);
    // Puts back the person's terms from before adjustment `changeTimes` and drops its
    // snapshot.
    void UndoTransfer(const std::string& person, int changeTimes);
    // Transfers every adjustment due on `date`, of one person or (empty) of everyone.
    bool TransferDueChanges(const std::string& person, int date);
    // The person's salary items with their names and kinds, as a data packet.
    Variant SalaryItemsOf(const std::string& person);
    // The next document number of the server date.
    std::string NextBillNo();

    // Progress of TransferDueChanges (rows done, rows in all), for long runs.
    void SetProgress(std::function<void(size_t, size_t)> progress) { progress_ = std::move(progress); }

private:
    // A row of the bill as the delete and undo steps need it.
    struct ChangeRow {
        std::string person;
        int changeTimes = 0;
        bool isNew = false;
        bool isTransfer = false;
    };

    // ---- checks: they refuse or number rows, and write nothing to the database
    void CheckChanges(Dataset& body, Dataset& items);
    void CheckRowIntegrity(Dataset& body);
    void CheckChosenAmounts(Dataset& body);
    void NumberChange(Dataset& body, std::vector<std::pair<std::string, int>>& numbered);
    void CheckSalaryItems(Dataset& body, Dataset& items);
    void CheckTwoChangesInMonth(Dataset& body);
    void CheckAdjustDateOrder(const std::string& person, int adjustDate, bool isNew);
    // Refuses deleting a bill one of whose rows is not the person's latest adjustment
    // outside the bill, or was entered under the old method.
    void CheckBillDeletable(const std::vector<ChangeRow>& rows);
    // The person's highest adjustment number in bills other than `billNo`; 0 when none.
    int HighestInOtherBills(const std::string& person, const std::string& billNo);

    // ---- posting
    std::vector<ChangeRow> BillRows(Dataset& body);
    // The rows this save deletes, as they were stored.
    std::vector<ChangeRow> DeletedRows();
    // Undoes the transfer of each transferred row, from the highest number down.
    void UndoTransfers(std::vector<ChangeRow> rows);
    void TransferRow(Dataset& rows, int date, const ChangeSalarySettings& s);
    // Writes the terms of the current row of `row` into the person's settings.
    void WriteTerms(Dataset& row, const ChangeSalarySettings& s);
    // Sets the stored row's transfer mark and the dataset's.
    void MarkTransferred(Dataset& row, bool mark);
    void TakeFirstSnapshot(const std::string& person);
    // Copies the person's current settings and salary items into the history as
    // snapshot `changeTimes`.
    void WriteSnapshot(const std::string& person, int changeTimes);
    void DropSnapshot(const std::string& person, int changeTimes);
    std::function<void(size_t, size_t)> progress_;
};

// The salary adjustment: identity, storage, tables, procedures 0 to 3 and its demo.
const ClassDescriptor& ChangeSalaryClass();

// Its scenes of the demo.
std::vector<DemoScene> ChangeSalaryDemo();

}  // namespace humrs
