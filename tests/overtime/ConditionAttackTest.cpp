// The reconciliation screen's conditions, sent by anyone who holds the client token:
// whatever is written into them, the monthly statistics read the overtime tables and
// nothing else, and run nothing but their one statement.
#include <chrono>

#include "support/Fixture.h"

namespace humrs {
namespace {

constexpr const char* kFactory = "QVXHumrs.HumCheckFactory";

class ConditionAttackTest : public testing::HumrsFixture {
protected:
    void SetUp() override {
        HumrsFixture::SetUp();
        AddPerson(*db, {.personId = "P1"});
        db->Execute("Insert Into humPersonSetAccount (Flag, ID, PayBankID, PayAccount) Values (1, 'P1', 'BK', "
                    "'6222-SECRET')");
    }
};

TEST_F(ConditionAttackTest, StatisticsConditionsThatReadOrRunAnythingElseAreBadInput) {
    const std::pair<const char*, const char*> attacks[] = {
        {"1=0 Group By A.PersonID,A.PersonName,B.OverTimeDate/100,D.OverMonth Union Select ID, PayAccount, "
         "PayBankID, 0, 0, 0 From humPersonSetAccount --",
         ""},
        {"B.OverTimeDate > 0", "Exists (Select 1 From humPersonSetAccount Where PayAccount Like '6222%')"},
        {"A.PersonID In (Select ParamValue From comSysParam)", ""},
        {"", "pg_sleep(25) Is Null"},
        {"pg_advisory_lock(448378203507) Is Null", ""},
    };
    for (const auto& [condition1, condition2] : attacks) {
        SCOPED_TRACE(std::string(condition1) + " | " + condition2);
        db->Recorder().Start();
        const auto started = std::chrono::steady_clock::now();
        Outcome out = Object(kFactory)->ExecuteProc(1, Variant(condition1), Variant(condition2));
        db->Recorder().Stop();
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.failure, Outcome::Kind::BadInput) << out.error;
        EXPECT_TRUE(out.result.IsEmpty());
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
        // The statistics statement was never run.
        for (const std::string& statement : db->Recorder().Statements())
            EXPECT_EQ(statement.find("OverTimeCountAll"), std::string::npos) << statement;
    }
}

}  // namespace
}  // namespace humrs
