#pragma once
#include "framework/ComBase.h"

namespace humrs {

// The department master of the suite's common data, "QvxComm.Department".
// Dataset 0 is comDepartment keyed by DepartID.
//
// Procedures:
//   0  DepartID -> DepartName; "" for an unknown department
//   1  not read -> array [0] lowest, [1] highest DepartID; two "" without departments
class TDepartment : public TQVXComBase {
public:
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) override;
};

}  // namespace humrs
