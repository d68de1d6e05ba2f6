// An overtime span split into paid segments, and what saving and deleting overtime
// sets off: compensatory-leave balances and attendance details.
#include <map>

#include "overtime/CoOvertime.h"
#include "overtime/OvertimeFixture.h"

namespace humrs {
namespace {

class OvertimeSegmentsTest : public testing::OvertimeFixture {
protected:
    // Procedure 0: class, begin, end, as holiday, manual, hours, day type, keep span.
    std::vector<double> Segments(const std::string& cls, const std::string& begin, const std::string& end,
                                 int dayType, bool asHoliday = false, bool keepSpan = false, bool manual = false,
                                 double hours = 0) {
        Outcome out = Proc(0, Variant(VariantArray{cls, begin, end, asHoliday, manual, hours, dayType, keepSpan}));
        EXPECT_TRUE(out.ok) << out.error;
        std::vector<double> v;
        for (size_t i = 0; out.result.IsArray() && i < out.result.ArrayLength(); ++i) v.push_back(CFloat(out.result[i]));
        return v;
    }
};

// Day class 08:00-17:00, break 12:00-13:00, overtime from 17:30.
TEST(OvertimeSpanLength, NetMinutesOfASpan) {
    struct Case {
        int begin, end;
        bool keep;
        double minutes;
        const char* why;
    } cases[] = {
        {1700, 2000, false, 150, "the gap before overtime starts is deducted"},
        {1700, 2000, true, 180, "kept as entered"},
        {2200, 200, false, 240, "past midnight"},
        {1800, 2400, false, 360, "to midnight"},
        {1800, 1800, false, 0, "begin equals end"},
        {-1, 1800, false, 0, "begin not entered"},
        {700, 1000, false, 120, "begin moved to on-duty"},
        {1100, 1400, false, 120, "over the whole break"},
        {1230, 1400, false, 60, "begins inside the break"},
        {1100, 1230, false, 60, "ends inside the break"},
        {1200, 1300, false, 0, "the break itself"},
        {1730, 1731, false, 1, "one minute after the gap"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CalcSpanLength(c.begin, c.end, 1200, 1300, 1, c.keep, 800, 1700, 1730), c.minutes) << c.why;
    EXPECT_EQ(CalcSpanLength(1700, 2000, 1200, 1300, 0, false, 800, 1700, 1730), 2.5);
    EXPECT_DOUBLE_EQ(CalcSpanLength(1700, 2000, 1200, 1300, 2, false, 800, 1700, 1730), 150.0 / 1440);
    // A night class's break after midnight lies on the second day.
    EXPECT_EQ(CalcSpanLength(2300, 200, 0, 100, 1, true, 2000, 500, 530), 120);
    // A class on duty from midnight without a break (its times given as 0): no break.
    EXPECT_EQ(CalcSpanLength(1000, 1200, 0, 0, 1, false, 0, 800, 800), 120);
}

TEST_F(OvertimeSegmentsTest, ThresholdUnitAndManualHours) {
    AddWorkClass(*db, {.classId = "T30", .overTime = 1700, .overTimeOver = 30});
    AddWorkClass(*db, {.classId = "U30", .overTime = 1700, .overTimeUnit = 30});
    using V = std::vector<double>;
    EXPECT_EQ(Segments("T30", "1800", "1829", 1), (V{0, 0, 0, 0, 0}));
    EXPECT_EQ(Segments("T30", "1800", "1830", 1), (V{0.5, 0, 0, 0, 0.5}));
    EXPECT_EQ(Segments("U30", "1800", "1929", 1), (V{1, 0, 0, 0, 1}));
    EXPECT_EQ(Segments("DAY", "1800", "0", 1), (V{6, 0, 0, 0, 6}));
    EXPECT_EQ(Segments("DAY", "1700", "2000", 1), (V{2.5, 0, 0, 0, 2.5}));
    EXPECT_EQ(Segments("DAY", "1700", "2000", 1, false, true), (V{3, 0, 0, 0, 3}));
    EXPECT_EQ(Segments("DAY", "0", "0", 1, false, false, true, 1.5), (V{1.5, 0, 0, 0, 1.5}));
    EXPECT_EQ(Segments("U30", "0", "0", 1, false, false, true, 1.4), (V{1, 0, 0, 0, 1}));
    EXPECT_EQ(Segments("T30", "0", "0", 1, false, false, true, 0.45), (V{0, 0, 0, 0, 0}));
    EXPECT_EQ(Segments("NOSUCH", "1800", "2000", 1), (V{0, 0, 0, 0, 0}));
    EXPECT_EQ(Segments(" ", "1800", "2000", 1), (V{0, 0, 0, 0, 0}));
}

// The entry form sends begin and end as it holds them: digits, numbers, or nothing
// yet; only "0" itself is midnight at the end of the day.
TEST_F(OvertimeSegmentsTest, BeginAndEndAsTheEntryFormSendsThem) {
    struct Case {
        Variant begin, end;
        bool manual;
        double total;  // -1: bad input
    } cases[] = {
        {Variant(""), Variant(""), true, 1.5},         // hours typed by hand, times left empty
        {Variant(), Variant(), true, 1.5},             // times not sent at all
        {Variant("1730"), Variant("1900"), false, 1.5},
        {Variant(1730), Variant(1900), false, 1.5},
        {Variant(" 1800 "), Variant("2000"), false, 2},
        {Variant("1800"), Variant(""), false, 6},      // an empty end is 0: the span runs to midnight
        {Variant(""), Variant(""), false, 0},          // both empty: begin equals end
        {Variant("0"), Variant("0"), false, 14.5},     // "0" ends the day: on-duty to midnight, less break and gap
        {Variant("0"), Variant("0000"), false, 0},     // only "0" itself is read as the day's end
        {Variant("17h30"), Variant("1900"), false, -1},
        {Variant("1800"), Variant("eight"), false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(CStr(c.begin) + "-" + CStr(c.end) + (c.manual ? " manual" : ""));
        Outcome out = Proc(0, Variant(VariantArray{"DAY", c.begin, c.end, false, c.manual, 1.5, 1, false}));
        if (c.total < 0) {
            EXPECT_EQ(out.failure, Outcome::Kind::BadInput) << out.error;
            continue;
        }
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_DOUBLE_EQ(CFloat(out.result[4]), c.total);
        EXPECT_DOUBLE_EQ(CFloat(out.result[0]), c.total);
    }
}

TEST_F(OvertimeSegmentsTest, LocalTypeOneSplitsByLengthOthersByKindOfDay) {
    using V = std::vector<double>;
    struct Case {
        int localType;
        const char* end;
        int dayType;
        bool asHoliday;
        V expected;
    } cases[] = {
        {1, "2300", 0, false, {2, 2, 1, 0, 5}}, {1, "2100", 0, false, {2, 1, 0, 0, 3}},
        {1, "2000", 0, false, {2, 0, 0, 0, 2}}, {1, "1900", 0, false, {1, 0, 0, 0, 1}},
        {1, "2300", 0, true, {0, 0, 0, 5, 5}},  {0, "2100", 1, false, {3, 0, 0, 0, 3}},
        {0, "2100", 2, false, {0, 3, 0, 0, 3}}, {0, "2100", 3, false, {0, 0, 0, 3, 3}},
        {0, "2100", 0, false, {0, 0, 0, 0, 3}}, {2, "2100", 3, true, {0, 0, 0, 3, 3}},
    };
    for (const Case& c : cases) {
        session->localType = c.localType;
        EXPECT_EQ(Segments("DAY", "1800", c.end, c.dayType, c.asHoliday), c.expected)
            << "local type " << c.localType << " to " << c.end << " day type " << c.dayType;
    }
}

// ---- posting

class OvertimePostingTest : public testing::OvertimeFixture {
protected:
    void SetUp() override {
        OvertimeFixture::SetUp();
        AddLeaveCategory(*db, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
    }
    testing::Row Redeemable(const std::string& billNo, int date, double hours, int redeemType = 1) {
        testing::Row row = Overtime(billNo, "P1", date, 1800, 2100);
        row.push_back({"FieldACount", Variant(hours)});
        row.push_back({"TotalCount", Variant(hours)});
        row.push_back({"RedeemType", Variant(redeemType)});
        return row;
    }
    std::map<std::string, double> Free() {
        std::map<std::string, double> free;
        for (const auto& row : db->Query("Select BillNo, UseableRedeemCount From humOverTime").rows)
            free[CStr(row[0])] = CFloat(row[1]);
        return free;
    }
    // The balances as they stand equal those a fresh recomputation of the person gives.
    void ExpectBalancesFresh() {
        const auto before = Free();
        ASSERT_TRUE(Object("QVXHumrs.Excuse")->ExecuteProc(12, Variant("P1")).ok);
        EXPECT_EQ(before, Free());
    }
};

TEST_F(OvertimePostingTest, SavingChangingAndDeletingOvertimeKeepsCompensatoryBalancesFresh) {
    ASSERT_TRUE(SaveOvertime(Redeemable("O1", kMonday, 3)).ok);
    ASSERT_TRUE(SaveOvertime(Redeemable("O2", 20050111, 3)).ok);
    EXPECT_EQ(Free(), (std::map<std::string, double>{{"O1", 3}, {"O2", 3}}));
    ASSERT_TRUE(SaveBill("QVXHumrs.Excuse", {{{{"BillNo", Variant("L1")},
                                                {"PersonID", Variant("P1")},
                                                {"ExcuseClsID", Variant("BX")},
                                                {"BeginDate", Variant(20050113)},
                                                {"BeginTime", Variant(800)},
                                                {"EndDate", Variant(20050113)},
                                                {"EndTime", Variant(1000)},
                                                {"ExcuseCount", Variant(2.0)}}}})
                    .ok);
    EXPECT_DOUBLE_EQ(Free()["O1"], 1);
    ExpectBalancesFresh();

    // O1 is paid out after all: the leave moves to O2.
    ASSERT_TRUE(SaveOvertime(Redeemable("O1", kMonday, 3, 0)).ok);
    EXPECT_DOUBLE_EQ(Free()["O2"], 1);
    ExpectBalancesFresh();

    ASSERT_TRUE(Object(kOvertime)->Delete(Variant("O2")).ok);
    EXPECT_EQ(Count("humOverTime Where BillNo = 'O2'"), 0);
    ExpectBalancesFresh();
}

TEST_F(OvertimePostingTest, AttendanceDetailFollowsSaveAndDelete) {
    ASSERT_TRUE(SaveOvertime(Redeemable("O1", kMonday, 2.5, 0)).ok);
    EXPECT_DOUBLE_EQ(CFloat(Value("Select OverTimeHours From humAttendDetail Where PersonID = 'P1' And DetailDate = "
                                  "20050110")),
                     2.5);
    ASSERT_TRUE(Object(kOvertime)->Delete(Variant("O1")).ok);
    EXPECT_EQ(Count("humAttendDetail Where PersonID = 'P1'"), 0);
}

}  // namespace
}  // namespace humrs
