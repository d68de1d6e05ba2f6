// The overtime reconciliation: the range of stored overtime, the monthly statistics
// against the categories' limits, and the attendance check and elimination it hands
// to the suite's attendance objects.
#include <list>
#include <sstream>

#include "support/Fixture.h"

namespace humrs {
namespace {

constexpr const char* kFactory = "QVXHumrs.HumCheckFactory";

// P1 and P4 are in overtime pay under LIM (10 hours a month); P2 is in overtime pay
// under NOLIM (no limit); P3 is under LIM but not in overtime pay.
class HumCheckFactoryTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        for (const char* person : {"P1", "P2", "P3", "P4"}) AddPerson(*db, {.personId = person});
        db->Execute("Insert Into humOverTimeCls (OTClsID, OverMonth, OverSalaryID) Values ('LIM', 10, 'S1'), "
                    "('NOLIM', 0, '')");
        db->Execute("Insert Into humPersonSetMain (Flag, ID, OverTime, OverTimeClass) Values (1, 'P1', 1, 'LIM'), "
                    "(1, 'P2', 1, 'NOLIM'), (1, 'P3', 0, 'LIM'), (1, 'P4', 1, 'LIM')");
    }

    // A stored overtime row: paid hours a, b, c and holiday; redeemType 1 is taken
    // as compensatory leave.
    void Overtime(int flag, const std::string& billNo, int rowNo, const std::string& person, int date, double a,
                  double b, double c, double holiday, int redeemType = 0, double eliminated = 0) {
        db->Execute("Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, "
                    "FieldACount, FieldBCount, FieldCCount, HolidayCount, RedeemType, NotIntoOverTimeValue) "
                    "Values (?, ?, ?, ?, ?, 1800, 2000, ?, ?, ?, ?, ?, ?)",
                    {Variant(flag), Variant(billNo), Variant(rowNo), Variant(person), Variant(date), Variant(a),
                     Variant(b), Variant(c), Variant(holiday), Variant(redeemType), Variant(eliminated)});
    }

    Outcome Proc(int procNo, const Variant& arg1 = Variant(), const Variant& arg2 = Variant()) {
        return Object(kFactory)->ExecuteProc(procNo, arg1, arg2);
    }

    // The statistics as "person month limit hours eliminated" lines.
    std::string Statistics(const std::string& condition1, const std::string& condition2) {
        Outcome out = Proc(1, Variant(condition1), Variant(condition2));
        EXPECT_TRUE(out.ok) << out.error;
        Dataset rows = Dataset::FromPacket(out.result);
        std::ostringstream text;
        for (rows.First(); !rows.Eof(); rows.Next())
            text << CStr(rows["PersonID"]) << " " << CInt(rows["OverTimeYearMonth"]) << " "
                 << CFloat(rows["OverMonth"]) << " " << CFloat(rows["OverTimeCountAll"]) << " "
                 << CFloat(rows["EliminateCountAll"]) << "\n";
        return text.str();
    }
};

TEST_F(HumCheckFactoryTest, RangeOfStoredOvertime) {
    Outcome out = Proc(0);
    ASSERT_TRUE(out.ok) << out.error;
    std::vector<std::string> range;
    for (size_t i = 0; i < 4; ++i) range.push_back(CStr(out.result[i]));
    EXPECT_EQ(range, (std::vector<std::string>{"0", "0", "", ""}));

    Overtime(3, "D1", 1, "P2", 20050103, 2, 0, 0, 0);
    Overtime(1, "O1", 0, "P1", 20050210, 2, 0, 0, 0, 1);
    out = Proc(0);
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(CInt(out.result[0]), 20050103);
    EXPECT_EQ(CInt(out.result[1]), 20050210);
    EXPECT_EQ(CStr(out.result[2]), "P1");
    EXPECT_EQ(CStr(out.result[3]), "P2");
}

TEST_F(HumCheckFactoryTest, StatisticsAddUpPaidOvertimePerPersonAndMonthAgainstTheLimit) {
    // P1's January over two bills by person and one by date, part of it eliminated;
    // the hours taken as compensatory leave do not count.
    Overtime(1, "O1", 0, "P1", 20050105, 2, 1, 0, 0);
    Overtime(1, "O2", 0, "P1", 20050112, 2, 2, 1, 0, 0, 1.5);
    Overtime(3, "D1", 1, "P1", 20050101, 0, 0, 0, 3);
    Overtime(3, "D1", 2, "P4", 20050101, 2, 0, 0, 0);
    Overtime(1, "O3", 0, "P1", 20050120, 2, 0, 0, 0, 1);
    Overtime(1, "O4", 0, "P1", 20050201, 1, 0, 0, 0);
    // However many hours, a category without a limit or a person outside overtime pay
    // is never listed.
    Overtime(1, "O5", 0, "P2", 20050110, 2, 2, 40, 8);
    Overtime(1, "O6", 0, "P3", 20050110, 2, 2, 40, 8);

    EXPECT_EQ(Statistics("", ""),
              "P1 200501 10 11 1.5\n"
              "P4 200501 10 2 0\n"
              "P1 200502 10 1 0\n");
    // Both conditions narrow the rows.
    EXPECT_EQ(Statistics("B.OverTimeDate>=20050101", "B.OverTimeDate<=20050131"),
              "P1 200501 10 11 1.5\n"
              "P4 200501 10 2 0\n");
    EXPECT_EQ(Statistics("B.OverTimeDate<=20050131", "A.PersonID='P4'"), "P4 200501 10 2 0\n");
}

TEST_F(HumCheckFactoryTest, ConditionCannotCarryASecondStatement) {
    Overtime(1, "O1", 0, "P1", 20050105, 2, 1, 0, 0);
    const std::pair<const char*, const char*> attempts[] = {
        {"1=1; Delete From humOverTime", ""},
        {"", "1=1 Delete From humOverTime"},
        {"B.OverTimeDate>0", "1=1; Drop Table humOverTime --"},
    };
    for (auto [condition1, condition2] : attempts) {
        SCOPED_TRACE(std::string(condition1) + " | " + condition2);
        Outcome out = Proc(1, Variant(condition1), Variant(condition2));
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.failure, Outcome::Kind::BadInput);
        EXPECT_EQ(Count("humOverTime"), 1);
    }
}

// An attendance check of the suite that answers procedure 11 with a given text.
class AttendCheckStub : public TQVXComBase {
public:
    AttendCheckStub(std::string answer, Variant* request) : answer_(std::move(answer)), request_(request) {}
    void DoExecuteProc(int procNo, const Variant& arg1, const Variant& arg2, Variant& result) override {
        if (procNo != 11) return;
        *request_ = arg1;
        EXPECT_TRUE(arg2.IsNull());
        result = Variant(answer_);
    }

private:
    std::string answer_;
    Variant* request_;
};

TEST_F(HumCheckFactoryTest, EveryMismatchIsANoticeFollowedByTheirCount) {
    const struct {
        const char* answer;
        bool agrees;
        std::vector<std::string> notices;
    } cases[] = {
        {"", true, {}},
        {"P1加班不一致", false, {"P1加班不一致", "共有1条记录所填加班资料与考勤资料不一致，请先调整后才能继续剔除！"}},
        // A separator after each description leaves an empty last piece, and it is counted.
        {"P1加班不一致,P2加班不一致,",
         false,
         {"P1加班不一致", "P2加班不一致", "共有3条记录所填加班资料与考勤资料不一致，请先调整后才能继续剔除！"}},
    };
    std::list<ClassRegistry> registries;  // each outlives the calls made through it
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        Variant request;
        std::vector<ClassDescriptor> classes = ComponentRegistry().Classes();
        for (ClassDescriptor& d : classes)
            if (d.progId == "QvxHumrs.ChkAttend") {
                d.create = [&] { return std::make_unique<AttendCheckStub>(c.answer, &request); };
                d.procedures.clear();  // the stub answers through DoExecuteProc
            }
        session->registry = &registries.emplace_back(std::move(classes));

        const Variant month(VariantArray{Variant(200501), Variant("P1"), Variant("P2")});
        Outcome out = Proc(3, month);
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(CBool(out.result), c.agrees);
        EXPECT_TRUE(request.SameValue(month)) << request.Describe();
        ASSERT_EQ(out.notices.size(), c.notices.size());
        for (size_t i = 0; i < c.notices.size(); ++i) {
            EXPECT_EQ(out.notices[i].text, c.notices[i]);
            // The descriptions are warnings, the count is information.
            EXPECT_EQ(out.notices[i].kind, i + 1 < c.notices.size() ? 1 : 0);
        }
    }
}

TEST_F(HumCheckFactoryTest, AttendanceCheckThenEliminationAndItsTakingBack) {
    Overtime(1, "O1", 0, "P1", 20050105, 2, 2, 2, 0);
    Overtime(1, "O2", 0, "P1", 20050112, 2, 2, 0, 0);
    db->Execute("Insert Into humChkAttendMain (PersonID, CheckDate, OnTime, OffTime) Values "
                "('P1', 20050105, 800, 2030)");

    Outcome out = Proc(3, Variant(200501));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_FALSE(CBool(out.result));
    ASSERT_EQ(out.notices.size(), 2u);
    EXPECT_EQ(out.notices[1].text, "共有1条记录所填加班资料与考勤资料不一致，请先调整后才能继续剔除！");

    db->Execute("Insert Into humChkAttendMain (PersonID, CheckDate, OnTime, OffTime) Values "
                "('P1', 20050112, 800, 2030)");
    out = Proc(3, Variant(200501));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(CBool(out.result));
    EXPECT_TRUE(out.notices.empty());

    // 14 hours against a limit of 10: the 4 above it are eliminated.
    Overtime(1, "O3", 0, "P1", 20050101, 0, 0, 0, 4);
    out = Proc(4, Variant(200501));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(CBool(out.result));
    EXPECT_EQ(Statistics("", ""), "P1 200501 10 14 4\n");

    out = Proc(2, Variant(200501));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(out.result.IsNullOrEmpty());
    EXPECT_EQ(Statistics("", ""), "P1 200501 10 14 0\n");

    // The request is what the attendance objects work on: none is bad input.
    EXPECT_EQ(Proc(4).failure, Outcome::Kind::BadInput);
}

}  // namespace
}  // namespace humrs
