#pragma once
#include "framework/ComBase.h"

namespace humrs {

// The leave category master (humExcuseCls). A category must count in a positive
// leave unit, and the settings of a switched-off option are never stored.
class TExcuseCls : public TQVXComBase {
public:
    void BeforeUpdate() override;
};

}  // namespace humrs
