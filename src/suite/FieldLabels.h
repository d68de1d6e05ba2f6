#pragma once
// The labels of the fields that many bills share (bill number, person, dates), so
// that a class declares only the labels of its own fields.
#include <map>
#include <string>

namespace humrs {

// The shared labels with the class's own added; a class's own label wins over a
// shared one of the same field.
std::map<std::string, std::string> WithSharedLabels(std::map<std::string, std::string> own);

}  // namespace humrs
