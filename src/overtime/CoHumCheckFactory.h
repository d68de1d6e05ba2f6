#pragma once
// The overtime reconciliation: the screen on which paid overtime above a person's
// monthly limit is taken out of paid overtime (eliminated). It keeps no document of
// its own; it answers from the overtime rows and hands the attendance comparison and
// the elimination to the suite's attendance objects.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class THumCheckFactory : public TQVXComBase {
public:
    // [earliest date, latest date, lowest person, highest person] of the stored
    // overtime; on an empty table '0', '0', '', ''.
    VariantArray OverTimeRange();
    // Paid overtime per person and month (yyyymm) against the monthly limit of the
    // person's category, for persons in overtime pay whose category has a limit.
    // Each condition narrows the rows (columns of comPerson A, humOverTime B,
    // humPersonSetMain C, humOverTimeCls D); a blank one narrows nothing.
    Variant MonthlyStatistics(const std::string& condition1, const std::string& condition2);
    // Takes back the eliminations of the request's overtime.
    void ClearEliminations(const Variant& request);
    // Whether the request's overtime agrees with attendance; every disagreement is a
    // notice, followed by their count.
    bool CheckAttendMatch(const Variant& request);
    // Eliminates the request's overtime above the monthly limits; whether it ran.
    bool EliminateOverLimit(const Variant& request);
};

// The overtime reconciliation: procedures 0 to 4.
const ClassDescriptor& HumCheckFactoryClass();

// Its scenes of the demo.
std::vector<DemoScene> HumCheckFactoryDemo();

}  // namespace humrs
