// What every caller of the leave service meets first: declared procedure arguments,
// typed parameters, and the checks that guard a leave row itself before any rule.
#include "leave/LeaveFixture.h"

namespace humrs::testing {
namespace {

class LeaveShapeTest : public LeaveFixture {
protected:
    static Row WithField(Row row, const std::string& field, const Variant& value) {
        for (auto& [name, v] : row)
            if (name == field) v = value;
        return row;
    }
};

// A call with a missing or mistyped argument is bad input naming the procedure and
// the argument, never a business refusal built on a 0 or an empty text.
TEST_F(LeaveShapeTest, ProcedureArgumentsAreCheckedAgainstTheirDeclaration) {
    struct Case {
        int proc;
        Variant arg;
        const char* named;  // part of the message; nullptr: accepted
    } cases[] = {
        {4, Variant(VariantArray{"", "P1", 20050110}), "argument 4 (EndDate) is missing"},
        {4, Variant(VariantArray{"", "P1", "tomorrow", 800, 20050110, 1200, 1}), "argument 2 (BeginDate) must be a whole number"},
        {5, Variant(VariantArray{"P1", 20050110, 20050110, 0, 0, "maybe"}), "argument 5 (WholeSpan) must be true or false"},
        {7, Variant(VariantArray{"rows", 20050110, 20050110, 800, 1200, true}), "argument 0 (Rows) must be a data packet"},
        {10, Variant(), "procedure 10 (PostRedeemChanges)"},
        {12, Variant(), "argument 0 (PersonID) is missing"},
        {5, Variant(VariantArray{"P1", "20050110", 20050110, "0", 0, "true"}), nullptr},  // digit texts are numbers
        {2, Variant(), nullptr},   // a number the class does not serve does nothing
        {99, Variant(), nullptr},
    };
    for (const Case& c : cases) {
        const Outcome out = Proc(c.proc, c.arg);
        SCOPED_TRACE("procedure " + std::to_string(c.proc) + " " + c.arg.Describe());
        if (!c.named) {
            EXPECT_TRUE(out.ok) << out.error;
            continue;
        }
        EXPECT_EQ(out.failure, Outcome::Kind::BadInput);
        EXPECT_NE(out.error.find(c.named), std::string::npos) << out.error;
        EXPECT_NE(out.error.find("QVXHumrs.Excuse"), std::string::npos) << out.error;
    }
}

TEST_F(LeaveShapeTest, ParameterOfTheWrongTypeIsAnErrorNamingIt) {
    SetParam(*db, "AllowAffairLeaveYear", "yes");
    SetParam(*db, "HumMaxPrivateExCount", "8");
    const Outcome out = SaveLeave(Leave("B1", "P1", "SJ", 20050110, 800, 20050110, 1200, 4));
    EXPECT_EQ(out.failure, Outcome::Kind::BadInput);
    EXPECT_NE(out.error.find("AllowAffairLeaveYear"), std::string::npos) << out.error;
    EXPECT_NE(out.error.find("\"yes\""), std::string::npos) << out.error;
    EXPECT_EQ(Count("humExcuse"), 0);

    // The spellings a flag may take, in any letter case, all switch the cap on.
    for (const char* on : {"1", "true", "True", "TRUE"}) {
        SetParam(*db, "AllowAffairLeaveYear", on);
        const Outcome capped = SaveLeave(Leave("B2", "P1", "SJ", 20050110, 800, 20050111, 1700, 16));
        EXPECT_EQ(capped.failure, Outcome::Kind::Refused) << on << ": " << capped.error;
    }
}

// The checks that guard the row itself come first (a capped category does not answer
// an empty person with its cap) and hold under the import login and merge-in too.
TEST_F(LeaveShapeTest, RowIntegrityIsCheckedFirstUnderEveryLogin) {
    SetParam(*db, "AllowAffairLeaveYear", "1");  // cap 0: every personal leave is over it
    struct Case {
        Row row;
        Outcome::Kind kind;
        const char* message;
    } cases[] = {
        {Leave("B1", "", "SJ", 20050110, 800, 20050110, 1200, 4), Outcome::Kind::Refused, "请假人员不能为空"},
        {Leave("B2", "P1", "SJ", 20050112, 800, 20050110, 1200, 4), Outcome::Kind::Refused, "结束日期不能小于起始日期"},
        {Leave("B3", "P1", "PT", 20050231, 800, 20050301, 1200, 4), Outcome::Kind::BadInput, "BeginDate 20050231"},
        {Leave("B4", "P1", "PT", 20050110, 860, 20050110, 1200, 4), Outcome::Kind::BadInput, "BeginTime 860"},
        {Leave("B5", "P1", "PT", 20050110, 800, 20050110, 2500, 4), Outcome::Kind::BadInput, "EndTime 2500"},
        {WithField(Leave("B6", "P1", "PT", 20050110, 800, 20050110, 1200, 4), "EndDate",
                   Variant(int64_t{4294967296} + 20050110)),
         Outcome::Kind::BadInput, "EndDate 4315017406"},
    };
    for (int login : {0, 5}) {
        session->loginType = login;
        for (const Case& c : cases) {
            const Outcome out = SaveLeave(c.row);
            SCOPED_TRACE("login type " + std::to_string(login) + ": " + CStr(c.row[0].second));
            EXPECT_EQ(out.failure, c.kind) << out.error;
            EXPECT_NE(out.error.find(c.message), std::string::npos) << out.error;
        }
    }
    EXPECT_EQ(Count("humExcuse"), 0);
    // -1 for a time not entered stays allowed.
    session->loginType = 5;
    EXPECT_TRUE(SaveLeave(Leave("B7", "P1", "PT", 20050110, -1, 20050110, -1, 1)).ok);
}

}  // namespace
}  // namespace humrs::testing
