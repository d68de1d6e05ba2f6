#include "suite/CoDepartment.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

std::string TDepartment::NameOf(const std::string& departId) {
    auto row = Db().QueryFirst("Select DepartName From comDepartment Where DepartID = ?", {Variant(departId)});
    return row ? CStr((*row)[0]) : std::string();
}

VariantArray TDepartment::Range() {
    auto row = Db().QueryFirst("Select Min(DepartID), Max(DepartID) From comDepartment");
    return {Variant(row ? CStr((*row)[0]) : std::string()), Variant(row ? CStr((*row)[1]) : std::string())};
}

std::vector<ProcedureDef> DepartmentProcedures() {
    std::vector<ProcedureDef> p;
    p.push_back({0, "DepartName", ArgShape::Array, {{"DepartID", ArgType::Text}},
                 Routine<TDepartment>([](TDepartment& o, const ProcArgs& a) -> Variant {
                     return Variant(o.NameOf(Trim(a.Text(0))));
                 })});
    p.push_back({1, "DepartRange", ArgShape::None, {},
                 Routine<TDepartment>([](TDepartment& o, const ProcArgs&) -> Variant { return Variant(o.Range()); })});
    MarkReading(p, {0, 1});
    return p;
}

}  // namespace humrs
