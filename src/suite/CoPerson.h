#pragma once
#include <string>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

// The person master of the suite's common data, "QvxComm.Person". Dataset 0 is
// comPerson keyed by PersonID.
//
// Procedures (declared by PersonProcedures, their arguments checked):
//   0  PersonID -> PersonName; "" for an unknown person
//   1  a date (0 or empty: today) -> array [0] lowest, [1] highest PersonID among the
//      persons on the job on that date; two "" when nobody is
//   2  array [0] PersonID, [1] begin date, [2] end date (optional), [3] whole-span flag
//      (optional, default true) -> boolean: on the job on that date or span
class TPerson : public TQVXComBase {
public:
    std::string NameOf(const std::string& personId);
    VariantArray OnJobRange(int date);
};

std::vector<ProcedureDef> PersonProcedures();

}  // namespace humrs
