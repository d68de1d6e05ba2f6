// The tax screen's period, sent by anyone who holds the client token: a condition that
// asks about another table, calls a server function or carries a statement of its own
// is bad input before either result set is read.
#include "support/Fixture.h"

namespace humrs {
namespace {

constexpr const char* kIncomeTax = "QVXHumrs.IncomeTax";

using IncomeTaxConditionTest = testing::HumrsFixture;

TEST_F(IncomeTaxConditionTest, APeriodThatAsksAboutAnythingElseIsBadInput) {
    AddPerson(*db, {.personId = "P1"});
    SetParam(*db, "HumMailPassword", "secret");
    const std::pair<int, const char*> attacks[] = {
        // Answered true or false by whether a parameter starts so.
        {0, "SalaryYearMonth > 0 Or Exists (Select 1 From comSysParam Where ParamValue Like 's%')"},
        {1, "PayDay > (Select Count(*) From comSysParam)"},
        {0, "1 = 1 Union Select PayAccount, 0, 0, 0, 0 From humPersonSetAccount"},
        {1, "pg_terminate_backend(1) Is Null"},
        {0, "1 = 1; Delete From comPerson"},
        {0, ""},
    };
    for (const auto& [mode, condition] : attacks) {
        SCOPED_TRACE(condition);
        db->Recorder().Start();
        Outcome out = Object(kIncomeTax)->ExecuteProc(1, Variant(mode), Variant(condition));
        db->Recorder().Stop();
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.failure, Outcome::Kind::BadInput) << out.error;
        EXPECT_TRUE(out.result.IsEmpty());
        for (const std::string& statement : db->Recorder().Statements())
            EXPECT_EQ(statement.find("From humSalaryMain where"), std::string::npos) << statement;
    }
    EXPECT_EQ(Count("comPerson"), 1);
}

}  // namespace
}  // namespace humrs
