#include "suite/Seed.h"

#include <utility>
#include <vector>

#include "core/Convert.h"

namespace humrs {

namespace {

using Columns = std::vector<std::pair<const char*, Variant>>;

// Flags are stored as the numbers 0 and 1, which is how the statements compare them.
Variant Bit(bool b) { return Variant(b ? 1 : 0); }

void Insert(Database& db, const std::string& table, const Columns& columns) {
    std::string names, marks;
    std::vector<Variant> params;
    for (const auto& [name, value] : columns) {
        names += (names.empty() ? "" : ", ") + std::string(name);
        marks += marks.empty() ? "?" : ", ?";
        params.push_back(value);
    }
    db.Execute("Insert Into " + table + " (" + names + ") Values (" + marks + ")", params);
}

const std::string& OrId(const std::string& name, const std::string& id) { return name.empty() ? id : name; }

}  // namespace

void AddDepartment(Database& db, const std::string& departId, const std::string& departName) {
    Insert(db, "comDepartment", {{"DepartID", departId}, {"DepartName", OrId(departName, departId)}});
}

void AddPerson(Database& db, const PersonSeed& p) {
    Insert(db, "comPerson",
           {{"PersonID", p.personId},
            {"PersonName", OrId(p.personName, p.personId)},
            {"DepartID", p.departId},
            {"PosiID", p.posiId},
            {"OnJobDate", p.onJobDate},
            {"LeaveJobDate", p.leaveJobDate}});
    const int state = p.workState >= 0     ? p.workState
                      : p.leaveJobDate > 0 ? work_state::kLeft
                                           : work_state::kFormal;
    Insert(db, "humPersonExtend",
           {{"PersonID", p.personId},
            {"WorkState", state},
            {"JobSch", p.jobSch},
            {"NeedAttend", Bit(p.needAttend)},
            {"FormalDate", p.formalDate > 0 ? p.formalDate : p.onJobDate},
            {"Probation", p.probation},
            {"CardNo", p.cardNo}});
}

void AddWorkClass(Database& db, const WorkClassSeed& c) {
    Insert(db, "humClass",
           {{"ClassID", c.classId},
            {"ClassName", OrId(c.className, c.classId)},
            {"OnDutyTime", c.onDutyTime},
            {"OffDutyTime", c.offDutyTime},
            {"RestBeginTime", c.restBeginTime},
            {"RestEndTime", c.restEndTime},
            {"LateTimeOver", c.lateTimeOver},
            {"OverTime", c.overTime >= 0 ? c.overTime : c.offDutyTime},
            {"OverTimeOver", c.overTimeOver},
            {"OverTimeUnit", c.overTimeUnit},
            {"AFieldEnd", Currency::FromDouble(c.aFieldEnd)},
            {"BFieldEnd", Currency::FromDouble(c.bFieldEnd)}});
}

WeekClasses FiveDayWeek(const std::string& classId) {
    return {"", classId, classId, classId, classId, classId, ""};
}

void AddSchedule(Database& db, const std::string& schId, const WeekClasses& classes,
                 const std::string& schName) {
    Insert(db, "humJobSchedule", {{"SchID", schId}, {"SchName", OrId(schName, schId)}});
    for (int day = 0; day < 7; ++day)
        Insert(db, "humJobScheduleDay", {{"SchID", schId}, {"WeekDay", day}, {"ClassID", classes[day]}});
}

void SetPersonClassOnDate(Database& db, const std::string& personId, int date, const std::string& classId) {
    db.Execute("Delete From humPersonClassDate Where PersonID = ? And WorkDate = ?", {personId, date});
    Insert(db, "humPersonClassDate", {{"PersonID", personId}, {"WorkDate", date}, {"ClassID", classId}});
}

void AddLeaveCategory(Database& db, const LeaveCategorySeed& c) {
    Insert(db, "humExcuseCls",
           {{"ExcuseClsID", c.excuseClsId},
            {"ExcuseClsName", OrId(c.excuseClsName, c.excuseClsId)},
            {"ExcuseCls", c.excuseCls},
            {"UnitName", c.unitName},
            {"ExcuseUnit", c.excuseUnit},
            {"CutPayment", Bit(c.cutPayment)},
            {"MonthTimes", c.monthTimes},
            {"MonthAccount", c.monthAccount},
            {"YearTimes", c.yearTimes},
            {"YearAccount", c.yearAccount},
            {"CutNoLeave", Bit(c.cutNoLeave)},
            {"NoLeaveType", c.noLeaveType},
            {"CutType", c.cutType},
            {"NoLeaveTimes", c.noLeaveTimes},
            {"NoLeaveAccount", Currency::FromDouble(c.noLeaveAccount)}});
}

void AddSpecialLeave(Database& db, int longevity, double days) {
    Insert(db, "humSpecials", {{"Longevity", longevity}, {"SpecNumber", days}});
}

void AddHoliday(Database& db, int monthDay, bool lunar, const std::string& name, int flag) {
    // Stored as text without leading zeros: the holiday statements compare with "101".
    const std::string days = std::to_string(monthDay);
    const int calendar = lunar ? 1 : 0;
    db.Execute("Delete From HumHolidays Where Flag = ? And HolidayDays = ? And lunarCalendar = ?",
               {flag, days, calendar});
    Insert(db, "HumHolidays",
           {{"Flag", flag}, {"HolidayDays", days}, {"lunarCalendar", calendar}, {"HolidayName", name}});
}

void SetParam(Database& db, const std::string& key, const std::string& value) {
    if (db.Execute("Update comSysParam Set ParamValue = ? Where ParamKey = ?", {value, key}) > 0) return;
    Insert(db, "comSysParam", {{"ParamKey", key}, {"ParamValue", value}});
}

std::optional<std::string> FindParam(Database& db, const std::string& key) {
    auto row = db.QueryFirst("Select ParamValue From comSysParam Where ParamKey = ?", {key});
    if (!row) return std::nullopt;
    return CStr((*row)[0]);
}

}  // namespace humrs
