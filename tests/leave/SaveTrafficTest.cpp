// What a personal-leave save costs the database: a person's number is a value bound
// to the statements, not part of them, so the save of one person after another's
// prepares nothing new, and a save of the same kind costs the same round trips.
#include <gtest/gtest.h>

#include "leave/LeaveFixture.h"

namespace humrs::testing {
namespace {

class SaveTrafficTest : public LeaveFixture {};

TEST_F(SaveTrafficTest, ASecondPersonsSavePreparesNothingNew) {
    SetParam(*db, "AllowAffairLeaveYear", "1");
    SetParam(*db, "HumMaxPrivateExCount", "40");
    struct Save {
        const char* billNo;
        const char* person;
        int date;
    };
    // The first save prepares what a personal-leave save needs; the next persons' use it.
    const Save saves[] = {{"L1", "P1", 20050110}, {"L2", "P2", 20050111}, {"L3", "N1", 20050112},
                          {"L4", "P1", 20050113}};
    std::vector<Database::Traffic> used;
    for (const Save& s : saves) {
        SCOPED_TRACE(s.billNo);
        const Database::Traffic before = db->Sent();
        ASSERT_TRUE(SaveLeave(Leave(s.billNo, s.person, "SJ", s.date, 900, s.date, 1100, 2)).ok);
        const Database::Traffic& after = db->Sent();
        used.push_back({after.statements - before.statements, after.prepares - before.prepares,
                        after.roundTrips - before.roundTrips});
    }
    EXPECT_GT(used[0].prepares, 0u);
    for (size_t i = 1; i < used.size(); ++i) {
        SCOPED_TRACE(saves[i].billNo);
        EXPECT_EQ(used[i].prepares, 0u);
    }
    // Two persons of the day shift: the same statements, the same round trips.
    EXPECT_EQ(used[3].roundTrips, used[1].roundTrips);
}

}  // namespace
}  // namespace humrs::testing
