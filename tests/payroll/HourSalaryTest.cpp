// The hourly wage bill: its rows against other bills' rows of the same person and
// day, the attendance records its rows take over and free, the attendance detail,
// the list of hourly-paid persons and the defaults of a new bill.
#include "support/Fixture.h"

namespace humrs {
namespace {

constexpr const char* kHourSalary = "QVXHumrs.HourSalary";
constexpr int kDay = 20050110;

class HourSalaryTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddPerson(*db, {.personId = "P1", .onJobDate = 20040101});
        AddPerson(*db, {.personId = "P2", .onJobDate = 20040101});
        AddPerson(*db, {.personId = "P3", .onJobDate = 20030101, .leaveJobDate = 20041231});
        AddPerson(*db, {.personId = "P4", .onJobDate = 20040101});
        for (const char* p : {"P1", "P2", "P3"}) Settings(p, 2);
        Settings("P4", 1);
        for (const char* p : {"P1", "P2"})
            for (int date : {kDay, kDay + 1})
                db->Execute("Insert Into humChkAttendMain (PersonID, CheckDate) Values (?, ?)",
                            {Variant(p), Variant(date)});
    }

    void Settings(const std::string& person, int salaryMode) {
        db->Execute("Insert Into humPersonSetMain (Flag, ID, SalaryMode) Values (1, ?, ?)",
                    {Variant(person), Variant(salaryMode)});
    }

    static testing::Row HourRow(int serNo, const std::string& person, int date, int begin, int end,
                                bool takenOver = false) {
        return {{"SerNo", serNo},   {"PersonID", person}, {"WorkDate", date},
                {"BeginTime", begin}, {"EndTime", end},   {"bTranFrom", takenOver}};
    }
    Outcome SaveHours(const std::string& billNo, const std::vector<testing::Row>& rows) {
        const std::vector<testing::Row> header = {testing::Row{{"BillNo", Variant(billNo)}}};
        return SaveBill(kHourSalary, {header, rows});
    }
    // "HourTransfered/HasHourBill/HourDetail" of an attendance record.
    std::string Attendance(const std::string& person, int date) {
        auto row = db->QueryFirst(
            "Select HourTransfered, HasHourBill, HourDetail From humChkAttendMain Where PersonID = ? And CheckDate = ?",
            {Variant(person), Variant(date)});
        return std::to_string(CInt((*row)[0])) + "/" + std::to_string(CInt((*row)[1])) + "/" + CStr((*row)[2]);
    }
    double HourWork(const std::string& person, int date) {
        return CFloat(Value("Select HourWorkHours From humAttendDetail Where PersonID = '" + person +
                            "' And DetailDate = " + std::to_string(date)));
    }
};

// ---- the rows' checks

TEST_F(HourSalaryTest, RowIsCheckedAgainstOtherBillsOfThePersonAndDayOnly) {
    ASSERT_TRUE(SaveHours("H1", {HourRow(1, "P1", kDay, 800, 1200)}).ok);
    const std::string conflict = "栏号7的记录和单据编号为H1(开始时间:800结束时间:1200)相冲突";
    struct Case {
        const char* what;
        std::vector<testing::Row> rows;
        std::string error;
    } cases[] = {
        {"overlapping H1", {HourRow(7, "P1", kDay, 1100, 1500)}, conflict},
        {"inside H1", {HourRow(7, "P1", kDay, 900, 1000)}, conflict},
        {"from midnight into H1", {HourRow(7, "P1", kDay, 0, 900)}, conflict},
        {"starting where H1 ends", {HourRow(7, "P1", kDay, 1200, 1300)}, ""},
        {"another person", {HourRow(7, "P2", kDay, 900, 1000)}, ""},
        {"the next day", {HourRow(7, "P1", kDay + 1, 900, 1000)}, ""},
        {"midnight begin", {HourRow(7, "P1", kDay, 0, 700)}, ""},
        {"no begin time", {HourRow(7, "P1", kDay, -1, 700)}, "请填写栏号7的记录的上班开始时间"},
        {"no end time", {HourRow(7, "P1", kDay, 1300, -1)}, "请填写栏号7的记录的上班结束时间"},
        // Any negative time reads as not filled in, whatever the number.
        {"begin -5", {HourRow(7, "P1", kDay, -5, 700)}, "请填写栏号7的记录的上班开始时间"},
        {"end far below zero", {HourRow(7, "P1", kDay, 1300, -2400)}, "请填写栏号7的记录的上班结束时间"},
        {"times left out", {testing::Row{{"SerNo", 7}, {"PersonID", "P1"}, {"WorkDate", kDay}}}, "请填写栏号7的记录的上班开始时间"},
        {"off the job", {HourRow(7, "P3", kDay, 900, 1000)}, "P3人员在2005/01/10不在职"},
        {"no person", {HourRow(7, "", kDay, 900, 1000)}, "人员编号不能为空"},
        {"rows of one bill overlapping each other",
         {HourRow(1, "P1", kDay, 1300, 1700), HourRow(2, "P1", kDay, 1400, 1800)}, ""},
        {"the first failing row wins",
         {HourRow(1, "P1", kDay, 1300, 1700, true), HourRow(9, "P1", kDay, 1000, 1400, true)},
         "栏号9的记录和单据编号为H1(开始时间:800结束时间:1200)相冲突"},
    };
    for (const Case& c : cases) {
        Outcome out = SaveHours("H2", c.rows);
        EXPECT_EQ(out.error, c.error) << c.what;
        EXPECT_EQ(Count("HumHourSalarySub Where BillNo = 'H2'"), c.error.empty() ? (int)c.rows.size() : 0) << c.what;
        // A refused bill takes over no attendance record.
        EXPECT_EQ(Count("humChkAttendMain Where HourTransfered = 1"), 0) << c.what;
        db->Execute("Delete From HumHourSalarySub Where BillNo = 'H2'");
        db->Execute("Delete From HumHourSalaryMain Where BillNo = 'H2'");
    }
    // A time of day that does not exist is bad input.
    EXPECT_EQ(SaveHours("H2", {HourRow(1, "P1", kDay, 1360, 1400)}).failure, Outcome::Kind::BadInput);
    // The stored bill saved again is not in conflict with itself.
    EXPECT_TRUE(SaveHours("H1", {HourRow(1, "P1", kDay, 830, 1200)}).ok);
}

// ---- attendance records

TEST_F(HourSalaryTest, TakenOverRowsMarkTheirRecordsAndOnlyThoseAreFreed) {
    // P2's record of the first day is held by a bill of the attendance side itself.
    db->Execute("Update humChkAttendMain Set HourTransfered = 1, HasHourBill = 1, HourDetail = 'X' Where "
                "PersonID = 'P2' And CheckDate = ?",
                {Variant(kDay)});
    ASSERT_TRUE(SaveHours("H1", {HourRow(1, "P1", kDay, 800, 1200, true), HourRow(2, "P1", kDay + 1, 800, 1200, true),
                                 HourRow(3, "P2", kDay, 800, 1700, false)})
                    .ok);
    EXPECT_EQ(Attendance("P1", kDay), "1/1/1:H1#1");
    EXPECT_EQ(Attendance("P1", kDay + 1), "1/1/1:H1#2");
    EXPECT_EQ(Attendance("P2", kDay + 1), "0/0/");
    EXPECT_DOUBLE_EQ(HourWork("P1", kDay), 4);
    EXPECT_DOUBLE_EQ(HourWork("P2", kDay), 9);

    ASSERT_TRUE(Object(kHourSalary)->Delete(Variant("H1")).ok);
    EXPECT_EQ(Attendance("P1", kDay), "0/0/");
    EXPECT_EQ(Attendance("P1", kDay + 1), "0/0/");
    EXPECT_EQ(Attendance("P2", kDay), "1/1/X");
    EXPECT_EQ(Count("humAttendDetail"), 0);
}

TEST_F(HourSalaryTest, RowsDroppedOrMovedByAnEditFreeTheirRecords) {
    ASSERT_TRUE(SaveHours("H1", {HourRow(1, "P1", kDay, 800, 1200, true), HourRow(2, "P1", kDay + 1, 800, 1200, true),
                                 HourRow(3, "P2", kDay, 800, 1200, true)})
                    .ok);
    // Row 1 stays, row 2 goes, row 3 moves to the next day.
    testing::Row moved = HourRow(3, "P2", kDay + 1, 800, 1200, true);
    moved.emplace_back("RowNo", 3);
    testing::Row kept = HourRow(1, "P1", kDay, 800, 1200, true);
    kept.emplace_back("RowNo", 1);
    ASSERT_TRUE(SaveHours("H1", {kept, moved}).ok);
    EXPECT_EQ(Attendance("P1", kDay), "1/1/1:H1#1");
    EXPECT_EQ(Attendance("P1", kDay + 1), "0/0/");
    EXPECT_EQ(Attendance("P2", kDay), "0/0/");
    EXPECT_EQ(Attendance("P2", kDay + 1), "1/1/1:H1#3");

    // A bill left without rows frees its records and its hours leave the detail.
    ASSERT_TRUE(SaveHours("H1", {}).ok);
    EXPECT_EQ(Count("humChkAttendMain Where HourTransfered = 1 Or HasHourBill = 1"), 0);
    EXPECT_EQ(Count("humAttendDetail"), 0);
}

// ---- hourly-paid persons and a new bill's defaults

TEST_F(HourSalaryTest, HourlyPaidPersonsOnTheJobWithinTheRange) {
    struct Case {
        const char* first;
        const char* last;
        int begin, end;
        bool quoted;
        const char* expected;
    } cases[] = {
        {"P1", "P9", 20050101, 20050131, false, "P1,P2"},     // P3 has left, P4 is paid by the month
        {"P1", "P9", 20050101, 20050131, true, "'P1','P2'"},
        {"P2", "P9", 20050101, 20050131, false, "P2"},
        {"P1", "P9", 20041201, 20050131, false, "P1,P2,P3"},  // P3 on the job in December
        {"P1", "P9", 20030101, 20030131, true, "'P3'"},       // only P3 was on the job in 2003
        {"P1", "P9", 20020101, 20020131, true, ""},           // nobody on the job
    };
    for (const Case& c : cases) {
        Outcome out = Object(kHourSalary)->ExecuteProc(
            0, Variant(VariantArray{c.first, c.last, c.begin, c.end, c.quoted}));
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(CStr(out.result), c.expected) << c.first << " " << c.begin;
    }
    // A text past the person range is compared as a text, never run as SQL.
    Outcome hostile = Object(kHourSalary)->ExecuteProc(
        0, Variant(VariantArray{"P1", "P9') Or (1=1", 20050101, 20050131, false}));
    EXPECT_EQ(CStr(hostile.result), "P1,P2");
    EXPECT_EQ(Object(kHourSalary)->ExecuteProc(0, Variant(VariantArray{"P1", "P9", 20051332, 20050131})).failure,
              Outcome::Kind::BadInput);
}

TEST_F(HourSalaryTest, NewBillProposesTheHourlyPaidRangeAndTheTimeNow) {
    auto object = Object(kHourSalary);
    ASSERT_TRUE(object->AddNew().ok);
    Dataset& header = object->GetDatasets(0);
    EXPECT_EQ(CStr(header["CondBPersonID"]), "P1");
    EXPECT_EQ(CStr(header["CondEPersonID"]), "P2");
    const std::string time = CStr(header["CondBWorkTime"]);
    EXPECT_EQ(time.size(), 4u);
    EXPECT_LT(std::stoi(time), 2400);
    EXPECT_EQ(CStr(header["CondERestTime"]), time);

    session->serverDate = 20020101;  // nobody on the job
    ASSERT_TRUE(object->AddNew().ok);
    EXPECT_TRUE(object->GetDatasets(0)["CondBPersonID"].IsNullOrEmpty());
}

TEST_F(HourSalaryTest, FieldChecksNameThePersonOffTheJob) {
    struct Case {
        int dataset;
        const char* field;
        VariantArray values;
        std::string error;
    } cases[] = {
        {0, "condbpersonid", {"P3", 20050101, 20050131}, "P3人员不在职"},
        {0, "CondEPersonID", {"P3", 20041201, 20050131}, ""},
        {0, "CondBPersonID", {"", 20050101, 20050131}, "人员编号不能为空"},
        {1, "PersonID", {"P1", kDay}, ""},
        {1, "PersonID", {"P3", kDay}, "P3人员不在职"},
        {1, "PersonID", {"", kDay}, "人员编号不能为空"},
        {1, "ClassID", {"D", "P3", kDay}, "P3人员不在职"},
        {1, "ClassID", {"D", "", kDay}, "请先确认人员编号"},
        {1, "WorkDate", {kDay, ""}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Object(kHourSalary)->CheckFieldValues(c.dataset, {Variant(c.field)}, c.values).error, c.error)
            << c.field;
}

}  // namespace
}  // namespace humrs
