// Saving an overtime category: a monthly limit and its salary item go together; the
// printed report follows the installation's local type.
#include "support/Fixture.h"
#include "overtime/OverTimeClsMessages.h"
#include "support/Refusals.h"

namespace humrs {
namespace {

using testing::Refused;

class OverTimeClsTest : public testing::HumrsFixture {};

TEST_F(OverTimeClsTest, MonthlyLimitAndSalaryItemGoTogether) {
    const struct {
        double overMonth;
        const char* salaryItem;
        bool saved;
    } cases[] = {
        {0, "", true},       {20, "S11", true},  {0.5, "S11", true},
        {-5, "S11", false},  {0, "S11", false},  {20, "", false},
        // An item of blanks is filled in: it goes with a limit and not without one.
        {20, "   ", true},   {0, "  ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.overMonth) + " '" + c.salaryItem + "'");
        db->Execute("Delete From humOverTimeCls");
        Outcome out = SaveBill("QVXHumrs.OvertimeCls", {{{{"OTClsID", Variant("OT1")},
                                                          {"OTClsName", Variant("生产加班")},
                                                          {"OverMonth", Variant(c.overMonth)},
                                                          {"OverSalaryID", Variant(c.salaryItem)}}}});
        EXPECT_EQ(out.ok, c.saved);
        EXPECT_EQ(Count("humOverTimeCls"), c.saved ? 1 : 0);
        if (!c.saved) {
            EXPECT_TRUE(Refused(out, msg::kOverTimeClsHandlingIncomplete));
        }
    }
}

TEST_F(OverTimeClsTest, ReportModelFollowsTheLocalType) {
    for (auto [localType, model] : {std::pair{0, "Humrs_OvertimeClsSC"}, {1, "Humrs_OvertimeClsTC"},
                                    {2, "Humrs_OvertimeClsTC"}}) {
        session->localType = localType;
        EXPECT_EQ(Object("QVXHumrs.OvertimeCls")->ReportModelName(), model) << "local type " << localType;
    }
}

}  // namespace
}  // namespace humrs
