#pragma once
#include <vector>

#include "framework/ComBase.h"
#include "framework/Demo.h"

namespace humrs {

// The leave category master (humExcuseCls). A category must count in a positive
// leave unit, and the settings of a switched-off option are never stored.
class TExcuseCls : public TQVXComBase {
public:
    void BeforeUpdate() override;
};

// The leave category master: identity, storage and tables.
const ClassDescriptor& ExcuseClsClass();

// Its scenes of the demo.
std::vector<DemoScene> ExcuseClsDemo();

}  // namespace humrs
