#pragma once
#include <string>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

// The overtime rows a reconciliation request covers: one month, optionally one
// range of persons.
struct OverTimeSelection {
    int yearMonth = 0;         // yyyymm; 0 when the request names no valid month
    std::string firstPerson;   // "" = from the first person
    std::string lastPerson;    // "" = to the last person

    bool Valid() const { return yearMonth != 0; }
    // " And OverTimeDate >= ? And OverTimeDate <= ? [And PersonID >= ?] [And PersonID <= ?]"
    // over the columns of `alias` ("" or "A."), with its parameters appended to params.
    std::string Condition(const std::string& alias, std::vector<Variant>& params) const;
};

// Reads a request: a year-month (yyyymm as a number or text), or an array [0]
// year-month, [1] first person, [2] last person.
OverTimeSelection ParseOverTimeSelection(const Variant& request);

// The attendance check of the suite, "QvxHumrs.ChkAttend": overtime against the
// daily attendance records (humChkAttendMain).
//
// Procedures (declared by ChkAttendProcedures; the first argument a request as
// ParseOverTimeSelection reads it):
//   10  takes back the month's eliminations: NotIntoOverTimeValue of the selected
//       paid overtime rows (RedeemType 0) is set to 0, so the month's figures can be
//       checked and eliminated again. No result.
//   11  the selected overtime rows whose span is not covered by the person's
//       attendance record of that date (no record, no clock-in or clock-out, or
//       clocked in after the overtime starts or out before it ends), as one
//       description per row joined with ","; "" when all agree.
class TChkAttend : public TQVXComBase {
public:
    // Procedures 10 and 11 of a valid selection.
    void ClearEliminations(const OverTimeSelection& sel);
    std::string FindMismatches(const OverTimeSelection& sel);
};

std::vector<ProcedureDef> ChkAttendProcedures();

}  // namespace humrs
