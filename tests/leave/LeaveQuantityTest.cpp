// Quantities of leave and its cancellation are never below zero, whoever saves them,
// and an imported leave keeps its cancellation whole: mark, bill number and quantity.
#include <functional>

#include "leave/LeaveFixture.h"
#include "leave/CutExcuseMessages.h"
#include "leave/ExcuseDateMessages.h"
#include "leave/LeaveMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::Row;
using testing::With;

class LeaveQuantityTest : public testing::LeaveFixture {
protected:
    Outcome SaveByDate(const std::string& billNo, const Row& row) {
        return SaveBill("QVXHumrs.ExcuseDate",
                        {{{{"BillNo", Variant(billNo)}, {"BillDate", Variant(20050105)}}},
                         {With(row, {{"SerNo", 1}, {"RowNo", 1}})}});
    }
    // IfCutExcuse|CutExcuseNo|CutExcuseCount of a bill's leave row.
    std::string Marks(const std::string& billNo) {
        auto row =
            db->QueryFirst("Select IfCutExcuse, CutExcuseNo, CutExcuseCount From humExcuse Where BillNo = ?",
                           {Variant(billNo)});
        return row ? std::to_string(CInt((*row)[0])) + "|" + CStr((*row)[1]) + "|" + CStr((*row)[2])
                   : "no row";
    }
    void Import(bool mergeIn) {
        session->mergeIn = mergeIn;
        session->loginType = mergeIn ? 0 : 5;
    }
};

// A negative leave would lower what the leave year has used and let a later leave past
// its cap; it is refused in both leave bills, under every login.
TEST_F(LeaveQuantityTest, NegativeLeaveIsRefusedAndCannotOpenTheCap) {
    SetParam(*db, "AllowAffairLeaveYear", "1");
    SetParam(*db, "HumMaxPrivateExCount", "8");
    const Row negative = Leave("N1", "P1", "SJ", 20050110, 800, 20050110, 900, -100);
    const Row compNegative = Leave("N1", "P1", "BX", 20050110, 800, 20050110, 900, -4);
    struct Case {
        const char* what;
        std::function<Outcome()> save;
        const Message& refusal;
    } cases[] = {
        {"by person", [&] { return SaveLeave(negative); }, msg::kLeaveCountNegative},
        {"compensatory by person", [&] { return SaveLeave(compNegative); }, msg::kLeaveCountNegative},
        {"by person, merged in",
         [&] {
             Import(true);
             return SaveLeave(negative);
         },
         msg::kLeaveCountNegative},
        {"by date", [&] { return SaveByDate("N1", negative); }, msg::kByDateCountNegative},
        {"by date, login 5",
         [&] {
             Import(false);
             return SaveByDate("N1", negative);
         },
         msg::kByDateCountNegative},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        SetParam(*db, "AllowAffairLeaveYear", "1");
        SetParam(*db, "HumMaxPrivateExCount", "8");
        EXPECT_TRUE(Refused(c.save(), c.refusal));
        EXPECT_EQ(Count("humExcuse"), 0);
        Import(false);
        session->loginType = 0;
        EXPECT_TRUE(Refused(SaveLeave(Leave("L2", "P1", "SJ", 20050111, 800, 20050112, 1700, 16)),
                            msg::kPersonalLeaveOverCap, {Variant("P1"), Variant("8")}));
    }
}

// Cancelled quantities: the cancellation bill gives back more than nothing and no more
// than the leave holds; an imported mark holds no quantity outside those bounds.
TEST_F(LeaveQuantityTest, CancelledQuantityLiesBetweenZeroAndTheLeave) {
    ASSERT_TRUE(SaveLeave(Leave("QJ1", "P1", "PT", 20050110, 800, 20050110, 1700, 2)).ok);
    auto cut = [&](double count) {
        auto obj = Object("QVXHumrs.CutExcuse");
        Outcome found = obj->ExecuteProc(0, Variant(VariantArray{"P1", 20050110, 800, 20050110, 1200, 1}));
        if (!found.ok) return found;
        return SaveWith(*obj, {{{{"BillNo", "XJ1"},
                                 {"PersonID", "P1"},
                                 {"BeginDate", 20050110},
                                 {"BeginTime", 800},
                                 {"EndDate", 20050110},
                                 {"EndTime", 1200},
                                 {"ExcuseCount", count}}}});
    };
    EXPECT_TRUE(Refused(cut(-1), msg::kCutCountEmpty));
    EXPECT_TRUE(Refused(cut(2.5), msg::kCutCountOverLeave));
    EXPECT_EQ(Marks("QJ1"), "0||0");

    Import(true);
    for (double count : {-1.0, 2.5}) {
        SCOPED_TRACE(count);
        const Row imported = With(Leave("QJ2", "P1", "PT", 20050111, 800, 20050111, 1700, 2),
                                  {{"IfCutExcuse", true}, {"CutExcuseNo", "XJ9"}, {"CutExcuseCount", count}});
        EXPECT_TRUE(Refused(SaveLeave(imported), msg::kCutCountOutOfRange));
        EXPECT_TRUE(Refused(SaveByDate("D1", imported), msg::kCutCountOutOfRange));
    }
    EXPECT_EQ(Count("humExcuse"), 1);
}

// An import keeps the cancellation of the source whole; an interactive save never sets
// one; a half of a cancellation is never stored.
TEST_F(LeaveQuantityTest, ImportedCancellationIsKeptWholeOrRefused) {
    const Row cancelled = With(Leave("MG1", "P1", "PT", 20050110, 800, 20050110, 1700, 8),
                               {{"IfCutExcuse", true}, {"CutExcuseNo", "XJ9"}, {"CutExcuseCount", 8}});
    struct Case {
        const char* what;
        int login;  // -1 interactive, 0 merged in, 5 login type 5
        bool byDate;
        Row row;
        std::string marks;  // empty: refused with `refusal`
        const Message* refusal;
    } cases[] = {
        {"merged in", 0, false, cancelled, "1|XJ9|8", {}},
        {"login 5", 5, false, cancelled, "1|XJ9|8", {}},
        {"by date, merged in", 0, true, cancelled, "1|XJ9|8", {}},
        {"mark without a number", 0, false, With(cancelled, {{"CutExcuseNo", ""}}), "", &msg::kCutNoEmpty},
        {"by date, mark without a number", 5, true, With(cancelled, {{"CutExcuseNo", " "}}), "",
         &msg::kCutNoEmpty},
        {"number without a mark", 0, false, With(cancelled, {{"IfCutExcuse", false}}), "0||0", {}},
        {"interactive, number without a mark",
         -1,
         false,
         With(cancelled, {{"IfCutExcuse", false}}),
         "0||0",
         {}},
        {"interactive by date", -1, true, cancelled, "0||0", {}},
        {"interactive", -1, false, cancelled, "", &msg::kLeaveHasCancellationEdit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        session->mergeIn = c.login == 0;
        session->loginType = c.login == 5 ? 5 : 0;
        const Outcome out = c.byDate ? SaveByDate("MG1", c.row) : SaveLeave(c.row);
        if (c.marks.empty()) {
            EXPECT_TRUE(Refused(out, *c.refusal));
            EXPECT_EQ(Count("humExcuse"), 0);
        } else {
            ASSERT_TRUE(out.ok) << out.error;
            EXPECT_EQ(Marks("MG1"), c.marks);
        }
    }
}

}  // namespace
}  // namespace humrs
