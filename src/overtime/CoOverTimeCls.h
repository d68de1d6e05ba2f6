#pragma once
// The overtime category master (humOverTimeCls): how many paid overtime hours a
// person of the category may have in a month, and the salary item that takes the
// hours above that limit.
#include <string>
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

class TOverTimeCls : public TQVXComBase {
public:
    // A monthly limit and its salary item go together: a category has both or neither.
    void BeforeUpdate() override;
    // "Humrs_OvertimeClsSC" under local type 0, "Humrs_OvertimeClsTC" under any other.
    std::string GetBillRptModelName() override;
};

// The overtime category master: identity, storage and tables.
const ClassDescriptor& OvertimeClsClass();

// Its scenes of the demo.
std::vector<DemoScene> OvertimeClsDemo();

}  // namespace humrs
