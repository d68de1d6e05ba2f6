// A client's condition is a where clause over the statement's own tables and nothing
// more: the periods and ranges the reconciliation and tax screens send pass, every way
// to read another table, call a server function or run a statement of one's own is
// refused, naming where the condition stopped being a condition.
#include <gtest/gtest.h>

#include <string>

#include "core/Errors.h"
#include "db/ClientCondition.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

class ClientConditionTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::OpenTestDatabase();
        // The overtime statistics' tables, as procedure 1 of the reconciliation joins them.
        overtime = ConditionScope::Of(
            *db, {{"A", "comPerson"}, {"B", "HumOverTime"}, {"C", "humPersonSetMain"}, {"D", "humOverTimeCls"}});
        salary = ConditionScope::Of(*db, {{"", "humSalaryMain"}});
    }

    // Empty when accepted; else the refusal's message.
    static std::string Refusal(const std::string& text, const ConditionScope& scope) {
        try {
            CheckClientCondition(text, scope);
            return "";
        } catch (const InputError& e) {
            return e.what();
        }
    }

    std::unique_ptr<Database> db;
    ConditionScope overtime, salary;
};

TEST_F(ClientConditionTest, PeriodsAndRangesOfTheCallersPass) {
    const char* const overtimeConditions[] = {
        "B.OverTimeDate>=20050101",
        "B.OverTimeDate<=20050131",
        "A.PersonID='P4'",
        "b.overtimedate between 20240501 And 20240531 and Not (A.PersonID In ('P1', N'张三', 'P3'))",
        "(B.OverTimeDate/100 = 200501 Or B.OverTimeDate/100 = 200502) And D.OverMonth > -1",
        "A.PersonName Like '王%' And B.NotIntoOverTimeValue Is Not Null And C.OverTimeClass Is Null",
        "IsNull(B.NotIntoOverTimeValue, 0) * 2 + 1 <> 3 and A.[PersonID] Not Like 'X%'",
        "PersonName = 'It''s; not -- a comment'",
    };
    for (const char* c : overtimeConditions) EXPECT_EQ(Refusal(c, overtime), "") << c;
    const char* const salaryConditions[] = {
        "SalaryYearMonth >= 200402 And SalaryYearMonth <= 200403",
        "PayDay Between 20040226 And 20040331",
        "humSalaryMain.SalaryYearMonth = 200501",
    };
    for (const char* c : salaryConditions) EXPECT_EQ(Refusal(c, salary), "") << c;
    // The allowance statement reads the rewritten period by its own aliases.
    const ConditionScope allowances = ConditionScope::Of(*db, {{"A", "HumSubsidyCut"}, {"B", "humSalaryItem"}});
    EXPECT_EQ(Refusal("A.BillDate / 100 >= 200402 And A.BillDate / 100 <= 200403", allowances), "");
}

TEST_F(ClientConditionTest, AnythingButAConditionIsRefusedAtItsFirstToken) {
    struct Case {
        const char* condition;
        const char* refusedAt;  // the token the message names
    };
    const Case cases[] = {
        // Reading other tables.
        {"1=0 Group By A.PersonID,A.PersonName,B.OverTimeDate/100,D.OverMonth Union Select ID, PayAccount, "
         "PayBankID, 0, 0, 0 From humPersonSetAccount --",
         "Group"},
        {"1=0 Union Select ID, PayAccount From humPersonSetAccount", "Union"},
        {"A.PersonID In (Select ParamValue From comSysParam)", "Select"},
        {"Exists (Select 1 From sqlite_master)", "Exists"},
        {"(Select Count(*) From pg_authid) > 0", "Select"},
        {"A.PersonID = (Select Max(BaseSalary) From humSalaryMain)", "Select"},
        {"B.OverTimeDate > (Select 0 From comPerson X, comPerson Y, comPerson Z, comPerson U, comPerson V, "
         "comPerson W, comPerson Q)",
         "Select"},
        {"E.Salary > 0", "E"},
        {"humSalaryMain.BaseSalary > 0", "humSalaryMain"},
        {"dbo.comPerson.PersonID = 'P1'", "dbo"},
        {"B.NoSuchColumn = 1", "NoSuchColumn"},
        {"PayAccount = '1'", "PayAccount"},
        {"A.* = 1", "*"},
        // Server functions.
        {"pg_sleep(25) Is Null", "pg_sleep"},
        {"pg_advisory_lock(448378203507) Is Null", "pg_advisory_lock"},
        {"pg_terminate_backend(1) Is Null", "pg_terminate_backend"},
        {"lo_from_bytea(0, 'x') > 0", "lo_from_bytea"},
        {"lo_export(1, '/tmp/x') = 1", "lo_export"},
        {"Length(pg_read_file('/etc/passwd')) > 0", "Length"},
        {"A.PersonID = Current_User", "Current_User"},
        // Statements and comments.
        {"1=1; Delete From humOverTime", ";"},
        {"1=1 Delete From humOverTime", "Delete"},
        {"B.OverTimeDate > 0 -- and the rest", "--"},
        {"B.OverTimeDate > /* hidden */ 0", "/*"},
        {"B.OverTimeDate > 0 Order By 1", "Order"},
        {"B.OverTimeDate > 0 Having 1=1", "Having"},
        {"B.OverTimeDate > ?", "?"},
        {"@@version = 1", "@@version"},
        // Not a condition at all.
        {"B.OverTimeDate", "B"},
        {"B.OverTimeDate + (1 = 1) > 0", "("},
        {"1 = 1 And 2", "2"},
        {"B.OverTimeDate Between 1", "1"},
        {"A.PersonID In ('P1', B.PersonID)", "B"},
    };
    for (const Case& c : cases) {
        const std::string refusal = Refusal(c.condition, overtime);
        EXPECT_NE(refusal.find(std::string("\"") + c.refusedAt), std::string::npos)
            << c.condition << "\n  refused: " << refusal;
    }
    // A salary condition may not name the allowance table either.
    EXPECT_NE(Refusal("A.Account > 0", salary), "");
}

TEST_F(ClientConditionTest, EmptyUnreadableAndDeepConditionsAreBadInput) {
    EXPECT_NE(Refusal("", overtime), "");
    EXPECT_NE(Refusal("   ", overtime), "");
    EXPECT_NE(Refusal("A.PersonID = 'open", overtime), "");
    // Deep enough to overflow a parser without a bound.
    const std::string deep = std::string(5000, '(') + "1=1" + std::string(5000, ')');
    EXPECT_NE(Refusal(deep, overtime).find("nested too deeply"), std::string::npos);
    std::string negations;
    for (int i = 0; i < 5000; ++i) negations += "Not ";
    EXPECT_NE(Refusal(negations + "1=1", overtime).find("nested too deeply"), std::string::npos);
    // Shallow nesting is fine.
    EXPECT_EQ(Refusal(std::string(10, '(') + "1=1" + std::string(10, ')'), overtime), "");
}

}  // namespace
}  // namespace humrs
