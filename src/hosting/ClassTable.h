#pragma once
// The registry of the component's classes: one table of small entries with every
// identifier a client or the registration needs, and the creator of each class.
#include <string_view>
#include <vector>

#include "framework/ComBase.h"

namespace humrs {

struct ClassEntry {
    const char* className;    // TExcuse
    const char* coclass;      // Excuse
    const char* progId;       // QVXHumrs.Excuse
    const char* clsid;        // {B0676538-...}
    const char* interfaceName;
    const char* iid;
    bool gridBase;            // TQVXGridComBase instead of TQVXComBase
    const char* description;  // coclass help string, empty where none
    // Creates the business object; nullptr while the class's unit is not built.
    std::unique_ptr<TQVXComBase> (*create)();
};

inline constexpr const char* kTypeLibName = "QVXHumrs";
inline constexpr const char* kLibId = "{38C9D74A-4143-4D88-A74E-535D03E6A4ED}";
inline constexpr int kTypeLibMajor = 1;
inline constexpr int kTypeLibMinor = 0;
inline constexpr const char* kFrameworkLibId = "{D4555491-0D1B-49C4-8049-5EA9F29198AA}";
inline constexpr const char* kBillInterfaceIid = "{CD664769-B9D5-41BF-BBD2-570B556B8109}";
inline constexpr const char* kGridInterfaceIid = "{C642CCAF-C156-41C1-AB47-356B75D1E01E}";
inline constexpr const char* kEventInterfaceIid = "{A1C07772-016D-47B1-B9C6-A6A7D76E34FD}";

const std::vector<ClassEntry>& ClassTable();
// Look-up by ProgID (without regard to case) or by CLSID text (with or without braces).
const ClassEntry* FindClassEntry(std::string_view progIdOrClsid);
// Every class but the grid one raises the framework's events.
inline bool HasEventInterface(const ClassEntry& e) { return !e.gridBase; }

}  // namespace humrs
