#pragma once
#include <string>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

// The department master of the suite's common data, "QvxComm.Department".
// Dataset 0 is comDepartment keyed by DepartID.
//
// Procedures (declared by DepartmentProcedures, their arguments checked):
//   0  DepartID -> DepartName; "" for an unknown department
//   1  not read -> array [0] lowest, [1] highest DepartID; two "" without departments
class TDepartment : public TQVXComBase {
public:
    std::string NameOf(const std::string& departId);
    VariantArray Range();
};

std::vector<ProcedureDef> DepartmentProcedures();

}  // namespace humrs
