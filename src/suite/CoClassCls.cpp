#include "suite/CoClassCls.h"

#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

VariantArray TClassCls::DutyTimes(const std::string& classId) {
    if (classId.empty()) return {Variant(0), Variant(0)};
    auto row = Db().QueryFirst("Select OnDutyTime, OffDutyTime From humClass Where ClassID = ?", {Variant(classId)});
    if (!row) return {Variant(0), Variant(0)};
    return {Variant(CInt((*row)[0])), Variant(CInt((*row)[1]))};
}

std::vector<ProcedureDef> ClassClsProcedures() {
    std::vector<ProcedureDef> p;
    p.push_back({0, "DutyTimes", ArgShape::Array, {{"ClassID", ArgType::Text}},
                 Routine<TClassCls>([](TClassCls& o, const ProcArgs& a) -> Variant {
                     return Variant(o.DutyTimes(Trim(a.Text(0))));
                 })});
    MarkReading(p, {0});
    return p;
}

}  // namespace humrs
