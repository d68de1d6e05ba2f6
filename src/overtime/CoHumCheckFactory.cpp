#include "overtime/CoHumCheckFactory.h"

#include "core/Convert.h"
#include "core/Format.h"
#include "core/Text.h"
#include "db/ClientCondition.h"
#include "overtime/HumCheckFactoryMessages.h"
#include "suite/SuiteCalls.h"

namespace humrs {

VariantArray THumCheckFactory::OverTimeRange() {
    const Variant row = GetDBConn().DBSelectSQL(
        " Select isNull(Min(OvertimeDate), " + QuoteStr("0") + ") as OverTimeDateMin, " +
        " isNull(Max(OverTimeDate), " + QuoteStr("0") + ") as OverTimeDateMax, " + " isNull(Min(PersonID), " +
        QuoteStr("") + ") as PersonIDMin, " + " isNull(Max(PersonID), " + QuoteStr("") + ") as PersonIDMax  " +
        " From HumOverTime ");
    VariantArray range;
    for (size_t i = 0; i < 4; ++i) range.push_back(row[i]);
    return range;
}

Variant THumCheckFactory::MonthlyStatistics(const std::string& condition1, const std::string& condition2) {
    // Only paid overtime (RedeemType 0) counts, and only for persons in overtime pay
    // whose category sets a monthly limit.
    TStringArray parts{
        " Select A.PersonID,A.PersonName,B.OverTimeDate/100 as OverTimeYearMonth,D.OverMonth,         "
        "Sum(B.FieldACount+B.FieldBCount+B.FieldCCount+B.HolidayCount) as OverTimeCountAll,         "
        "Sum(B.NotIntoOverTimeValue) as EliminateCountAll  From comPerson A  Inner Join HumOverTime B On "
        "A.PersonID=B.PersonID  Inner Join humPersonSetMain C On B.PersonID=C.ID and C.OverTime=1  Left Join "
        "humOverTimeCls D On C.OverTimeClass=D.OTClsID  where D.OverMonth>0 and B.RedeemType=0 "};
    // The caller's conditions are joined as they are written, once each is known to be
    // only a condition on the statement's tables; a blank one would leave a dangling
    // "And", so it is left out.
    const ConditionScope scope = ConditionScope::Of(
        Db(), {{"A", "comPerson"}, {"B", "HumOverTime"}, {"C", "humPersonSetMain"}, {"D", "humOverTimeCls"}});
    for (const std::string* condition : {&condition1, &condition2}) {
        if (Trim(*condition).empty()) continue;
        CheckClientCondition(*condition, scope);
        parts.push_back(*condition);
    }
    const std::string sql = MergeStrings(parts, " And ") + " Group By A.PersonID,A.PersonName,B.OverTimeDate/100,D.OverMonth " +
                            " Order By B.OverTimeDate/100,A.PersonID ";
    return Variant(GetDBConn().OpenDataset(sql).Data());
}

void THumCheckFactory::ClearEliminations(const Variant& request) {
    suite::ClearEliminations(*this, request);
}

bool THumCheckFactory::CheckAttendMatch(const Variant& request) {
    const std::string mismatches = suite::AttendMismatches(*this, request);
    if (mismatches.empty()) return true;
    const TStringArray parts = SplitString(mismatches, ",");
    for (const std::string& part : parts)
        if (!part.empty()) AddMessage(part, 1, 1);
    // The count is of the pieces of the text, a trailing separator's empty one included.
    AddMessage(FormatMessage(msg::kOverTimeAttendMismatchCount, {Variant(static_cast<long long>(parts.size()))}), 0, 1);
    return false;
}

bool THumCheckFactory::EliminateOverLimit(const Variant& request) {
    return suite::EliminateOverLimit(*this, request);
}

namespace {

std::vector<ProcedureDef> HumCheckFactoryProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    std::vector<ProcedureDef> p;
    p.push_back({0, "OverTimeRange", ArgShape::None, {},
                 Routine<THumCheckFactory>([](THumCheckFactory& o, const ProcArgs&) -> Variant {
                     return Variant(o.OverTimeRange());
                 })});
    p.push_back({1, "MonthlyStatistics", ArgShape::Pair, {opt("Condition1", A::Text), opt("Condition2", A::Text)},
                 Routine<THumCheckFactory>([](THumCheckFactory& o, const ProcArgs& a) -> Variant {
                     return o.MonthlyStatistics(a.Text(0), a.Text(1));
                 })});
    // The request is handed on as the client gave it; the attendance objects read it.
    p.push_back({2, "ClearEliminations", ArgShape::Single, {{"Request", A::Any}},
                 Routine<THumCheckFactory>([](THumCheckFactory& o, const ProcArgs& a) -> Variant {
                     o.ClearEliminations(a[0]);
                     return Variant();
                 })});
    p.push_back({3, "CheckAttendMatch", ArgShape::Single, {{"Request", A::Any}},
                 Routine<THumCheckFactory>([](THumCheckFactory& o, const ProcArgs& a) -> Variant {
                     return Variant(o.CheckAttendMatch(a[0]));
                 })});
    p.push_back({4, "EliminateOverLimit", ArgShape::Single, {{"Request", A::Any}},
                 Routine<THumCheckFactory>([](THumCheckFactory& o, const ProcArgs& a) -> Variant {
                     return Variant(o.EliminateOverLimit(a[0]));
                 })});
    MarkReading(p, {0, 1, 3});
    return p;
}

}  // namespace

const ClassDescriptor& HumCheckFactoryClass() {
    static const ClassDescriptor d = [] {
        ClassDescriptor d;
        d.className = "THumCheckFactory";
        d.coclass = "HumCheckFactory";
        d.progId = "QVXHumrs.HumCheckFactory";
        d.role = roles::kAttendance;
        d.clsid = "{B02465CC-65AA-4A20-8D6D-0A11C0977D6C}";
        d.interfaceName = "IHumCheckFactory";
        d.iid = "{8429EAE3-AC92-4D01-B9EB-53CF2238698E}";
        d.keyColumn = "";
        d.title = "加班考勤统计";
        d.create = [] { return std::make_unique<THumCheckFactory>(); };
        d.procedures = HumCheckFactoryProcedures();
        d.demo = HumCheckFactoryDemo;
        return d;
    }();
    return d;
}

}  // namespace humrs
