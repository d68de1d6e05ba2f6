#pragma once
// The shift company (support/ShiftCompany.h) for overtime tests: P1 and P2 on the day
// shift (08:00-17:00, break 12:00-13:00, overtime counted from 17:30; segment A up to
// 2 hours, B up to 4), N1 on the night shift (20:00-05:00, break 00:00-01:00).
// 2005-01-10 is a Monday. Dates show as yyyy/mm/dd.
#include "support/Fixture.h"
#include "support/ShiftCompany.h"

namespace humrs::testing {

class OvertimeFixture : public HumrsFixture {
protected:
    static constexpr const char* kOvertime = "QVXHumrs.Overtime";
    static constexpr int kMonday = 20050110;

    void SetUp() override {
        HumrsFixture::SetUp();
        AddShiftCompany(*db, {.className = "日班", .overTime = 1730, .aFieldEnd = 2, .bFieldEnd = 4},
                        {.className = "夜班"});
    }

    Row Overtime(const std::string& billNo, const std::string& person, int date, int beginTime, int endTime,
                 const std::string& cls = "DAY") {
        return {{"BillNo", Variant(billNo)},     {"PersonID", Variant(person)},  {"OverTimeDate", Variant(date)},
                {"OverTimeClass", Variant(cls)}, {"BeginTime", Variant(beginTime)}, {"EndTime", Variant(endTime)}};
    }
    Outcome SaveOvertime(const Row& row) { return SaveBill(kOvertime, {{row}}); }

    // A row of the overtime bill by date (Flag 3), written straight to the table.
    void StoreByDateRow(const std::string& billNo, int rowNo, const std::string& person, int date, int beginTime,
                        int endTime) {
        db->Execute(
            "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, OverTimeClass, BeginTime, "
            "EndTime) Values (3, ?, ?, ?, ?, 'DAY', ?, ?)",
            {Variant(billNo), Variant(rowNo), Variant(person), Variant(date), Variant(beginTime), Variant(endTime)});
    }

    Outcome Proc(int procNo, const Variant& arg) { return Object(kOvertime)->ExecuteProc(procNo, arg); }
};

}  // namespace humrs::testing
