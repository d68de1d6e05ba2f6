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

}  // namespace
}  // namespace humrs
