// The demo's company: the reference data every scene starts from, and the scene that
// introduces it.
#include "suite/DemoCompany.h"

#include <stdexcept>

#include "suite/ProgIds.h"
#include "suite/Seed.h"

namespace humrs {

void SeedDemoCompany(Database& db) {
    AddDepartment(db, "D01", "行政部");
    AddDepartment(db, "D02", "生产部");

    // A day shift with a lunch break and a night shift whose break is just after midnight.
    AddWorkClass(db, {.classId = "A",
                      .className = "日班",
                      .lateTimeOver = 30,
                      .overTime = 1730,
                      .overTimeOver = 30,
                      .overTimeUnit = 30,
                      .aFieldEnd = 2,
                      .bFieldEnd = 4});
    AddWorkClass(db, {.classId = "N",
                      .className = "夜班",
                      .onDutyTime = 2000,
                      .offDutyTime = 500,
                      .restBeginTime = 0,
                      .restEndTime = 100,
                      .lateTimeOver = 30,
                      .overTime = 530,
                      .overTimeOver = 30,
                      .overTimeUnit = 30,
                      .aFieldEnd = 2,
                      .bFieldEnd = 4});
    AddSchedule(db, "S1", FiveDayWeek("A"), "日班周历");
    AddSchedule(db, "S2", FiveDayWeek("N"), "夜班周历");

    struct Staff {
        const char* id;
        const char* name;
        const char* depart;
        int hired;
        const char* schedule;
    };
    const Staff staff[] = {
        {"E001", "张伟", "D01", 20100301, "S1"}, {"E002", "王芳", "D01", 20120615, "S1"},
        {"E003", "李娜", "D01", 20150901, "S1"}, {"E004", "刘洋", "D01", 20180110, "S1"},
        {"E005", "陈静", "D01", 20200601, "S1"}, {"E006", "杨磊", "D02", 20090401, "S1"},
        {"E007", "赵敏", "D02", 20110820, "S2"}, {"E008", "黄强", "D02", 20130305, "S2"},
        {"E009", "周杰", "D02", 20140712, "S1"}, {"E010", "吴霞", "D02", 20160218, "S2"},
        {"E011", "徐明", "D02", 20170905, "S1"}, {"E012", "孙丽", "D02", 20190101, "S1"},
        {"E013", "马超", "D02", 20190722, "S2"}, {"E014", "朱琳", "D02", 20200315, "S1"},
        {"E015", "胡斌", "D02", 20210104, "S1"}, {"E016", "郭佳", "D02", 20210809, "S2"},
        {"E017", "何平", "D02", 20220516, "S1"}, {"E018", "高峰", "D02", 20230201, "S1"},
    };
    for (const Staff& s : staff)
        AddPerson(db, {.personId = s.id,
                       .personName = s.name,
                       .departId = s.depart,
                       .onJobDate = s.hired,
                       .jobSch = s.schedule});
    // A newcomer still on probation, and one who has left.
    AddPerson(db, {.personId = "E019",
                   .personName = "林雪",
                   .departId = "D02",
                   .onJobDate = 20240102,
                   .jobSch = "S1",
                   .workState = work_state::kProbation});
    AddPerson(db, {.personId = "E020",
                   .personName = "罗刚",
                   .departId = "D02",
                   .onJobDate = 20150401,
                   .leaveJobDate = 20230630,
                   .jobSch = "S1"});
    // The day-shift worker who covers one night.
    SetPersonClassOnDate(db, "E009", 20240612, "N");

    // One category per kind with a rule of its own, and an ordinary one.
    AddLeaveCategory(db, {.excuseClsId = "L00",
                          .excuseClsName = "事假",
                          .excuseCls = leave_kind::kPersonal,
                          .cutPayment = true});
    AddLeaveCategory(
        db,
        {.excuseClsId = "L01", .excuseClsName = "病假", .excuseCls = leave_kind::kSick, .cutPayment = true});
    AddLeaveCategory(db, {.excuseClsId = "L02",
                          .excuseClsName = "迟到假",
                          .excuseCls = leave_kind::kLateness,
                          .unitName = 2,
                          .excuseUnit = 10});
    AddLeaveCategory(db, {.excuseClsId = "L05",
                          .excuseClsName = "特休假",
                          .excuseCls = leave_kind::kSpecialAnnual,
                          .unitName = 0,
                          .excuseUnit = 0.5});
    AddLeaveCategory(db,
                     {.excuseClsId = "L12", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
    AddLeaveCategory(db, {.excuseClsId = "L09",
                          .excuseClsName = "婚假",
                          .excuseCls = leave_kind::kOrdinary,
                          .unitName = 0,
                          .excuseUnit = 1});
    // Special annual leave by years of service.
    AddSpecialLeave(db, 1, 3);
    AddSpecialLeave(db, 3, 7);
    AddSpecialLeave(db, 10, 14);

    AddHoliday(db, 101, false, "元旦");
    AddHoliday(db, 501, false, "劳动节");
    AddHoliday(db, 1001, false, "国庆节");
    AddHoliday(db, 101, true, "春节");
    AddHoliday(db, 815, true, "中秋节");

    // The leave year starts in January; personal leave is capped at 14 days and sick
    // leave at 30 days a year (in hours), special leave follows the month of hire.
    SetParam(db, "LocalType", "1");
    SetParam(db, "HumExcuseBeginMonth", "0");
    SetParam(db, "AllowAffairLeaveYear", "1");
    SetParam(db, "HumMaxPrivateExCount", "112");
    SetParam(db, "AllowSickLeaveYear", "True");
    SetParam(db, "AllowSickLeaveMuchYear", "240");
    SetParam(db, "HumSpecialsCaleType", "0");
    SetParam(db, "HumSpecialsBaseMonth", "0");
    SetParam(db, "HumSpecialWorkAge", "1");
    SetParam(db, "HumSpecialsDayHours", "8");
    SetParam(db, "HumMakeUpRestTerm", "6");
    SetParam(db, "HumCommDateStyle", "true");
}

namespace {

void TheCompany(DemoContext& demo) {
    demo.Say(
        "A small factory: an office and a production floor, a day shift and a night shift, "
        "one category for each kind of leave rule.");
    demo.Show("persons", "Select Count(*) As Persons From comPerson");
    demo.Show("left the company",
              "Select PersonID, PersonName, LeaveJobDate From comPerson Where LeaveJobDate > 0");
    demo.Show("shifts",
              "Select ClassID, ClassName, OnDutyTime, OffDutyTime, RestBeginTime, RestEndTime From humClass");
    demo.Show("leave categories",
              "Select ExcuseClsID, ExcuseClsName, ExcuseCls From humExcuseCls Order By ExcuseCls");
}

}  // namespace

DemoScene DemoCompanyScene() { return {"The company", TheCompany}; }

void ReallocateCompensatoryLeave(DemoContext& demo, const std::string& personId) {
    if (const Outcome out = demo.Create(prog_id::kExcuse)->ExecuteProc(12, Variant(personId)); !out.ok)
        throw std::runtime_error("the compensatory leave of " + personId + " could not be allocated: " + out.error);
}

}  // namespace humrs
