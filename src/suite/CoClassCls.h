#pragma once
#include <string>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

// The work-class (shift) master of the suite, "QVXHumrs.ClassCls". Dataset 0 is
// humClass keyed by ClassID (value lookups go through it).
//
// Procedures (declared by ClassClsProcedures, their arguments checked):
//   0  a class number (text, or an array whose [0] is one) -> array [0] OnDutyTime,
//      [1] OffDutyTime (hhmm); [0, 0] for an empty or unknown class. An off-duty time
//      below the on-duty time ends on the next day.
class TClassCls : public TQVXComBase {
public:
    // Procedure 0.
    VariantArray DutyTimes(const std::string& classId);
};

std::vector<ProcedureDef> ClassClsProcedures();

}  // namespace humrs
