// The component's SQL dialect run on the database of the chosen backend: each
// construct the business classes write gives the result it gives on the dialect's
// own server, whatever text the backend runs in its place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Convert.h"
#include "suite/Seed.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

class DialectTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::OpenTestDatabase();
        AddPerson(*db, {.personId = "P1", .personName = "张三", .onJobDate = 20000310});
        AddPerson(*db, {.personId = "P2", .personName = "O'Brien", .onJobDate = 20030101, .leaveJobDate = 20041231});
        AddPerson(*db, {.personId = "P3", .onJobDate = 20040601, .needAttend = false});
        const std::string ot =
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, FieldACount, RedeemType, "
            "UseableRedeemCount) Values (1, ?, 0, ?, 20050103, ?, 1, ?)";
        db->Execute(ot, {Variant("O1"), Variant("P1"), Variant(10.0), Variant(10.0)});
        db->Execute(ot, {Variant("O2"), Variant("P2"), Variant(6.0), Variant(6.0)});
    }

    // Every row of a select, each value as text, rows joined by '|' and values by ','.
    std::string Rows(const std::string& sql, const std::vector<Variant>& params = {}) {
        std::string out;
        for (const auto& row : db->Query(sql, params).rows) {
            if (!out.empty()) out += "|";
            for (size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + CStr(row[i]);
        }
        return out;
    }

    std::unique_ptr<Database> db;
};

struct DialectCase {
    const char* what;
    std::vector<std::string> statements;  // run first, in order
    std::string query;
    std::string expected;
};

TEST_F(DialectTest, ConstructsOfTheClassesGiveTheDialectsResults) {
    const DialectCase cases[] = {
        {"IsNull of no row", {}, "Select IsNull(Max(OnJobDate), 0) From comPerson Where PersonID = 'nobody'", "0"},
        {"Delete without From", {"Delete comPerson Where PersonID = 'P3'"}, "Select Count(*) From comPerson", "2"},
        {"Update From with the target aliased",
         {"Update A Set A.UseableRedeemCount = 0 From HumOverTime A, comPerson B Where A.PersonID = B.PersonID And "
          "B.LeaveJobDate <> 0"},
         "Select BillNo, UseableRedeemCount From HumOverTime Order By BillNo",
         "O1,10|O2,0"},
        {"Update From with the target named",
         {"Update HumOverTime Set Memo = comPerson.PersonName From comPerson Where HumOverTime.PersonID = "
          "comPerson.PersonID"},
         "Select Memo From HumOverTime Order By BillNo",
         "张三|O'Brien"},
        {"Top n", {}, "Select Top 2 PersonID From comPerson Order By OnJobDate Desc", "P3|P2"},
        {"a number joined to a keyword", {},
         "Select PersonID From comPerson Where OnJobDate >= 20030101And LeaveJobDate = 0", "P3"},
        {"integer division stays integer", {}, "Select 7/2, OnJobDate/10000, -7/2 From comPerson Where PersonID='P1'",
         "3,2000,-3"},
        {"sums and averages of whole numbers stay whole", {},
         "Select Sum(OnJobDate) / 3, Avg(LeaveJobDate), Sum(OnJobDate / 10000) From comPerson Where PersonID In ('P1', "
         "'P2')",
         "13343470,10020615,4003"},
        {"money and floats keep their fraction", {},
         "Select UseableRedeemCount/4, FieldACount/4 From HumOverTime Where BillNo = 'O1'", "2.5,2.5"},
        {"+ joins texts", {}, "Select PersonID + '-' + PersonName From comPerson Where PersonID = 'P1'", "P1-张三"},
        {"+ adds numbers", {}, "Select FieldACount + UseableRedeemCount + 1 From HumOverTime Where BillNo = 'O2'",
         "13"},
        {"flags compare with integers", {}, "Select PersonID From humPersonExtend Where NeedAttend = 1 Order By 1",
         "P1|P2"},
        {"text compares without regard to case", {},
         "Select PersonID From comPerson Where PersonID In ('p1', 'P2') And PersonName Like 'o''b%' Or PersonID = 'p3' "
         "Order By PersonID",
         "P2|P3"},
        {"quoted literals stay literals",
         {"Insert comDepartment (DepartID, DepartName) Values ('D''1', 'a\\b'';--')"},
         "Select DepartID, DepartName From comDepartment", "D'1,a\\b';--"},
        {"a Null written takes the column's default",
         {"Update comPerson Set PersonName = Null, OnJobDate = Null Where PersonID = 'P1'"},
         "Select PersonName, OnJobDate From comPerson Where PersonID = 'P1'", ",0"},
    };
    for (const DialectCase& c : cases) {
        SCOPED_TRACE(c.what);
        db->BeginWrite();
        for (const std::string& statement : c.statements) db->Execute(statement);
        EXPECT_EQ(Rows(c.query), c.expected);
        db->Rollback();
    }
}

TEST_F(DialectTest, BoundTextComparesWithoutRegardToCaseAndKeepsQuotes) {
    EXPECT_EQ(Rows("Select PersonID From comPerson Where PersonID = ?", {Variant("p1")}), "P1");
    EXPECT_EQ(Rows("Select PersonID From comPerson Where PersonName = ?", {Variant("o'brien")}), "P2");
    EXPECT_EQ(Rows("Select Count(*) From comPerson Where PersonName = ?", {Variant("' Or 1=1 --")}), "0");
}

// Results come back named as the statement or the schema spells them, and typed as
// their columns: money as money, sums of whole amounts as whole numbers.
TEST_F(DialectTest, ResultColumnsKeepTheirSpellingAndTypes) {
    ResultSet rs = db->Query(
        "Select A.*, IsNull(Sum(B.UseableRedeemCount), 0) As OTUseRedeemCount, Count(*) As Rows2 From comPerson A "
        "Left Join HumOverTime B On A.PersonID = B.PersonID Where A.PersonID = 'P1' Group By A.PersonID, A.PersonName, "
        "A.DepartID, A.PosiID, A.ProfTitle, A.EngProfTitle, A.OnJobDate, A.LeaveJobDate");
    ASSERT_EQ(rs.rows.size(), 1u);
    std::vector<std::string> names;
    for (const auto& col : rs.columns) names.push_back(col.name);
    EXPECT_EQ(names, (std::vector<std::string>{"PersonID", "PersonName", "DepartID", "PosiID", "ProfTitle",
                                               "EngProfTitle", "OnJobDate", "LeaveJobDate", "OTUseRedeemCount",
                                               "Rows2"}));
    EXPECT_EQ(rs.rows[0][6].Type(), VarType::Int);
    EXPECT_EQ(rs.rows[0][8].Type(), VarType::Int);
    EXPECT_EQ(CInt(rs.rows[0][8]), 10);
    auto money = db->QueryFirst("Select UseableRedeemCount, FieldACount From HumOverTime Where BillNo = 'O2'");
    ASSERT_TRUE(money);
    EXPECT_EQ((*money)[0].Type(), VarType::Currency);
    EXPECT_EQ((*money)[0].AsCurrency().Units(), 60000);
}

}  // namespace
}  // namespace humrs
