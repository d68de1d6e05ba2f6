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

TEST_F(FrameworkFaultsTest, NumberThatCannotBeMadeIsRefused) {
    StoreLeaveNumber("20050115" + std::string(32, '9'));  // the next one would be 41 characters long
    EXPECT_TRUE(IsBadInput(SaveUnnumberedLeave()));
    EXPECT_EQ(Count("humExcuse"), 1);
}

}  // namespace
}  // namespace humrs
