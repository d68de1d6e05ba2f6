#pragma once
// The leave request by date: one bill with a header (number and date) and leave rows
// of one or many persons (humExcuse, Flag 2). Every leave rule is asked of the leave
// service ("QvxHumrs.Excuse") row by row; this class adds the check of the bill's own
// rows against each other, copies the header onto new rows, and freezes the
// compensatory-leave quantities of a changed bill while it is posted.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TExcuseDate : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    void AfterDelete() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;

private:
    // What guards the stored row itself, under every login type; an import brings
    // its rows' cancellations along.
    void CheckRowIntegrity(Dataset& rows, bool imported);
    // The leave rules for the current row of dataset 1.
    void CheckRow(Dataset& rows, const std::string& headerBillNo);
    // Refuses a row that overlaps another row of the same person in this bill.
    void CheckRowsOfBill(Dataset& rows);
    // Refuses a change or removal of a row that a leave cancellation refers to.
    void CheckCancelledRows();
    // Whether a stored row of the bill is being changed by this save.
    bool ChangesStoredRows();
    // Sets the compensatory-leave quantities of the bill's rows as the posting reads
    // them: frozen at what is stored (freeze), or back to the rows' own (release).
    void FreezeCompensatory(const std::string& billNo, bool freeze);

    bool frozen_ = false;
};

// Identity, storage, tables and procedures of the leave request by date.
const ClassDescriptor& ExcuseDateClass();
// Its scenes of the demo.
std::vector<DemoScene> ExcuseDateDemo();

}  // namespace humrs
