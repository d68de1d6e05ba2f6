// Saving an overtime record by date: hours that add up, each row checked in turn
// against the person's scheduled class, stored overtime and the bill's other rows,
// leave as notices, imports taken as they come, and the posting after save and delete.
#include "overtime/CoOvertimeDate.h"
#include "overtime/OvertimeFixture.h"
#include "utils/DateUtils.h"
#include "overtime/OvertimeDateMessages.h"
#include "overtime/OvertimeMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

using testing::Row;

struct Hours {
    double a = 2, b = 0, c = 0, holiday = 0, total = 2;
};

class OvertimeDateTest : public testing::OvertimeFixture {
protected:
    static constexpr const char* kByDate = "QVXHumrs.OvertimeDate";

    Row Line(const std::string& person, int date, int beginTime, int endTime, Hours h = {},
             const std::string& cls = "DAY") {
        return {{"PersonID", Variant(person)},     {"OverTimeDate", Variant(date)},   {"OverTimeClass", Variant(cls)},
                {"BeginTime", Variant(beginTime)}, {"EndTime", Variant(endTime)},     {"FieldACount", Variant(h.a)},
                {"FieldBCount", Variant(h.b)},     {"FieldCCount", Variant(h.c)},     {"HolidayCount", Variant(h.holiday)},
                {"TotalCount", Variant(h.total)}};
    }
    Outcome SaveByDate(const std::string& billNo, const std::vector<Row>& rows) {
        return SaveBill(kByDate, {{{{"BillNo", Variant(billNo)}, {"BillDate", Variant(kMonday)}}}, rows});
    }
    // The refusal naming the stored or in-bill row met (class 日班).
    static std::string Met(const std::string& label, const std::string& billNo, const std::string& date,
                           const std::string& span) {
        return "本单加班时间与以下资料有冲突: (" + label + ")加班凭单号: " + billNo + "  日期: " + date +
               "  班别: 日班  时间: " + span;
    }
};

// ---- each row in turn: its hours, class, times and the person's employment

TEST_F(OvertimeDateTest, EveryRowMustAddUpToAPositiveTotalAndBeComplete) {
    AddPerson(*db, {.personId = "Q1", .departId = "D1", .onJobDate = 20000101, .leaveJobDate = 20041231});
    struct Case {
        std::string person;
        Hours hours;
        std::string cls;
        const Message* refusal;  // (the person where it names one); null: accepted
        int beginTime = 1800;
    } cases[] = {
        {"P1", {1.5, 0.5, 0, 0, 2}, "DAY", {}},
        {"P1", {1.5, 0.5, 0, 0, 2.0001}, "DAY", {}},  // the total typed in gives way to the sum
        {"P1", {0.1, 0.2, 0, 0.7, 1}, "DAY", {}},
        {"P1", {0, 0, 0, 0, 0}, "DAY", &msg::kOvertimeDateTotalZero},
        {"P1", {-1, 0, 0, 0, -1}, "DAY", &msg::kOvertimeHoursNegative},
        {"P1", {}, "  ", &msg::kOvertimeClassEmpty},
        {"P1", {}, "DAY", &msg::kOvertimeTimesMissing, -1},
        {"Q1", {}, "DAY", &msg::kOvertimeDateOffJob},
    };
    int date = kMonday;
    for (const Case& c : cases) {
        date = AddDay(date, 1);
        // The row under test comes second: every row of the bill is checked.
        Outcome out = SaveByDate("D" + std::to_string(date),
                                 {Line("N1", date, 1800, 1900), Line(c.person, date, c.beginTime, 2000, c.hours, c.cls)});
        if (!c.refusal)
            EXPECT_TRUE(out.ok) << date << ": " << out.error;
        else if (CountPlaceholders(c.refusal->text) == 0)
            EXPECT_TRUE(Refused(out, *c.refusal)) << date;
        else
            EXPECT_TRUE(Refused(out, *c.refusal, {Variant(c.person)})) << date;
        EXPECT_EQ(Count("humOverTime Where OverTimeDate = " + std::to_string(date)), !c.refusal ? 2 : 0);
        EXPECT_EQ(Count("humOverTimeDateMain Where BillNo = 'D" + std::to_string(date) + "'"),
                  !c.refusal ? 1 : 0);
    }
}

// Hours are never negative, in whichever amount a client sends them and under every
// login, on both bills: not even when the amounts still add up to a positive total.
TEST_F(OvertimeDateTest, NegativeHoursAreRefusedOnBothBills) {
    auto with = [](Row row, const std::string& column, double hours) {
        std::erase_if(row, [&](const auto& field) { return field.first == column; });
        row.emplace_back(column, Variant(hours));
        return row;
    };
    const struct {
        const char* column;
        Hours byDate;  // the by-date row, -1 in the column
        bool typedOnTheByDateBill = true;  // its total is the sum of the hours, never typed
    } cases[] = {
        {"FieldACount", {-1, 3, 0, 0, 2}},  {"FieldBCount", {3, -1, 0, 0, 2}},
        {"FieldCCount", {3, 0, -1, 0, 2}},  {"HolidayCount", {3, 0, 0, -1, 2}},
        {"TotalCount", {}, false},          {"UseableRedeemCount", {}},
        {"NotIntoOverTimeValue", {}},
    };
    for (int loginType : {0, 5}) {
        session->loginType = loginType;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.column) + " login " + std::to_string(loginType));
            if (c.typedOnTheByDateBill)
                EXPECT_TRUE(
                    Refused(SaveByDate("D1", {with(Line("P1", kMonday, 1800, 2100, c.byDate), c.column, -1)}),
                            msg::kOvertimeHoursNegative, {Variant("P1")}));
            EXPECT_TRUE(Refused(SaveOvertime(with(Overtime("O1", "P1", kMonday, 1800, 2100), c.column, -0.5)),
                                msg::kOvertimeHoursNegative, {Variant("P1")}));
            EXPECT_EQ(Count("humOverTime"), 0);
        }
    }
}

TEST_F(OvertimeDateTest, AStoredTotalThatTheHoursDoNotMakeIsRefusedWhenTheBillIsSavedUnchanged) {
    ASSERT_TRUE(SaveByDate("D1", {Line("P1", kMonday, 1800, 2000)}).ok);
    db->Execute("Update humOverTime Set TotalCount = 2.5 Where BillNo = 'D1'");  // around the rules
    auto object = Object(kByDate);
    const BillInput headerOnly{InputDataset{{{"BillNo", Variant("D1")}, {"BillDate", Variant(kMonday)}}}, std::nullopt};
    EXPECT_TRUE(Refused(humrs::SaveBill(*object, headerOnly), msg::kOvertimeDateSegmentsNotTotal));
    // A change to the row makes the total follow its hours again.
    Row changed = Line("P1", kMonday, 1800, 2000);
    changed.emplace_back("RowNo", Variant(1));
    ASSERT_TRUE(SaveByDate("D1", {changed}).ok);
    EXPECT_DOUBLE_EQ(CFloat(Value("Select TotalCount From humOverTime Where BillNo = 'D1'")), 2);
}

TEST_F(OvertimeDateTest, TotalsSummedOnEntryPassTheSaveCheck) {
    auto object = ObjectAs<TOvertimeDate>(kByDate);
    object->MergeInput(0, {{{"BillNo", Variant("D1")}, {"BillDate", Variant(kMonday)}}});
    object->MergeInput(1, {Line("P1", kMonday, 1800, 2000, {0.1, 0.2, 0, 0.7, 0}),
                           Line("P2", kMonday, 1800, 2000, {1.5, 0.5, 0, 0, 0})});
    object->AfterChangeData(1);
    Dataset& rows = object->GetDatasets(1);
    for (rows.First(); !rows.Eof(); rows.Next()) EXPECT_NEAR(CFloat(rows["TotalCount"]), 1.0 + rows.RecNo(), 1e-9);
    Outcome out = object->Save();
    ASSERT_TRUE(out.ok) << out.error;
}

TEST_F(OvertimeDateTest, WorkingHoursAreThoseOfThePersonsClassOnTheDateNotTheRowsClass) {
    const int tuesday = 20050111, saturday = 20050115;
    SetPersonClassOnDate(*db, "P2", tuesday, "NIGHT");
    struct Case {
        const char* person;
        int date, beginTime, endTime;
        const char* rowClass;
        bool refused;
    } cases[] = {
        {"P1", kMonday, 1400, 1600, "NIGHT", true},  {"P1", saturday, 1400, 1600, "DAY", false},
        {"N1", kMonday, 2200, 2300, "DAY", true},    {"N1", kMonday, 1400, 1600, "NIGHT", false},
        {"P2", tuesday, 1400, 1600, "DAY", false},
    };
    int bill = 0;
    for (const Case& c : cases) {
        Outcome out = SaveByDate("D" + std::to_string(++bill),
                                 {Line(c.person, c.date, c.beginTime, c.endTime, {}, c.rowClass)});
        EXPECT_EQ(out.error, c.refused ? "加班时间不可设在此班别的上下班时间之间" : "") << c.person << " " << c.date;
    }
}

// ---- other overtime: stored, and the rows of the same bill

TEST_F(OvertimeDateTest, StoredOvertimeIsMetByPersonAndByDateButNotTheBillsOwnRows) {
    ASSERT_TRUE(SaveOvertime(Overtime("O1", "P1", kMonday, 1800, 2000)).ok);
    EXPECT_EQ(SaveByDate("D1", {Line("P1", kMonday, 1900, 2100)}).error,
              Met("人员别", "O1", "2005/01/10", "18:00 - 20:00"));
    ASSERT_TRUE(SaveByDate("D2", {Line("P2", kMonday, 1800, 2000)}).ok);
    EXPECT_EQ(SaveByDate("D3", {Line("P2", kMonday, 1900, 2100)}).error,
              Met("日期别", "D2", "2005/01/10", "18:00 - 20:00"));

    Row moved = Line("P2", kMonday, 1900, 2100);
    moved.emplace_back("RowNo", Variant(1));
    Outcome out = SaveByDate("D2", {moved});
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(CInt(Value("Select EndTime From humOverTime Where BillNo = 'D2'")), 2100);
}

TEST_F(OvertimeDateTest, RowsOfOneBillMeetWhenThePersonsSpansOverlap) {
    const int tuesday = 20050111;
    struct Case {
        Row first, second;
        std::string error;
    } cases[] = {
        {Line("P1", kMonday, 1800, 2000), Line("P1", kMonday, 1900, 2100),
         Met("日期别", "D1", "2005/01/10", "19:00 - 21:00")},
        {Line("P1", kMonday, 1800, 2000), Line("p1", kMonday, 1900, 2100),
         Met("日期别", "D2", "2005/01/10", "19:00 - 21:00")},
        {Line("P1", kMonday, 1800, 2000), Line("P1", tuesday, 1900, 2100), ""},
        {Line("P1", kMonday, 1800, 2000), Line("P2", kMonday, 1900, 2100), ""},
        // A span past midnight meets the next morning's, as between bills.
        {Line("P1", kMonday, 2200, 200, {4, 0, 0, 0, 4}), Line("P1", tuesday, 100, 300),
         Met("日期别", "D5", "2005/01/11", "01:00 - 03:00")},
    };
    int bill = 0;
    for (const Case& c : cases) {
        const std::string billNo = "D" + std::to_string(++bill);
        EXPECT_EQ(SaveByDate(billNo, {c.first, c.second}).error, c.error) << billNo;
        if (c.error.empty()) ASSERT_TRUE(Object(kByDate)->Delete(Variant(billNo)).ok);
    }
}

// ---- leave, imports

TEST_F(OvertimeDateTest, LeaveOverlapsAreNoticesNamingTheRowUnlessImported) {
    db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, BeginDate, BeginTime, EndDate, EndTime) "
                "Values (1, 'L1', 0, 'P1', ?, 1700, ?, 1900)",
                {Variant(kMonday), Variant(kMonday)});
    Row first = Line("P2", kMonday, 1800, 2000), second = Line("P1", kMonday, 1800, 2000);
    first.emplace_back("SerNo", Variant(1));
    second.emplace_back("SerNo", Variant(2));
    Outcome out = SaveByDate("D1", {first, second});
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "本单第(2)笔加班时间与以下请假单有冲突:请假单号：(L1) 请假人员：(P1)");
    EXPECT_EQ(out.notices[0].kind, 1);

    // Imported: hours that do not add up, over stored overtime, in working hours,
    // before the hire date all go through, silently; only a row without a person not.
    for (int mode : {0, 1}) {
        session->mergeIn = mode == 0;
        session->loginType = mode == 0 ? 0 : 5;
        const std::string billNo = "I" + std::to_string(mode);
        out = SaveByDate(billNo, {Line("P1", kMonday, 1400, 2000, {1, 0, 0, 0, 3}), Line("P2", 20021231, 1800, 2000)});
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_TRUE(out.notices.empty());
        EXPECT_EQ(Count("humOverTime Where BillNo = '" + billNo + "'"), 2);
        EXPECT_TRUE(Refused(SaveByDate("J", {Line("", kMonday, 1800, 2000)}), msg::kOvertimePersonEmpty));
    }
}

// ---- posting and field checks

TEST_F(OvertimeDateTest, SaveAndDeletePostCompensatoryHoursAndAttendanceDetails) {
    Row redeemed = Line("P1", kMonday, 1800, 2000);
    redeemed.emplace_back("RedeemType", Variant(1));
    ASSERT_TRUE(SaveByDate("D1", {redeemed, Line("P2", kMonday, 1800, 2100, {2, 1, 0, 0, 3})}).ok);
    EXPECT_EQ(Count("humOverTime Where Flag = 3 And BillDate = 20050110"), 2);
    EXPECT_DOUBLE_EQ(CFloat(Value("Select UseableRedeemCount From humOverTime Where PersonID = 'P1'")), 2);
    EXPECT_DOUBLE_EQ(CFloat(Value("Select OverTimeHours From humAttendDetail Where PersonID = 'P2' "
                                  "And DetailDate = 20050110")),
                     3);

    ASSERT_TRUE(Object(kByDate)->Delete(Variant("D1")).ok);
    EXPECT_EQ(Count("humOverTime") + Count("humOverTimeDateMain") + Count("humAttendDetail"), 0);
}

TEST_F(OvertimeDateTest, ClassLookedUpForAPersonNotOnTheJobIsRefused) {
    auto check = [&](VariantArray values) {
        return Object(kByDate)->CheckFieldValues(1, {Variant("OvertimeClass")}, values);
    };
    EXPECT_TRUE(Refused(check({"DAY", "P2", 20021231}), msg::kOvertimePersonOffJob, {Variant("P2")}));
    EXPECT_TRUE(Refused(check({"DAY", "", kMonday}), msg::kOvertimePersonFirst));
    Outcome out = check({"DAY", "P2", kMonday});
    EXPECT_TRUE(out.ok && out.notices.empty());
}

}  // namespace
}  // namespace humrs
