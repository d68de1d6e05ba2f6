#pragma once
// The leave request by person (one humExcuse row with Flag 1), and the leave service
// the other leave and overtime bills call by procedure number: conflicts with other
// leave, employment over a span, yearly caps and special annual leave, and the
// allocation of compensatory leave to redeemable overtime.
//
// The class's members live by subject: the save and delete hooks (ExcuseHooks.cpp),
// the checks of a span (LeaveSpanChecks.cpp), the entitlements (LeaveEntitlement.cpp),
// compensatory leave (CompensatoryLeave.cpp) and the numbered procedures
// (ExcuseProcedures.cpp).
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"
#include "framework/RefusalPlace.h"
#include "leave/CompensatoryAllocation.h"
#include "leave/LeaveTerms.h"

namespace humrs {

class TExcuse : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void BeforeDelete() override;
    void AfterDelete() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;

    // ---- checks of a span (leave validation)
    // Order of begin/end dates and times given as texts; false when the span is not
    // complete enough to check. Raises when the end lies before the begin.
    bool CheckDateTimeRange(const std::string& beginDate, const std::string& endDate,
                            const std::string& beginTime, const std::string& endTime,
                            const std::string& text5, const std::string& text6);
    // Refuses a span that overlaps other leave of the person: rows of other bills of
    // the same kind, and every row of the other kind.
    void CheckLeaveConflict(const std::string& billNo, const std::string& person, CalendarDay beginDate,
                            TimeOfDay beginTime, CalendarDay endDate, TimeOfDay endTime, int flag);
    // Refuses a span that overlaps one of the rows (first conflicting row wins).
    void CheckConflictRows(Dataset& rows, CalendarDay beginDate, CalendarDay endDate, TimeOfDay beginTime,
                           TimeOfDay endTime, bool inBill);
    // mode 0 refuses, 1 warns, other modes do nothing; messageChoice 0 "partly not
    // employed", other "not employed".
    void CheckPersonOnJob(const std::string& person, CalendarDay beginDate, CalendarDay endDate, int mode,
                          int messageChoice, bool wholeSpan);
    // The lateness a shift allows at the leave's begin (0 without a shift).
    int GetLateAllowance(const std::string& person, CalendarDay beginDate, TimeOfDay beginTime);
    std::string DateToShow(int date);

    // ---- leave entitlements
    // [0] first month of the leave year (yyyymm text), [1] the given year-month.
    VariantArray GetLeaveYearStart(int mode, const std::string& yearMonth, const std::string& person);
    // First and last day of the leave year of `kind` that contains the date; [0, 0]
    // for special leave of a person without a hire date.
    std::pair<int, int> GetLeaveYearRange(LeaveKind kind, CalendarDay date, const std::string& person);
    // What is left of the kind's entitlement in the leave year of the date; -1 when
    // the cap is switched off; 0 for kinds without a cap.
    double GetRemainingEntitlement(const std::string& person, CalendarDay date, const std::string& billNo,
                                   int flag, LeaveKind kind);
    void CheckLeaveQuota(const std::string& person, const std::string& billNo, const std::string& categoryId,
                         CalendarDay beginDate, TimeOfDay beginTime, CalendarDay endDate, TimeOfDay endTime,
                         int flag, double count);
    // [0] date, [1] day the shift ends, [2] on-duty time, [3] off-duty time.
    VariantArray GetShiftSpan(const std::string& person, CalendarDay date);

    // ---- compensatory leave against redeemable overtime
    void PostRedeemChanges(const Variant& changeSet, RedeemSource source, bool deleted);
    // Rebuilds the free hours of the person's redeemable overtime and allocates the
    // compensatory leave to them oldest first, leaving out the rows of `leftOut`.
    void RecalcRedeem(const std::string& person, const LeftOutRows& leftOut = {});
    // Every person; false when a step failed (the remaining persons are skipped).
    bool RecalcAllRedeem();
    void CheckCompLeaveBalance(const std::string& person, CalendarDay beginDate, TimeOfDay beginTime,
                               double released, double requested);
    // Refuses compensatory leave of `requested` hours beginning on the date when only
    // `available` hours are free for it.
    void RefuseOverBalance(const std::string& person, CalendarDay beginDate, double available,
                           double requested);
    // For a stored compensatory leave (flag, billNo, rowNo) that held `held` (its old
    // begin and hours) and now begins at `moved` (hours unused): the person's overtime
    // is allocated oldest first with the row at its old place, and of the overtime
    // within the row's new reach this gives [0] the hours left free and [1] the hours
    // the row held.
    std::pair<double, double> BalanceWithinReach(const std::string& person, int flag,
                                                 const std::string& billNo, int rowNo,
                                                 const CompensatoryNeed& held, const CompensatoryNeed& moved);
    // Progress of RecalcAllRedeem (persons done, persons in all), for long runs.
    void SetProgress(std::function<void(size_t, size_t)> progress) { progress_ = std::move(progress); }

private:
    void CheckLeaveRowIntegrity(Dataset& leave);
    void KeepPostedQuantities(Dataset& leave, bool imported);
    std::function<void(size_t, size_t)> progress_;
};

// The cancellation marks of a leave row (IfCutExcuse, CutExcuseNo, CutExcuseCount)
// belong to the cancellation bill. An interactive save keeps them as stored, and a new
// row starts without them; an import keeps them as the source had them. A row is
// cancelled whole or not at all: an imported leave without the mark carries neither
// number nor quantity, and one with the mark is refused (through `bill`) unless it
// names its cancellation bill and cancels between 0 and its own count; the refusal
// points at the row of dataset `datasetIndex`.
// REQUIRES: `row` is positioned on the leave row being saved.
void SettleCancellationMarks(TQVXComBase& bill, int datasetIndex, Dataset& row, bool imported);

// The fields that the refusals of the leave service's checks (conflict, quota,
// employment) concern, by message, for a bill pointing them at its row.
std::span<const FieldOfMessage> LeaveCheckFields();

// The bill number a check of a row must leave out: the stored one when the row is stored.
std::string StoredOrCurrent(const Dataset& ds, const char* field);

// Leave rows carry their category's kind (ExcuseCls, looked up from humExcuseCls):
// the compensatory-leave posting reads it from the change set of a leave bill.
DatasetMap WithLeaveKind(DatasetMap d);

// The leave request by person and the leave service: procedures 1 and 3 to 12.
const ClassDescriptor& ExcuseClass();
// The leave service's procedures, as other bills call them through DoCOMMethod.
std::vector<ProcedureDef> ExcuseProcedures();

// Its scenes of the demo.
std::vector<DemoScene> ExcuseDemo();

}  // namespace humrs
