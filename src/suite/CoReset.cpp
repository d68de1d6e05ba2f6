#include "suite/CoReset.h"

#include <algorithm>
#include <memory>

#include "core/DataPacket.h"
#include "suite/CoChkAttend.h"
#include "suite/SysParams.h"
#include "core/Errors.h"
#include "framework/Settings.h"
#include "suite/Attendance.h"
#include "core/Convert.h"
#include "utils/DateUtils.h"
#include "core/Text.h"

namespace humrs {

namespace {

struct Column {
    const char* name;
    FieldType type;
};

Variant MakePacket(const std::vector<Column>& columns, std::vector<std::vector<Variant>> rows) {
    auto packet = std::make_shared<DataPacket>();
    for (const Column& c : columns) packet->fields.push_back({c.name, c.type});
    for (auto& values : rows) packet->rows.push_back({UpdateStatus::Unmodified, std::move(values)});
    return Variant(DataPacketPtr(packet));
}

Variant Money(double amount) { return Variant(Currency::FromDouble(RoundValue(amount, 2))); }

// Whether yyyymm names a real month.
bool IsMonth(int yearMonth) { return GetMaxDay(yearMonth) > 0; }

}  // namespace

namespace {

// A parameter that divides a salary: one that is not above 0 gives no rate at all.
double Divisor(const Param<double>& param, double value) {
    if (value > 0) return value;
    throw InputError("the system parameter " + std::string(param.key) + " gives " + DecimalText(value) +
                     ", which no salary can be divided by; set it above 0");
}

}  // namespace

int TReset::Seniority(const std::string& personId, int date) {
    auto row = Db().QueryFirst("Select OnJobDate From comPerson Where PersonID = ?", {Variant(personId)});
    const int hired = row ? static_cast<int>(CInt((*row)[0])) : 0;
    if (hired <= 0 || date < hired) return 0;
    int years = Year(date) - Year(hired);
    // Not yet this year's anniversary (one hired on 29 February has it on 1 March
    // in other years).
    if (date % 10000 < hired % 10000) --years;
    return std::max(years, 0);
}

VariantArray TReset::SalaryPeriod(int yearMonth) {
    if (!IsMonth(yearMonth)) return {Variant(0), Variant(0)};
    const int beginDay = Params()->Get(param::kSalaryBeginDay);
    if (beginDay <= 1 || beginDay > 28)
        return {Variant(yearMonth * 100 + 1), Variant(yearMonth * 100 + GetMaxDay(yearMonth))};
    // From the begin day of the month before to the day before it in this month.
    return {Variant(AddMonth(yearMonth * 100 + beginDay, -1)), Variant(yearMonth * 100 + beginDay - 1)};
}

Variant TReset::PayFigures(const std::string& personId, int yearMonth) {
    double base = 0;
    if (auto row = Db().QueryFirst("Select BaseSalary From humPersonSetMain Where Flag = 1 And ID = ?",
                                   {Variant(personId)}))
        base = CFloat((*row)[0]);
    const auto params = Params();
    const double monthDays = params->Get(param::kMonthWorkDays);
    const double dayHours = params->Get(param::kSpecialsDayHours);
    const double monthHours = params->Get(param::kMonthWorkHours);
    // Hours of a salary month: as set, else the days of a month times the hours of a day.
    const auto hourRate = [&] {
        if (monthHours != 0) return base / Divisor(param::kMonthWorkHours, monthHours);
        return base / (Divisor(param::kMonthWorkDays, monthDays) * Divisor(param::kSpecialsDayHours, dayHours));
    };

    // Paid overtime of the salary period, less the hours eliminated above the limit.
    double a = 0, b = 0, c = 0, holiday = 0;
    const VariantArray period = SalaryPeriod(yearMonth);
    if (IsMonth(yearMonth)) {
        auto row = Db().QueryFirst(
            "Select Sum(FieldACount), Sum(FieldBCount), Sum(FieldCCount), Sum(HolidayCount), "
            "Sum(NotIntoOverTimeValue) From humOverTime Where PersonID = ? And OverTimeDate >= ? "
            "And OverTimeDate <= ? And RedeemType = 0",
            {Variant(personId), period[0], period[1]});
        if (row) {
            a = CFloat((*row)[0]);
            b = CFloat((*row)[1]);
            c = CFloat((*row)[2]);
            holiday = CFloat((*row)[3]);
            double eliminated = CFloat((*row)[4]);
            for (double* segment : {&c, &b, &a}) {
                const double taken = std::min(*segment, std::max(eliminated, 0.0));
                *segment -= taken;
                eliminated -= taken;
            }
        }
    }
    // The hourly rate is needed, and its parameters read, only when there are hours to pay.
    const double rate = a + b + c + holiday > 0 ? hourRate() : 0;
    const double payA = a * rate * params->Get(param::kOverRateA);
    const double payB = b * rate * params->Get(param::kOverRateB);
    const double payC = c * rate * params->Get(param::kOverRateC);
    const double payHoliday = holiday * rate * params->Get(param::kHolidayRate);

    // Piece work of the calendar month against the base salary.
    double bonus = 0, shortfall = 0;
    if (IsMonth(yearMonth)) {
        auto row = Db().QueryFirst(
            "Select Count(*), Sum(EligibleQty * EligiblePieceRate - DamageQty * DamagePieceRate - OtherCutPay) "
            "From humOutPut Where PersonID = ? And ProdDate >= ? And ProdDate <= ?",
            {Variant(personId), Variant(yearMonth * 100 + 1), Variant(yearMonth * 100 + 31)});
        if (row && CInt((*row)[0]) > 0) {
            const double piecePay = CFloat((*row)[1]);
            bonus = std::max(piecePay - base, 0.0);
            shortfall = std::max(base - piecePay, 0.0);
        }
    }

    Variant amounts = MakePacket({{"FieldAAccount", FieldType::Currency},
                                  {"FieldBAccount", FieldType::Currency},
                                  {"FieldCAccount", FieldType::Currency},
                                  {"HolidayAccount", FieldType::Currency},
                                  {"PieceBonus", FieldType::Currency},
                                  {"PieceShortFall", FieldType::Currency}},
                                 {{Money(payA), Money(payB), Money(payC), Money(payHoliday), Money(bonus),
                                   Money(shortfall)}});
    Variant hours = MakePacket({{"FieldACount", FieldType::Float},
                                {"FieldBCount", FieldType::Float},
                                {"FieldCCount", FieldType::Float},
                                {"HolidayCount", FieldType::Float},
                                {"HourRate", FieldType::Float}},
                               {{Variant(a), Variant(b), Variant(c), Variant(holiday), Variant(rate)}});

    // One day's wage for the units of one day of each category that deducts pay.
    std::vector<std::vector<Variant>> rateRows;
    ResultSet cats =
        Db().Query("Select ExcuseClsID, UnitName From humExcuseCls Where CutPayment = 1 Order By ExcuseClsID");
    for (const auto& cat : cats.rows) {
        const int unit = static_cast<int>(CInt(cat[1]));
        const double unitsPerDay = unit == kUnitHours     ? Divisor(param::kSpecialsDayHours, dayHours)
                                   : unit == kUnitMinutes ? Divisor(param::kSpecialsDayHours, dayHours) * 60
                                                          : 1;
        rateRows.push_back(
            {Variant(CStr(cat[0])), Variant(unitsPerDay), Money(base / Divisor(param::kMonthWorkDays, monthDays))});
    }
    Variant rates = MakePacket(
        {{"ExcuseID", FieldType::Text}, {"ExcuseCount", FieldType::Float}, {"Account", FieldType::Currency}},
        std::move(rateRows));
    return Variant(VariantArray{amounts, hours, rates});
}

bool TReset::OnJobInMonth(const std::string& personId, int yearMonth) {
    if (!IsMonth(yearMonth)) return false;
    return GetIsOnWork(Db(), personId, yearMonth * 100 + 1, yearMonth * 100 + GetMaxDay(yearMonth), false);
}

double TReset::SalaryDue(const std::string& personId, int yearMonth) {
    if (!IsMonth(yearMonth)) return 0;
    auto set = Db().QueryFirst(
        "Select BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary From humPersonSetMain Where Flag = 1 And ID = ?",
        {Variant(personId)});
    auto person = Db().QueryFirst("Select OnJobDate, LeaveJobDate From comPerson Where PersonID = ?",
                                  {Variant(personId)});
    if (!set || !person) return 0;
    double monthly = CFloat((*set)[0]);
    if (CBool((*set)[1])) monthly += CFloat((*set)[2]);
    if (CBool((*set)[3])) monthly += CFloat((*set)[4]);
    auto items = Db().QueryFirst(
        "Select Sum(Case When B.Propertiy Is Null Or B.Propertiy = 0 Then A.Account Else 0 - A.Account End) "
        "From humPersonSetSub A Left Join humSalaryItem B On A.SalaryItem = B.SalaryID "
        "Where A.Flag = 1 And A.ID = ?",
        {Variant(personId)});
    if (items) monthly += CFloat((*items)[0]);

    // In proportion to the days on the job in the month.
    const int first = yearMonth * 100 + 1;
    const int last = yearMonth * 100 + GetMaxDay(yearMonth);
    const int hired = static_cast<int>(CInt((*person)[0]));
    const int left = static_cast<int>(CInt((*person)[1]));
    if (hired == 0) return 0;
    const int from = std::max(first, hired);
    const int to = left == 0 ? last : std::min(last, left);
    if (from > to) return 0;
    const double share = static_cast<double>(DaysBetween(from, to) + 1) / GetMaxDay(yearMonth);
    return RoundValue(monthly * share, 2);
}

bool TReset::EliminateOverLimit(const Variant& request) {
    const OverTimeSelection sel = ParseOverTimeSelection(request);
    if (!sel.Valid()) return false;
    {
        std::vector<Variant> params;
        Db().Execute("Update humOverTime Set NotIntoOverTimeValue = 0 Where RedeemType = 0" + sel.Condition("", params),
                     params);
    }
    std::string sql =
        "Select C.ID, D.OverMonth From humPersonSetMain C Inner Join humOverTimeCls D On C.OverTimeClass = D.OTClsID "
        "Where C.Flag = 1 And C.OverTime = 1 And D.OverMonth > 0";
    std::vector<Variant> params;
    if (!sel.firstPerson.empty()) {
        sql += " And C.ID >= ?";
        params.emplace_back(sel.firstPerson);
    }
    if (!sel.lastPerson.empty()) {
        sql += " And C.ID <= ?";
        params.emplace_back(sel.lastPerson);
    }
    ResultSet limits = Db().Query(sql + " Order By C.ID", params);
    for (const auto& limit : limits.rows) {
        const std::string person = CStr(limit[0]);
        const double overMonth = CFloat(limit[1]);
        OverTimeSelection one = sel;
        one.firstPerson = one.lastPerson = person;
        std::vector<Variant> rowParams;
        ResultSet rows = Db().Query(
            "Select Flag, BillNo, RowNo, FieldACount + FieldBCount + FieldCCount + HolidayCount From humOverTime "
            "Where RedeemType = 0" +
                one.Condition("", rowParams) + " Order By OverTimeDate Desc, BeginTime Desc, BillNo Desc, RowNo Desc",
            rowParams);
        double total = 0;
        for (const auto& r : rows.rows) total += CFloat(r[3]);
        double excess = total - overMonth;
        // The latest overtime is taken out first.
        for (const auto& r : rows.rows) {
            if (excess <= 0) break;
            const double taken = std::min(CFloat(r[3]), excess);
            if (taken <= 0) continue;
            Db().Execute("Update humOverTime Set NotIntoOverTimeValue = ? Where Flag = ? And BillNo = ? And RowNo = ?",
                         {Variant(Currency::FromDouble(taken)), r[0], r[1], r[2]});
            excess -= taken;
        }
    }
    return true;
}

std::vector<ProcedureDef> ResetProcedures() {
    using A = ArgType;
    auto opt = [](std::string name, ArgType type) { return ArgDef{std::move(name), type, true}; };
    const ArgDef person{"PersonID", A::Text};
    std::vector<ProcedureDef> p;
    p.push_back({3, "Seniority", ArgShape::Array, {person, opt("Date", A::Int)},
                 Routine<TReset>([](TReset& o, const ProcArgs& a) -> Variant {
                     // No date (or 0) asks for today.
                     const int date = a.Int(1);
                     return Variant(o.Seniority(Trim(a.Text(0)), date == 0 ? o.GetServerDate() : date));
                 })});
    p.push_back({7, "PayFigures", ArgShape::Array, {person, opt("SalaryYearMonth", A::Int)},
                 Routine<TReset>([](TReset& o, const ProcArgs& a) -> Variant {
                     return o.PayFigures(Trim(a.Text(0)), a.Int(1));
                 })});
    p.push_back({9,
                 "LeaveLength",
                 ArgShape::Array,
                 {person, opt("ExcuseClsID", A::Text), opt("BeginDate", A::Int), opt("EndDate", A::Int),
                  opt("BeginTime", A::Int), opt("EndTime", A::Int), opt("Unit", A::Int), opt("ByShift", A::Bool)},
                 Routine<TReset>([](TReset& o, const ProcArgs& a) -> Variant {
                     // A time not given is not entered (-1); no unit is the category's own.
                     auto orNone = [&](size_t i) { return a.Given(i) ? a.Int(i) : -1; };
                     return Variant(CalExcuse(o.Db(), Trim(a.Text(0)), Trim(a.Text(1)), a.Int(2), a.Int(3), orNone(4),
                                              orNone(5), orNone(6), a.Given(7) ? a.Bool(7) : true));
                 })});
    p.push_back({11, "OnJobInMonth", ArgShape::Pair, {person, opt("SalaryYearMonth", A::Int)},
                 Routine<TReset>([](TReset& o, const ProcArgs& a) -> Variant {
                     return Variant(o.OnJobInMonth(Trim(a.Text(0)), a.Int(1)));
                 })});
    p.push_back({20, "SalaryDue", ArgShape::Pair, {person, opt("SalaryYearMonth", A::Int)},
                 Routine<TReset>([](TReset& o, const ProcArgs& a) -> Variant {
                     return Variant(o.SalaryDue(Trim(a.Text(0)), a.Int(1)));
                 })});
    // The request is read as ParseOverTimeSelection reads it; one naming no month is false.
    p.push_back({34, "EliminateOverLimit", ArgShape::Single, {opt("Request", A::Any)},
                 Routine<TReset>([](TReset& o, const ProcArgs& a) -> Variant {
                     return Variant(o.EliminateOverLimit(a[0]));
                 })});
    p.push_back({38, "SalaryPeriod", ArgShape::Array, {{"SalaryYearMonth", A::Int}},
                 Routine<TReset>([](TReset& o, const ProcArgs& a) -> Variant {
                     return Variant(o.SalaryPeriod(a.Int(0)));
                 })});
    MarkReading(p, {3, 7, 9, 11, 20, 38});
    return p;
}

}  // namespace humrs
