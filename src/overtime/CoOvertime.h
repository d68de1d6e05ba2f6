#pragma once
// The overtime record by person (one humOverTime row with Flag 1): its save checks
// against the work class's hours, holidays, the person's other overtime and leave,
// the split of a span into paid segments, and the posting of compensatory leave and
// attendance details after a save or delete. The by-date overtime bill calls the
// checks by procedure number.
#include <string>
#include <utility>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

// Hours of an overtime span spread over the amounts a row stores.
struct OvertimeSegments {
    double a = 0, b = 0, c = 0, holiday = 0, total = 0;
    VariantArray ToArray() const { return {Variant(a), Variant(b), Variant(c), Variant(holiday), Variant(total)}; }
};

// What CalcOvertimeSegments is asked: the class, the span (or hours typed by hand)
// and how the hours are to be spread. The times are the entry form's texts, hhmm as
// digits: an empty text is 0, and an end of exactly "0" is midnight at the end of
// the day.
struct OvertimeSegmentRequest {
    std::string classId;
    std::string beginTime;
    std::string endTime;
    bool asHoliday = false;  // local type 1: every hour is holiday overtime
    bool manual = false;     // take `hours` instead of the span
    double hours = 0;
    int dayType = 0;         // other local types: 1 working day, 2 rest day, 3 holiday
    bool keepSpan = false;   // neither move the begin to on-duty nor deduct the after-work gap
};

// The net length of an overtime span under a class: the break and (unless keepSpan)
// the gap between off-duty and the start of overtime left out, a begin before the
// on-duty time moved to it. Times hhmm; mode 0 hours (2 decimals), 1 whole minutes,
// any other mode days.
double CalcSpanLength(int begin, int end, int restBegin, int restEnd, int mode, bool keepSpan, int onDuty,
                      int offDuty, int overStart);

class TOvertime : public TQVXComBase {
public:
    void BeforeUpdate() override;
    void AfterUpdate() override;
    void AfterDelete() override;
    void DoAddDefaultRecord() override;
    void DoCheckFieldValues(int datasetIndex, const VariantArray& names, const VariantArray& values) override;
    // Numbers without a declared procedure (5, 7 and up) do nothing.
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) override;

    // Refuses a span that overlaps the person's stored overtime from the day before to
    // the day after: rows of other bills of the same kind (flag 1 by person, 3 by
    // date) and every row of the other kind.
    void CheckOvertimeConflict(const std::string& billNo, const std::string& person, int date, int beginTime,
                               int endTime, int flag);
    // Refuses the span when one of the rows overlaps it (first conflicting row wins);
    // byDateLabel names every row as a by-date row.
    void CheckOvertimeRows(Dataset& rows, int date, int beginTime, int endTime, bool byDateLabel);
    // One notice per leave request of the person that overlaps the span; never refuses.
    void CheckExcuseConflict(const std::string& person, int date, int beginTime, int endTime);
    // Whether the span touches the working hours of the class (false for no class).
    bool IsInClassWorkTime(const std::string& classId, int beginTime, int endTime);
    // Whether the date is a holiday: a solar day marked Flag 1, or a lunar festival
    // day, marked or not (a day of a leap month is none).
    bool IsHoliday(int date);
    OvertimeSegments CalcOvertimeSegments(const OvertimeSegmentRequest& request);

    // The class the working-hours check of a save uses (procedure 4); empty: none.
    void SetClassNo(std::string classNo) { classNo_ = std::move(classNo); }
    const std::string& ClassNo() const { return classNo_; }

private:
    std::string classNo_;
};

// ---- Shared with the overtime record by date.

// What guards a stored overtime row itself, under every login type and before any
// rule: a person, a date and times that exist, and no negative hours. A refusal
// points at the row's field in dataset `datasetIndex`.
// REQUIRES: `row` is positioned on the row checked.
void CheckOvertimeRowIntegrity(TQVXComBase& bill, int datasetIndex, const Dataset& row);
// The lookup checks of an overtime row's person (values: person, date) and class
// (values: class, person, date). A class looked up for a person not on the job is
// refused when classRefuses, else only told.
void CheckOvertimeFieldValues(TQVXComBase& bill, const VariantArray& names, const VariantArray& values,
                              bool classRefuses);
// The leave requests of the person (Flag 3 set aside) that overlap an overtime span
// on the date, as (BillNo, PersonID) of each; an end time below the begin time runs
// into the next morning.
std::vector<std::pair<Variant, Variant>> OverlappingLeave(TQVXDBAccess& conn, const std::string& person, int date,
                                                          int beginTime, int endTime);
// After overtime rows (dataset `datasetIndex`) are saved or deleted: the leave service
// re-allocates compensatory leave to the redeemable overtime of every person a
// changed row belongs to, then the attendance details follow.
void PostOvertimeChanges(TQVXComBase& bill, int datasetIndex, bool byDate, bool deleted);

// The overtime record by person: procedures 0 to 4 and 6.
const ClassDescriptor& OvertimeClass();

// Its scenes of the demo.
std::vector<DemoScene> OvertimeDemo();

}  // namespace humrs
