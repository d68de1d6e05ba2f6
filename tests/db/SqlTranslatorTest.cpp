#include "db/SqlTranslator.h"

#include <gtest/gtest.h>

#include <map>

namespace humrs {
namespace {

// ---- tokenizer ------------------------------------------------------------------------

std::vector<std::pair<SqlTokenKind, std::string>> Kinds(std::string_view sql) {
    std::vector<std::pair<SqlTokenKind, std::string>> out;
    for (const auto& t : TokenizeSql(sql)) out.emplace_back(t.kind, t.value);
    return out;
}

using K = SqlTokenKind;

TEST(SqlTokenizer, SplitsNumberGluedToKeyword) {
    auto tokens = Kinds("NAdjustDate <= 20050101And PersonID = 'P1'Or X=1End");
    std::vector<std::pair<SqlTokenKind, std::string>> expected = {
        {K::Word, "NAdjustDate"}, {K::Operator, "<="}, {K::Number, "20050101"}, {K::Word, "And"},
        {K::Word, "PersonID"},    {K::Operator, "="},  {K::String, "P1"},       {K::Word, "Or"},
        {K::Word, "X"},           {K::Operator, "="},  {K::Number, "1"},        {K::Word, "End"}};
    EXPECT_EQ(tokens, expected);
}

TEST(SqlTokenizer, LiteralsAndQuotedNames) {
    std::vector<std::pair<SqlTokenKind, std::string>> expected = {
        {K::String, "it's"},     {K::String, "abc"}, {K::String, "x"},         {K::QuotedName, "a]b"},
        {K::QuotedName, "q\"r"}, {K::Word, "IN"},    {K::LeftParen, "("},       {K::String, "a;b"},
        {K::RightParen, ")"}};
    EXPECT_EQ(Kinds("'it''s' N'abc' n'x' [a]]b] \"q\"\"r\" IN('a;b')"), expected);
    auto tokens = TokenizeSql("'a' N'b'");
    EXPECT_FALSE(tokens[0].national);
    EXPECT_TRUE(tokens[1].national);
}

TEST(SqlTokenizer, NumbersOperatorsCommentsAndParameters) {
    auto tokens = Kinds("12.5 1e3 .5 A.B a<>b c!=d e>=f -- note ; Drop\n ? /* x /* nested */ y */ ?");
    std::vector<std::pair<SqlTokenKind, std::string>> expected = {
        {K::Number, "12.5"}, {K::Number, "1e3"},   {K::Number, ".5"},   {K::Word, "A"},
        {K::Dot, "."},       {K::Word, "B"},       {K::Word, "a"},      {K::Operator, "<>"},
        {K::Word, "b"},      {K::Word, "c"},       {K::Operator, "!="}, {K::Word, "d"},
        {K::Word, "e"},      {K::Operator, ">="},  {K::Word, "f"},      {K::Parameter, "?"},
        {K::Parameter, "?"}};
    EXPECT_EQ(tokens, expected);
    auto withNumbers = TokenizeSql("? ?");
    EXPECT_EQ(withNumbers[0].parameter, 1);
    EXPECT_EQ(withNumbers[1].parameter, 2);
}

TEST(SqlTokenizer, RefusesMalformedText) {
    for (const char* bad : {"Select 'open", "Select [open", "Select \"open", "Select 1 /* open",
                            "Select 1 /* a /* b */", "Select `x`", "Select 0x1F", "Select 1 ! 2"}) {
        EXPECT_THROW(TokenizeSql(bad), DatabaseError) << bad;
    }
}

// ---- translation, text in / text out ----------------------------------------------------

struct Case {
    const char* in;
    const char* out;
};

class SqlTranslation : public ::testing::Test {
protected:
    std::string T(const std::string& sql) { return translator_.TranslateText(sql); }
    SqlTranslator translator_{Backend::SQLite};
};

TEST_F(SqlTranslation, StatementForms) {
    const Case cases[] = {
        {"Delete humHistInsurance Where PersonID = 'P1'And InsurKind = 1 And ChangeTimes = 2",
         "Delete FROM humHistInsurance Where PersonID = 'P1' And InsurKind = 1 And ChangeTimes = 2"},
        {"Delete From humFamily Where Flag = 2", "Delete From humFamily Where Flag = 2"},
        {"delete humPersonSetSub", "delete FROM humPersonSetSub"},
        {"Insert humFamily (PersonID) Values ('P1')", "Insert INTO humFamily (PersonID) Values ('P1')"},
        {"Insert Into humPersonSetSub Select 1 as Flag , PersonID as ID From humHistSalaryItem",
         "Insert Into humPersonSetSub Select 1 as Flag , PersonID as ID From humHistSalaryItem"},
        {" Select isNull(Min(OvertimeDate), '0') as OverTimeDateMin From HumOverTime ",
         "Select IFNULL(Min(OvertimeDate), '0') as OverTimeDateMin From HumOverTime"},
        {"Select IsNull(Sum((Case B.Propertiy When 0 Then 1 Else -1 end) * A.Account), 0) From T A",
         "Select IFNULL(Sum((Case B.Propertiy When 0 Then 1 Else -1 end) * A.Account), 0) From T A"},
        {"Select * From T Where A Is Null", "Select * From T Where A Is Null"},
        {"Select * From humChangeSalary Where NAdjustDate <= 20050101And PersonID = 'P1'",
         "Select * From humChangeSalary Where NAdjustDate <= 20050101 And PersonID = 'P1'"},
        {"Select [Order], [a]]b] From [My Table]", "Select \"Order\", \"a]b\" From \"My Table\""},
        {"Select N'abc', 'O''Brien'", "Select 'abc', 'O''Brien'"},
        {"Select A -- note; Delete T\nFrom T /* c */ Where B = 1", "Select A \nFrom T  Where B = 1"},
        {"Select * From T With (NoLock) Where A = 1", "Select * From T Where A = 1"},
        {"Select Count(*) From T (nolock) Inner Join U With (NoLock, RowLock) On T.A = U.A",
         "Select Count(*) From T Inner Join U On T.A = U.A"},
        {"Select * From T Where A !< 3 And B !> 4", "Select * From T Where A >= 3 And B <= 4"},
        {"Select * From T Where A = ? And B = ?", "Select * From T Where A = ?1 And B = ?2"},
        {"Select Limit, Glob From T", "Select \"Limit\", \"Glob\" From T"},
        {"Select (case X when 0 then A else B end) as C From T",
         "Select (case X when 0 then A else B end) as C From T"},
        {"Select ';' From T;", "Select ';' From T"},
        {"Select 1 ; -- done", "Select 1"},
        {"Select A.BeginDate From humExcuse A Where Not(A.BeginDate > 1 Or A.EndDate < 2) And A.D Between 1 And 2",
         "Select A.BeginDate From humExcuse A Where (A.BeginDate <= 1 AND A.EndDate >= 2) And A.D Between 1 And 2"},
    };
    for (const auto& c : cases) EXPECT_EQ(T(c.in), c.out) << c.in;
}

TEST_F(SqlTranslation, TopBecomesLimitAtTheEndOfItsSelect) {
    const Case cases[] = {
        {"Select Top 2 * From T Order By A Desc", "Select * From T Order By A Desc LIMIT 2"},
        {"Select Top (3) A From T;", "Select A From T LIMIT 3"},
        {"Select Distinct Top 5 A From T", "Select Distinct A From T LIMIT 5"},
        {"Select * From T Where A In (Select Top 1 B From U Order By C) Order By A",
         "Select * From T Where A In (Select B From U Order By C LIMIT 1) Order By A"},
        {"Select Top 1 A, (Select Top 1 B From U Where U.K = T.K Order By B) From T Order By A",
         "Select A, (Select B From U Where U.K = T.K Order By B LIMIT 1) From T Order By A LIMIT 1"},
        {"Select * From (Select Top 10 A From T Order By A) X", "Select * From (Select A From T Order By A LIMIT 10) X"},
        // The count keeps its place among the parameters.
        {"Select Top ? A From T Where B = ?", "Select A From T Where B = ?2 LIMIT ?1"},
        {"Insert Into T Select Top 1 A From U Order By A", "Insert Into T Select A From U Order By A LIMIT 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(T(c.in), c.out) << c.in;
}

TEST_F(SqlTranslation, UpdateFrom) {
    const Case cases[] = {
        // Already in SQLite's form.
        {"Update humExcuse Set RedeemOldExcuseCount = ExcuseCount - CutExcuseCount From humExcuseCls A Where "
         "humExcuse.Flag = 2 And humExcuse.ExcuseClsID = A.ExcuseClsID And A.ExcuseCls=12",
         "Update humExcuse Set RedeemOldExcuseCount = ExcuseCount - CutExcuseCount From humExcuseCls A Where "
         "humExcuse.Flag = 2 And humExcuse.ExcuseClsID = A.ExcuseClsID And A.ExcuseCls=12"},
        {"Update humPersonSetMain Set BaseSalary = B.BaseSalary From (Select * From humHistSalaryBase Where "
         "PersonID = 'P1') B Where humPersonSetMain.ID = B.PersonID",
         "Update humPersonSetMain Set BaseSalary = B.BaseSalary From (Select * From humHistSalaryBase Where "
         "PersonID = 'P1') B Where humPersonSetMain.ID = B.PersonID"},
        // SET columns lose a qualifier naming the target.
        {"Update humExcuse Set humExcuse.Flag = 1, [humExcuse].RowNo = 2 Where BillNo = 'B1'",
         "Update humExcuse Set Flag = 1, RowNo = 2 Where BillNo = 'B1'"},
        // The target named again in FROM is the same rows, not a second copy to join.
        {"Update A Set A.Flag = B.ExcuseCls From humExcuse A Inner Join humExcuseCls B On A.ExcuseClsID = "
         "B.ExcuseClsID Where B.ExcuseCls = 12",
         "Update humExcuse AS A Set Flag = B.ExcuseCls FROM humExcuseCls B WHERE (A.ExcuseClsID = B.ExcuseClsID) "
         "AND (B.ExcuseCls = 12)"},
        {"Update humExcuse Set Flag = 3 From humExcuse Where BillNo = ?", "Update humExcuse Set Flag = 3 WHERE BillNo = ?1"},
        {"Update T Set X = 1 From T, U Where T.K = U.K", "Update T Set X = 1 FROM U WHERE T.K = U.K"},
    };
    for (const auto& c : cases) EXPECT_EQ(T(c.in), c.out) << c.in;
}

TEST_F(SqlTranslation, RefusesTextItCannotRunAsOneStatement) {
    const char* refused[] = {
        "Select 1; Drop Table x",
        "Delete humExcuse Where BillNo = '' ; Delete comPerson",
        "Select * From comPerson Delete comPerson",  // no semicolon needed in the dialect
        "Select 1 Select 2",
        "Update T Set A = 1 Insert Into U Values (1)",
        "Select 1;;",
        "",
        "  -- only a comment",
        "Select Top 10 Percent * From T",
        "Select Top 1 With Ties A From T Order By A",
        "Select Top 1 A From T Union Select B From U",
        "Select Top 1.5 A From T",
        "Select @x",
        "Select A ^ B From T",
        "Delete A From humExcuse A Inner Join humExcuseCls B On A.ExcuseClsID = B.ExcuseClsID",
        "Update A Set Flag = 1 From humExcuseCls B Left Join humExcuse A On A.ExcuseClsID = B.ExcuseClsID",
        "Update A Set Flag = 1 From humExcuse A Left Join humExcuseCls B On A.ExcuseClsID = B.ExcuseClsID",
        "Select (1 From T",
    };
    for (const char* sql : refused) EXPECT_THROW(T(sql), DatabaseError) << sql;
    // Unions and Insert ... Select are one statement.
    EXPECT_NO_THROW(T("Select A From T Union All Select B From U"));
    EXPECT_NO_THROW(T("Insert Into T (A) Select B From U"));
}

TEST_F(SqlTranslation, SecondStatementMessageAndStatement) {
    try {
        T("Select 1; Drop Table x");
        FAIL() << "not refused";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("second statement"), std::string::npos) << e.what();
        EXPECT_EQ(e.Statement(), "Select 1; Drop Table x");
    }
}

// ---- division: only integer by integer truncates ------------------------------------------

class SqlDivision : public ::testing::Test {
protected:
    SqlDivision()
        : translator_(Backend::SQLite, [this](std::string_view table, std::string_view column) {
              auto it = types_.find(std::string(table) + "." + std::string(column));
              return it == types_.end() ? ColumnType::Unknown : it->second;
          }) {}
    std::string T(const std::string& sql) { return translator_.TranslateText(sql); }

    std::map<std::string, ColumnType> types_ = {
        {"HumOverTime.OverTimeDate", ColumnType::Integer}, {"humSalary.Amount", ColumnType::Currency},
        {"humSalary.Days", ColumnType::Integer},           {"humSalary.Rate", ColumnType::Float},
        {"humUnit.Days", ColumnType::Integer}};
    SqlTranslator translator_;
};

TEST_F(SqlDivision, CastsTheDivisorWhenAFractionalColumnTakesPart) {
    const Case cases[] = {
        {"Select OverTimeDate/100 as M From HumOverTime", "Select OverTimeDate/100 as M From HumOverTime"},
        {"Select A.Days / 2 From humSalary A", "Select A.Days / 2 From humSalary A"},
        {"Select Amount/Days From humSalary", "Select Amount/CAST(Days AS REAL) From humSalary"},
        {"Select A.Amount / 2 From humSalary A", "Select A.Amount / CAST(2 AS REAL) From humSalary A"},
        {"Select Days / Rate From humSalary", "Select Days / CAST(Rate AS REAL) From humSalary"},
        {"Select Days * Amount / 3 From humSalary", "Select Days * Amount / CAST(3 AS REAL) From humSalary"},
        {"Select Days + Amount / (Days - 1) From humSalary",
         "Select Days + Amount / CAST((Days - 1) AS REAL) From humSalary"},
        {"Select Days - Amount + Days / 2 From humSalary", "Select Days - Amount + Days / 2 From humSalary"},
        {"Select Count(Amount) / 2 From humSalary", "Select Count(Amount) / 2 From humSalary"},
        {"Select Sum(Amount) / Count(*) From humSalary", "Select Sum(Amount) / CAST(Count(*) AS REAL) From humSalary"},
        {"Select Cast(Amount As Int) / 2 From humSalary", "Select Cast(Amount As Int) / 2 From humSalary"},
        // The qualifier picks the table: humUnit.Days is an integer.
        {"Select U.Days / 2 From humSalary S Inner Join humUnit U On S.Days = U.Days",
         "Select U.Days / 2 From humSalary S Inner Join humUnit U On S.Days = U.Days"},
        {"Select B.OverTimeDate/100 From comPerson A Inner Join HumOverTime B On A.PersonID=B.PersonID "
         "Group By B.OverTimeDate/100 Order By B.OverTimeDate/100",
         "Select B.OverTimeDate/100 From comPerson A Inner Join HumOverTime B On A.PersonID=B.PersonID "
         "Group By B.OverTimeDate/100 Order By B.OverTimeDate/100"},
    };
    for (const auto& c : cases) EXPECT_EQ(T(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace humrs
