#pragma once
// The shift company (support/ShiftCompany.h) for leave tests: P1 and P2 on the day
// shift (08:00-17:00, break 12:00-13:00, Monday to Friday), N1 on the night shift
// (20:00-05:00), and one category of every kind with a rule. Dates show as yyyy/mm/dd.
#include "support/Fixture.h"
#include "support/ShiftCompany.h"

namespace humrs::testing {

class LeaveFixture : public HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddShiftCompany(*db, {.className = "日班", .lateTimeOver = 30},
                        {.className = "夜班", .lateTimeOver = 45});
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        AddLeaveCategory(*db, {.excuseClsId = "BJ", .excuseClsName = "病假", .excuseCls = leave_kind::kSick});
        AddLeaveCategory(*db, {.excuseClsId = "CD", .excuseClsName = "迟到假", .excuseCls = leave_kind::kLateness});
        AddLeaveCategory(*db, {.excuseClsId = "TX",
                               .excuseClsName = "特休",
                               .excuseCls = leave_kind::kSpecialAnnual,
                               .unitName = 0});
        AddLeaveCategory(*db, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
        AddLeaveCategory(*db, {.excuseClsId = "PT", .excuseClsName = "婚假"});
        SetParam(*db, "HumCommDateStyle", "1");
    }

    // A leave request by person; the count defaults to the hours asked for.
    Row Leave(const std::string& billNo, const std::string& person, const std::string& category, int beginDate,
              int beginTime, int endDate, int endTime, double count) {
        return {{"BillNo", Variant(billNo)},     {"PersonID", Variant(person)},   {"ExcuseClsID", Variant(category)},
                {"BeginDate", Variant(beginDate)}, {"BeginTime", Variant(beginTime)}, {"EndDate", Variant(endDate)},
                {"EndTime", Variant(endTime)},   {"ExcuseCount", Variant(count)}};
    }
    Outcome SaveLeave(const Row& row) { return SaveBill("QVXHumrs.Excuse", {{row}}); }

    // A row of the leave request by date (Flag 2), written straight to the table.
    void StoreByDateRow(const std::string& billNo, int rowNo, const std::string& person, const std::string& category,
                        int beginDate, int beginTime, int endDate, int endTime, double count) {
        db->Execute(
            "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, "
            "EndTime, ExcuseCount) Values (2, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {Variant(billNo), Variant(rowNo), Variant(person), Variant(category), Variant(beginDate),
             Variant(beginTime), Variant(endDate), Variant(endTime), Variant(count)});
    }

    Outcome Proc(int procNo, const Variant& arg) { return Object("QVXHumrs.Excuse")->ExecuteProc(procNo, arg); }
};

}  // namespace humrs::testing
