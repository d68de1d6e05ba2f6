// Faults of the framework met by a new user: empty keys, bill numbering past long
// stored numbers, and amounts that lose digits.
#include "support/Fixture.h"

#include <tuple>

namespace humrs {
namespace {

using testing::Row;

class FrameworkFaultsTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddDepartment(*db, "D1", "生产部");
        AddPerson(*db, {.personId = "P1", .departId = "D1", .onJobDate = 20000310});
        AddLeaveCategory(*db, {.excuseClsId = "PT", .excuseClsName = "婚假"});
    }
    static bool IsBadInput(const Outcome& out) { return !out.ok && out.failure == Outcome::Kind::BadInput; }
    // A leave row of P1 already stored under `billNo` (no times, so it meets no other).
    void StoreLeaveNumber(const std::string& billNo) {
        db->Execute(
            "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, EndDate, ExcuseCount) "
            "Values (1, ?, 0, 'P1', 'PT', 20040101, 20040101, 1)",
            {Variant(billNo)});
    }
    Outcome SaveUnnumberedLeave() {
        return SaveBill("QVXHumrs.Excuse", {{{{"PersonID", "P1"},
                                              {"ExcuseClsID", "PT"},
                                              {"BeginDate", 20050110},
                                              {"BeginTime", 800},
                                              {"EndDate", 20050110},
                                              {"EndTime", 1200},
                                              {"ExcuseCount", 4.0}}}});
    }
};

// ---- 12. an empty or blank key is no key

TEST_F(FrameworkFaultsTest, EmptyOrBlankKeyIsBadInput) {
    for (const char* key : {"", "   "}) {
        SCOPED_TRACE(std::string("key '") + key + "'");
        Outcome out = SaveBill("QVXHumrs.ExcuseCls", {{{{"ExcuseClsID", key}, {"ExcuseUnit", 0.5}}}});
        EXPECT_TRUE(IsBadInput(out)) << out.error;
    }
    EXPECT_EQ(Count("humExcuseCls"), 1);
}

// ---- 13. numbering never hands out a stored number

TEST_F(FrameworkFaultsTest, NumberingCountsOnPastNumericSuffixesOfAnyLength) {
    struct Case {
        std::vector<std::string> stored;
        std::string expected;
    };
    const Case cases[] = {
        {{"20050115" + std::string(15, '9'), "200501151" + std::string(15, '0')}, "200501151" + std::string(14, '0') + "1"},
        {{"20050115" + std::string(25, '0') + "7"}, "200501150008"},
        {{"200501150003", "2005011500003"}, "200501150004"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        SetUp();
        for (const auto& no : c.stored) StoreLeaveNumber(no);
        Outcome out = SaveUnnumberedLeave();
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(CStr(Value("Select BillNo From humExcuse Where BeginDate = 20050110")), c.expected);
    }
}

// One sequence per date across every bill table: a leave bill is never handed the
// number another kind of bill already carries.
TEST_F(FrameworkFaultsTest, NumberingIsOneSequenceAcrossEveryBillKind) {
    const std::pair<const char*, const char*> storedBy[] = {
        {"humOverTime", "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID) Values (1, '200501150007', 0, 'P1')"},
        {"HumSubsidyCut", "Insert Into HumSubsidyCut (Flag, BillNo, RowNo, PersonID) Values (1, '200501150007', 0, 'P1')"},
        {"humChangeSalaryMain", "Insert Into humChangeSalaryMain (BillNo) Values ('200501150007')"},
        {"humSalaryMain", "Insert Into humSalaryMain (Flag, BillNo, RowNo) Values (1, '200501150007', 0)"},
    };
    for (const auto& [table, insert] : storedBy) {
        SCOPED_TRACE(table);
        SetUp();
        StoreLeaveNumber("200501150003");
        db->Execute(insert);
        Outcome out = SaveUnnumberedLeave();
        ASSERT_TRUE(out.ok) << out.error;
        EXPECT_EQ(CStr(Value("Select BillNo From humExcuse Where BeginDate = 20050110")), "200501150008");
    }
}

TEST_F(FrameworkFaultsTest, NumberThatCannotBeMadeIsRefused) {
    StoreLeaveNumber("20050115" + std::string(32, '9'));  // the next one would be 41 characters long
    EXPECT_TRUE(IsBadInput(SaveUnnumberedLeave()));
    EXPECT_EQ(Count("humExcuse"), 1);
}

// ---- 14. money keeps its digits

TEST_F(FrameworkFaultsTest, RoundingIsDecimalAtEveryMagnitude) {
    const std::tuple<double, int, double> cases[] = {
        {2.675, 2, 2.68},
        {-2.675, 2, -2.68},
        {50000000000.1234, 4, 50000000000.1234},
        {99999999999.99995, 4, 100000000000.0},
        {12345678901.23456, 4, 12345678901.2346},
        {0.00005, 4, 0.0001},
        {0.00004, 4, 0.0},
    };
    for (const auto& [x, decimals, expected] : cases) {
        SCOPED_TRACE(x);
        EXPECT_EQ(RoundValue(x, decimals), expected);
    }
}

TEST_F(FrameworkFaultsTest, AmountsAreStoredExactlyOrRefused) {
    auto category = [](const std::string& id, Currency amount) {
        return Row{{"ExcuseClsID", id}, {"ExcuseUnit", 0.5}, {"CutNoLeave", true}, {"NoLeaveAccount", amount}};
    };
    ASSERT_TRUE(SaveBill("QVXHumrs.ExcuseCls", {{category("K1", Currency::FromUnits(999999999999999))}}).ok);
    EXPECT_EQ(CCurr(Value("Select NoLeaveAccount From humExcuseCls Where ExcuseClsID = 'K1'")).ToString(),
              "99999999999.9999");
    for (int64_t units : {int64_t{1234567890123456789}, int64_t{1000000000000000}, -int64_t{1000000000000000}}) {
        SCOPED_TRACE(units);
        EXPECT_TRUE(IsBadInput(SaveBill("QVXHumrs.ExcuseCls", {{category("K2", Currency::FromUnits(units))}})));
    }
    EXPECT_EQ(Count("humExcuseCls Where ExcuseClsID = 'K2'"), 0);
}

// The report hooks run when an object is made: the names and links a report of the
// bill uses are there to ask for.
TEST_F(FrameworkFaultsTest, ReportNamesAndLinksAreDefinedWhenTheObjectIsMade) {
    EXPECT_EQ(Object("QVXHumrs.ChangeInsurance")->ReportNames(),
              (std::vector<std::string>{"Humrs_ChangeInsuranceTC", "Humrs_ChangeInsurance"}));
    EXPECT_EQ(Object("QVXHumrs.ChangeSalary")->BodyRelates(),
              (std::vector<std::string>{"BillNO=BIllNO", "BillNO;ParentRowNO=BIllNO;RowNO"}));
    EXPECT_TRUE(Object("QVXHumrs.Excuse")->ReportNames().empty());
}

}  // namespace
}  // namespace humrs
