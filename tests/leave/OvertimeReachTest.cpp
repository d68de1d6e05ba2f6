// Which overtime a compensatory leave may take hours from. The rebuild applies the rule
// to rows held in memory and the balance check asks it of the table: both must pick the
// same rows, or a leave is refused for hours the rebuild would give it (or the reverse).
#include <set>
#include <type_traits>

#include "leave/CoExcuse.h"
#include "leave/LeaveFixture.h"

namespace humrs {
namespace {

// A day, a time of day and a kind of leave category do not stand in for one another:
// a span check given its day and time in the wrong order does not compile.
static_assert(!std::is_convertible_v<CalendarDay, TimeOfDay> &&
              !std::is_convertible_v<TimeOfDay, CalendarDay>);
static_assert(!std::is_convertible_v<int, CalendarDay> && !std::is_convertible_v<int, LeaveKind>);
static_assert(std::is_invocable_v<decltype(&TExcuse::CheckConflictRows), TExcuse&, Dataset&, CalendarDay,
                                  CalendarDay, TimeOfDay, TimeOfDay, bool>);
static_assert(!std::is_invocable_v<decltype(&TExcuse::CheckConflictRows), TExcuse&, Dataset&, CalendarDay,
                                   TimeOfDay, CalendarDay, TimeOfDay, bool>);
static_assert(!std::is_invocable_v<decltype(&TExcuse::CheckLeaveConflict), TExcuse&, std::string, std::string,
                                   CalendarDay, CalendarDay, TimeOfDay, TimeOfDay, int>);

class OvertimeReachTest : public testing::LeaveFixture {
protected:
    void SetUp() override {
        LeaveFixture::SetUp();
        struct Row {
            const char* billNo;
            int date, endTime;
        } rows[] = {
            {"ENDED", 20050110, 1200},    // the leave's day, ended before it begins
            {"AT", 20050110, 1300},       // the leave's day, ends as it begins
            {"RUNNING", 20050110, 1400},  // the leave's day, still running at its begin
            {"EVE", 20050109, 2300},      // the day before
            {"MONTH", 20041210, 1800},    // the first day of a one-month term
            {"OLDER", 20041209, 1800},    // the day before that term
            {"AFTER", 20050111, 800},     // after the leave
        };
        for (const Row& r : rows)
            db->Execute(
                "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, "
                "RedeemType) Values (1, ?, 0, 'P1', ?, 0, ?, 1)",
                {Variant(r.billNo), Variant(r.date), Variant(r.endTime)});
    }
};

TEST_F(OvertimeReachTest, RowsInMemoryAndTheBalanceQueryPickTheSameOvertime) {
    using Bills = std::set<std::string>;
    struct Case {
        int date, time, term;
        Bills expected;
    } cases[] = {
        {20050110, 1300, 0, {"ENDED", "AT", "EVE", "MONTH", "OLDER"}},
        {20050110, 1300, 1, {"ENDED", "AT", "EVE", "MONTH"}},
        {20050110, 0, 0, {"EVE", "MONTH", "OLDER"}},
        {20050110, 1259, 2, {"ENDED", "EVE", "MONTH", "OLDER"}},
        {20041210, 1759, 0, {"OLDER"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.date) + " " + std::to_string(c.time) + " term " +
                     std::to_string(c.term));
        const OvertimeReach reach(c.date, c.time, c.term);
        Bills inMemory, queried;
        for (const auto& row : db->Query("Select BillNo, OverTimeDate, EndTime From HumOverTime").rows) {
            RedeemableOvertime o;
            if (!row[1].IsNull()) o.date = CInt(row[1]);
            if (!row[2].IsNull()) o.endTime = CInt(row[2]);
            if (reach.Admits(o)) inMemory.insert(CStr(row[0]));
        }
        for (const auto& row :
             db->Query("Select BillNo From HumOverTime Where 1 = 1" + reach.Condition()).rows)
            queried.insert(CStr(row[0]));
        EXPECT_EQ(inMemory, c.expected);
        EXPECT_EQ(queried, c.expected);
    }
}

}  // namespace
}  // namespace humrs
