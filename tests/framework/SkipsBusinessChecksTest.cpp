// A bill that comes in from outside (an import under login type 5, or a merge-in)
// skips the business checks; every other login checks them. The answer follows the
// session as it stands when a hook asks, not as it stood when the object was made.
#include "support/Fixture.h"

namespace humrs {
namespace {

using SkipsBusinessChecksTest = testing::HumrsFixture;

TEST_F(SkipsBusinessChecksTest, OnlyAnImportOrAMergeInSkipsTheChecks) {
    struct Case {
        int loginType;
        bool mergeIn;
        bool skips;
    };
    const Case cases[] = {
        {0, false, false}, {1, false, false}, {4, false, false}, {6, false, false},
        {5, false, true},  {0, true, true},   {5, true, true},
    };
    auto object = Object("QVXHumrs.Excuse");
    for (const Case& c : cases) {
        SCOPED_TRACE("login " + std::to_string(c.loginType) + (c.mergeIn ? ", merging in" : ""));
        session->loginType = c.loginType;
        session->mergeIn = c.mergeIn;
        EXPECT_EQ(object->SkipsBusinessChecks(), c.skips);
    }
}

}  // namespace
}  // namespace humrs
