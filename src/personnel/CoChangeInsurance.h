#pragma once
// Insurance changes per person and insurance kind: additions, stops, resumptions and
// cancellations, numbered per person and kind, transferred into the person's salary
// settings and insurance history when they fall due, and undone on delete or when a
// row moves to another kind.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

// Change types of humChangeInsurance.ChangeType.
namespace insurance_change {
inline constexpr int kAdd = 1;
inline constexpr int kStop = 2;
inline constexpr int kResume = 3;
// Cancellations of kind 0 or 1 that record a cancellation date under local type 1.
inline constexpr int kCancel = 4;
inline constexpr int kCancelOther = 5;
}  // namespace insurance_change

class TChangeInsurance : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    // Procedure 1 (person in Param1, kind in Param2): the person's next change number
    // of the kind. Procedures 0 and 2 are declared with the class.
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) override;
    std::string GetBillRptModelName() override;
    void DefineBillReportName() override;

    // The kind's name in messages under the installation's local type ("" when unknown).
    std::string KindName(int kind);
    // Kinds 1 and 2 under local type 1 take effect on a date (AdjustDate); every other
    // kind in a month (AdjustYearMonth, yyyymm).
    bool IsDateBased(int kind);
    // The highest change number of the person's kind: of the change rows, else of the
    // history (0 when there is none).
    int HighestChangeTimes(const std::string& person, int kind);
    // The person has no insurance of the kind yet: the change is the first one and the
    // initial state records no insurance.
    bool NotYetInsured(const std::string& person, int kind, int changeTimes);
    // Refuses a change below the latest one: flag 0 for a delete, else a change.
    void CheckLatestChange(const std::string& person, int kind, int flag, int changeTimes);
    // Transfers every change not yet transferred that is due on `date` (of one person,
    // or of all when `person` is empty): the daily transfer job.
    void TransferDueChanges(const std::string& person, int date);
    // Progress of TransferDueChanges (rows done, rows in all), for long runs.
    void SetProgress(std::function<void(size_t, size_t)> progress) { progress_ = std::move(progress); }

private:
    void CheckChangeRowIntegrity(Dataset& body);
    void CheckChangeRows(Dataset& body);
    void CheckChangeSet();
    // How a transfer runs: on the save of a new or a stored bill (the bill's rows follow
    // what is stored), or as the daily job over rows read from the table, each person's
    // part on its own.
    enum class TransferRun { Save, SaveAgain, DailyJob };
    // Transfers the latest change of each row's person and kind when due on `date`,
    // with the earlier changes of the rows due before it, and takes back a transferred
    // latest change whose date has moved past it.
    void Transfer(Dataset& rows, int date, TransferRun run);
    // The current row; `dueHere` holds the change numbers of its person and kind that
    // are due among the rows of the transfer.
    void TransferRow(Dataset& rows, int date, TransferRun run, const std::set<int>& dueHere);
    bool IsDue(const Dataset& row, int date);
    void UndoTransfer(const std::string& person, int kind, int changeTimes, int changeType);
    // A transferred change to be taken back.
    struct TakenBack {
        std::string person;
        int kind;
        int changeTimes;
        int changeType;
    };
    // Takes back several changes, the later of a person's kind before the earlier.
    void UndoHighestFirst(std::vector<TakenBack> changes);
    // The highest change number of the person's kind in bills other than `billNo`.
    int HighestInOtherBills(const std::string& person, int kind, const std::string& billNo);
    // Column of humPersonSetMain holding the kind's amount; refuses an unknown kind.
    std::string AmountColumn(int kind);
    Variant SelectValue(const std::string& table, const std::string& field, const std::string& where,
                        const std::string& order = "");
    std::function<void(size_t, size_t)> progress_;
};

// The insurance change bill: header humChangeInsuranceMain, rows humChangeInsurance,
// history humHistInsurance; procedures 0 and 2.
const ClassDescriptor& ChangeInsuranceClass();

// Its scenes of the demo.
std::vector<DemoScene> ChangeInsuranceDemo();

}  // namespace humrs
