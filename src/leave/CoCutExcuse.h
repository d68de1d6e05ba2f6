#pragma once
// The leave cancellation: a person who took less leave than requested records the
// span given back; the bill marks the leave row that span lies in as cancelled, with
// the cancelled quantity, so the leave request can no longer be changed or deleted.
//
// Two steps on one object: procedure 0 finds the leave row while the bill is entered
// and remembers its key; the save marks that row. Deleting or saving the bill again
// first clears every row it had marked.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TCutExcuse : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void BeforeDelete() override;

    // The leave row of the person whose span holds the cancellation span (the first
    // the database returns); remembers its key for the next save. Result: [0]
    // ExcuseClsID, [1] ExcuseUnit, [2] UnitName, [3] the span's quantity in the
    // row's unit, [4] Flag, [5] BillNo of the row. Refuses when no row holds the span,
    // and with checkFlag 1 when the row is already cancelled.
    VariantArray FindCoveredExcuse(const std::string& person, int beginDate, int beginTime, int endDate,
                                   int endTime, int checkFlag);
    // Lifts the marks of every leave row this cancellation bill had marked.
    void ClearCutExcuse(const std::string& billNo);

    // The key of the leave row found by the last lookup (empty and 0 before any).
    const std::string& CutBillNo() const { return cutBillNo_; }
    int CutFlag() const { return cutFlag_; }
    int CutRowNo() const { return cutRowNo_; }

private:
    // The key of a leave row: BillNo, Flag, RowNo.
    struct LeaveKey {
        std::string billNo;
        int flag = 0;
        int rowNo = 0;
    };
    // The first leave row of the person whose span holds the given span, positioned;
    // refuses as FindCoveredExcuse does.
    Dataset CoveringRow(const std::string& person, int beginDate, int beginTime, int endDate, int endTime,
                        int checkFlag);
    // The leave rows the cancellation bill has marked.
    std::vector<LeaveKey> MarkedRows(const std::string& billNo);
    // The leave a stored bill, saved again without a lookup, covers: the rows it had
    // marked while its span stays, else the row covering its new span (refused when
    // none does or another cancellation holds it).
    std::vector<LeaveKey> CoveredAgain(const DeltaDataset& changes, const std::vector<LeaveKey>& marked);
    // Marks the leave row as cancelled by `billNo` with `count`; refuses a count beyond
    // the leave's own.
    void MarkCutExcuse(const LeaveKey& leave, const std::string& billNo, const Variant& count);

    std::string cutBillNo_;
    int cutFlag_ = 0;
    int cutRowNo_ = 0;
};

// Identity, storage, tables and procedures of the leave cancellation.
const ClassDescriptor& CutExcuseClass();
// Its scenes of the demo.
std::vector<DemoScene> CutExcuseDemo();

}  // namespace humrs
