#pragma once
// The component's classes: the registry handed to every session, and the classes of
// the type library with every identifier a client or the registration needs.
#include <string_view>
#include <vector>

#include "framework/ClassDescriptor.h"

namespace humrs {

inline constexpr const char* kTypeLibName = "QVXHumrs";
inline constexpr const char* kLibId = "{38C9D74A-4143-4D88-A74E-535D03E6A4ED}";
inline constexpr int kTypeLibMajor = 1;
inline constexpr int kTypeLibMinor = 0;
inline constexpr const char* kFrameworkLibId = "{D4555491-0D1B-49C4-8049-5EA9F29198AA}";
inline constexpr const char* kBillInterfaceIid = "{CD664769-B9D5-41BF-BBD2-570B556B8109}";
inline constexpr const char* kGridInterfaceIid = "{C642CCAF-C156-41C1-AB47-356B75D1E01E}";
inline constexpr const char* kEventInterfaceIid = "{A1C07772-016D-47B1-B9C6-A6A7D76E34FD}";

// Every class of the component and every suite object they reach, with the tables
// they make up together.
const ClassRegistry& ComponentRegistry();
// Creates or upgrades the component's schema on a database.
void CreateComponentSchema(Database& db);

using ClassEntry = ClassDescriptor;
// The classes of the type library (registered by this component), in its order.
const std::vector<ClassEntry>& ClassTable();
// Look-up among them by ProgID (without regard to case) or by CLSID text (with or
// without braces).
const ClassEntry* FindClassEntry(std::string_view progIdOrClsid);
// Every class but the grid one raises the framework's events.
inline bool HasEventInterface(const ClassEntry& e) { return !e.gridBase; }

}  // namespace humrs
