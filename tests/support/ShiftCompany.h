#pragma once
// The small company of the leave, overtime and attendance tests: a day shift and a
// night shift, each worked Monday to Friday, and three employees of the production
// floor.
//   DAY     08:00-17:00, break 12:00-13:00, on the schedule S-DAY
//   NIGHT   20:00-05:00 (ending the next morning), break 00:00-01:00, on S-NIGHT
//   D1      the department 生产部
//   P1, P2  on the day shift, hired 2000/03/10 and 2003/01/01
//   N1      on the night shift, hired 2003/01/01
// A test that needs more of a shift (its name, lateness allowance, overtime segments)
// gives it in that shift's seed; the ids and the hours above are fixed here.
#include "db/Database.h"
#include "suite/Seed.h"

namespace humrs::testing {

// The shifts DAY and NIGHT and their schedules S-DAY and S-NIGHT.
inline void AddDayAndNightShifts(Database& db, WorkClassSeed day = {}, WorkClassSeed night = {}) {
    day.classId = "DAY";
    day.onDutyTime = 800;
    day.offDutyTime = 1700;
    day.restBeginTime = 1200;
    day.restEndTime = 1300;
    night.classId = "NIGHT";
    night.onDutyTime = 2000;
    night.offDutyTime = 500;
    night.restBeginTime = 0;
    night.restEndTime = 100;
    AddWorkClass(db, day);
    AddWorkClass(db, night);
    AddSchedule(db, "S-DAY", FiveDayWeek("DAY"));
    AddSchedule(db, "S-NIGHT", FiveDayWeek("NIGHT"));
}

// The whole company: department D1, both shifts, and P1, P2 and N1.
inline void AddShiftCompany(Database& db, const WorkClassSeed& day = {}, const WorkClassSeed& night = {}) {
    AddDepartment(db, "D1", "生产部");
    AddDayAndNightShifts(db, day, night);
    AddPerson(db, {.personId = "P1", .departId = "D1", .onJobDate = 20000310, .jobSch = "S-DAY"});
    AddPerson(db, {.personId = "P2", .departId = "D1", .onJobDate = 20030101, .jobSch = "S-DAY"});
    AddPerson(db, {.personId = "N1", .departId = "D1", .onJobDate = 20030101, .jobSch = "S-NIGHT"});
}

}  // namespace humrs::testing
