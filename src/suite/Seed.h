#pragma once
// Builders for the reference data a bill needs around it: departments, persons,
// work classes and schedules, leave categories, holidays and system parameters.
// The demo company and the test fixtures are both made with them, so a fixture
// reads as a short story ("a formal employee hired in 2020 on the day shift").
//
// Every builder writes straight into the tables with bound parameters, without a
// business object and without its checks: seed data is trusted. A builder does not
// open a transaction of its own; it joins the caller's when there is one. A key that
// is already stored raises DatabaseError (the primary key), except for SetParam,
// SetPersonClassOnDate and AddHoliday, which replace the stored value.
#include <array>
#include <optional>
#include <string>

#include "db/Database.h"

namespace humrs {

// Category kinds (humExcuseCls.ExcuseCls) that carry a rule of their own; any other
// value is an ordinary category.
namespace leave_kind {
inline constexpr int kPersonal = 0;       // yearly cap by parameters
inline constexpr int kSick = 1;           // yearly cap under local type 1
inline constexpr int kLateness = 2;       // compared with the shift's lateness allowance
inline constexpr int kSpecialAnnual = 5;  // entitlement by seniority (humSpecials)
inline constexpr int kCompensatory = 12;  // taken against redeemable overtime
inline constexpr int kOrdinary = 9;       // no rule of its own
}  // namespace leave_kind

// Work states of humPersonExtend.WorkState (the codes personnel changes write).
namespace work_state {
inline constexpr int kNotYetOnJob = 0;
inline constexpr int kProbation = 1;
inline constexpr int kFormal = 2;
inline constexpr int kTransferred = 3;
inline constexpr int kLeft = 4;
inline constexpr int kUnpaidLeave = 5;
inline constexpr int kReinstated = 6;
}  // namespace work_state

void AddDepartment(Database& db, const std::string& departId, const std::string& departName = "");

// One employee: a comPerson row and its humPersonExtend row.
struct PersonSeed {
    std::string personId;
    std::string personName;  // empty: the id
    std::string departId;
    int onJobDate = 20200101;  // hire date (yyyymmdd); 0 = not recorded
    int leaveJobDate = 0;      // leaving date; 0 = still employed
    std::string jobSch;        // work schedule (humJobSchedule.SchID); empty = none
    // Left at -1 the state follows the dates: kLeft with a leaving date, else kFormal.
    int workState = -1;
    bool needAttend = true;
    int formalDate = 0;  // 0: the hire date
    int probation = 0;   // months of probation served
    std::string cardNo;
    std::string posiId;
};
void AddPerson(Database& db, const PersonSeed& person);

// A work class (shift). Times are hhmm; an off-duty time below the on-duty time is a
// shift that ends the next morning. The defaults are a day shift 08:00-17:00 with a
// lunch break 12:00-13:00.
struct WorkClassSeed {
    std::string classId;
    std::string className;  // empty: the id
    int onDutyTime = 800;
    int offDutyTime = 1700;
    int restBeginTime = 1200;  // -1: no break
    int restEndTime = 1300;
    int lateTimeOver = 0;  // lateness allowance in minutes
    int overTime = -1;     // hhmm from which overtime counts; -1: the off-duty time
    int overTimeOver = 0;  // minimum overtime span, minutes
    int overTimeUnit = 0;  // overtime counting unit, minutes
    double aFieldEnd = 0;  // upper bound of overtime segment A, hours
    double bFieldEnd = 0;  // upper bound of overtime segment B, hours
};
void AddWorkClass(Database& db, const WorkClassSeed& workClass);

// The work class of each weekday, index 0 = Sunday; an empty class is a rest day.
using WeekClasses = std::array<std::string, 7>;
// Monday to Friday on `classId`, the weekend free.
WeekClasses FiveDayWeek(const std::string& classId);
// A work schedule and its seven weekday rows.
void AddSchedule(Database& db, const std::string& schId, const WeekClasses& classes,
                 const std::string& schName = "");
// The person's class on one date, overriding the schedule; an empty class makes the
// day a rest day. Replaces an earlier setting of that date.
void SetPersonClassOnDate(Database& db, const std::string& personId, int date, const std::string& classId);

// A leave category. The defaults are an ordinary category counted in hours by the
// half hour, deducting no pay and leaving full-attendance pay alone.
struct LeaveCategorySeed {
    std::string excuseClsId;
    std::string excuseClsName;  // empty: the id
    int excuseCls = leave_kind::kOrdinary;
    int unitName = 1;  // 0 days, 1 hours, 2 minutes
    double excuseUnit = 0.5;
    bool cutPayment = false;
    int monthTimes = 0;
    double monthAccount = 0;
    int yearTimes = 0;
    double yearAccount = 0;
    bool cutNoLeave = false;
    int noLeaveType = 0;
    int cutType = 0;
    double noLeaveTimes = 0;
    double noLeaveAccount = 0;
};
void AddLeaveCategory(Database& db, const LeaveCategorySeed& category);

// Special annual leave: `days` granted from seniority `longevity` on.
void AddSpecialLeave(Database& db, int longevity, double days);

// A holiday given as month*100+day (101 is the first day of the first month) of the
// solar calendar, or of the lunar calendar when `lunar` is true. Flag 1 marks the
// days that count as holidays.
void AddHoliday(Database& db, int monthDay, bool lunar, const std::string& name = "", int flag = 1);

// A system parameter of comSysParam, stored as text; replaces an earlier value.
void SetParam(Database& db, const std::string& key, const std::string& value);
// The stored text of a parameter; nullopt when it is not stored.
std::optional<std::string> FindParam(Database& db, const std::string& key);

}  // namespace humrs
