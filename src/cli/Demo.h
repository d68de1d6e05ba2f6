#pragma once
// The demo: a small company in a fresh database, and a narrated walk through the
// bills, one scene after another. Each business class brings its own scenes (its
// descriptor's demo); a scene that needs a class not built yet is reported as
// skipped.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/ClassDescriptor.h"
#include "framework/Demo.h"

namespace humrs::cli {

// The demo's "today" when --date does not fix another one, so that every run tells
// the same story.
inline constexpr int kDemoDate = 20240610;

// Every scene of the story, in the order told.
std::vector<DemoScene> DemoScenes(const ClassRegistry& classes);

}  // namespace humrs::cli
