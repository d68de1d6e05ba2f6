#include "suite/CoPerson.h"

#include "suite/Attendance.h"
#include "core/Convert.h"
#include "core/Text.h"

namespace humrs {

std::string TPerson::NameOf(const std::string& personId) {
    auto row = Db().QueryFirst("Select PersonName From comPerson Where PersonID = ?", {Variant(personId)});
    return row ? CStr((*row)[0]) : std::string();
}

VariantArray TPerson::OnJobRange(int date) {
    std::string lowest, highest;
    auto row = Db().QueryFirst(
        "Select Min(PersonID), Max(PersonID) From comPerson Where OnJobDate <> 0 And OnJobDate <= ? "
        "And (LeaveJobDate = 0 Or LeaveJobDate >= ?)",
        {Variant(date), Variant(date)});
    if (row) {
        lowest = CStr((*row)[0]);
        highest = CStr((*row)[1]);
    }
    return {Variant(lowest), Variant(highest)};
}

std::vector<ProcedureDef> PersonProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    std::vector<ProcedureDef> p;
    p.push_back({0, "PersonName", ArgShape::Array, {{"PersonID", A::Text}},
                 Routine<TPerson>([](TPerson& o, const ProcArgs& a) -> Variant {
                     return Variant(o.NameOf(Trim(a.Text(0))));
                 })});
    p.push_back({1, "OnJobRange", ArgShape::Single, {opt("Date", A::Int)},
                 Routine<TPerson>([](TPerson& o, const ProcArgs& a) -> Variant {
                     const int date = a.Int(0);
                     return Variant(o.OnJobRange(date == 0 ? o.GetServerDate() : date));
                 })});
    p.push_back({2, "IsOnWork", ArgShape::Array,
                 {{"PersonID", A::Text}, {"BeginDate", A::Int}, opt("EndDate", A::Int), opt("WholeSpan", A::Bool)},
                 Routine<TPerson>([](TPerson& o, const ProcArgs& a) -> Variant {
                     const std::string id = Trim(a.Text(0));
                     const int begin = a.Int(1), end = a.Int(2);
                     const bool whole = a.Given(3) ? a.Bool(3) : true;
                     return Variant(end == 0 ? GetIsOnWork(o.Db(), id, begin) : GetIsOnWork(o.Db(), id, begin, end, whole));
                 })});
    MarkReading(p, {0, 1, 2});
    return p;
}

}  // namespace humrs
