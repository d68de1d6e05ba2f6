// The schema built on a fresh SQLite database: column orders that Insert ... Select
// statements rely on, text compared without regard to case, upgrades that only add,
// and per-person lookups that use an index.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "db/Schema.h"
#include "db/SqlTranslator.h"
#include "hosting/ClassTable.h"
#include "core/Convert.h"
#include "core/Text.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

class SchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::OpenTestDatabase();
    }

    // Every row of a select, each value as text.
    std::vector<std::vector<std::string>> Rows(const std::string& sql) {
        std::vector<std::vector<std::string>> out;
        for (const auto& row : db->Query(sql).rows) {
            std::vector<std::string> texts;
            for (const Variant& v : row) texts.push_back(CStr(v));
            out.push_back(texts);
        }
        return out;
    }

    std::unique_ptr<Database> db;
};

// A misspelt key or index column would not fail: SQLite would index a constant.
TEST(SchemaDefinitionTest, KeysAndIndexesNameColumnsOfTheirTable) {
    auto has = [](const TableDef& table, const std::string& column) {
        for (const ColumnDef& c : table.columns)
            if (SameText(c.name, column)) return c.generatedFrom.empty();
        return false;
    };
    for (const TableDef& table : ComponentRegistry().Tables())
        for (const std::string& column : table.primaryKey)
            EXPECT_TRUE(has(table, column)) << table.name << "." << column;
    for (const IndexDef& index : ComponentRegistry().Indexes()) {
        const TableDef* table = ComponentRegistry().FindTable(index.table);
        ASSERT_NE(table, nullptr) << index.name;
        for (const std::string& column : index.columns)
            EXPECT_TRUE(has(*table, column)) << index.name << " " << column;
    }
}

TEST_F(SchemaTest, EveryTableHasItsColumnsInOrderWithTypesThatReadBack) {
    for (const TableDef& table : ComponentRegistry().Tables()) {
        SCOPED_TRACE(table.name);
        std::vector<ColumnDef> stored;
        for (const ColumnDef& c : table.columns)
            if (c.generatedFrom.empty()) stored.push_back(c);
        const std::vector<ResultColumn> actual = db->TableColumns(table.name);
        ASSERT_EQ(actual.size(), stored.size());
        for (size_t i = 0; i < stored.size(); ++i) {
            EXPECT_TRUE(SameText(actual[i].name, stored[i].name))
                << actual[i].name << " vs " << stored[i].name;
            EXPECT_EQ(actual[i].type, stored[i].type) << stored[i].name;
        }
    }
}

TEST_F(SchemaTest, RunningAgainChangesNothing) {
    const std::string catalog =
        db->Kind() == Backend::SQLite
            ? "Select type, name, tbl_name, sql From sqlite_master Order By type, name"
            : "Select 'column', table_name || '.' || column_name, data_type, column_default From "
              "information_schema.columns Where table_schema = current_schema() Union All "
              "Select 'index', indexname, tablename, indexdef From pg_indexes Where schemaname = current_schema() "
              "Union All Select 'trigger', tgname, Cast(Cast(tgrelid As regclass) As text), '' From pg_trigger Where Not tgisinternal "
              "Order By 1, 2";
    const auto before = Rows(catalog);
    const auto versionBefore = Rows("Select Version From humSchemaVersion");

    CreateComponentSchema(*db);

    EXPECT_EQ(Rows(catalog), before);
    EXPECT_EQ(Rows("Select Version From humSchemaVersion"), versionBefore);
    ASSERT_EQ(versionBefore.size(), 1u);
    EXPECT_EQ(versionBefore[0][0], std::to_string(SchemaVersion()));
}

// The salary adjustment's transfer and undo statements, with one person and one
// adjustment, land each value in the column of the same meaning.
TEST_F(SchemaTest, SalaryTransferStatementsFillSettingsAndHistoryColumnsInOrder) {
    db->Execute(
        "Insert Into humPersonSetMain (Flag, ID, BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary, "
        "AdjustDate, AdjustMode) Values (1, 'P1', 3000, 1, 200, 1, 150, 20240301, 7)");
    db->Execute(
        "Insert Into humChangeSalarySub (BillNo, ParentRowNo, SalaryItem, Account, RowNo) "
        "Values ('B1', 1, 'S01', 88, 2)");

    db->Execute("Delete humPersonSetSub Where Flag = 1 And ID ='P1'");
    db->Execute(
        "Insert Into humPersonSetSub Select 1 As Flag, 'P1' as ID, SalaryItem, Account,  RowNo "
        "From humChangeSalarySub Where BillNo = 'B1' And ParentRowNo = 1");
    EXPECT_EQ(Rows("Select Flag, ID, SalaryItem, Account, RowNo From humPersonSetSub"),
              (std::vector<std::vector<std::string>>{{"1", "P1", "S01", "88", "2"}}));

    db->Execute(
        "Insert Into humHistSalaryBase Select ID as PersonID, BaseSalary, NoLeave, NoLeaveSalary, "
        "Meal, MealSalary, AdjustDate, AdjustMode,3 As ChangeTimes From humPersonSetMain "
        "Where Flag = 1 And ID ='P1'");
    const auto base = db->Query(
        "Select PersonID, BaseSalary, NoLeave, NoLeaveSalary, Meal, MealSalary, AdjustDate, AdjustMode, "
        "ChangeTimes From humHistSalaryBase");
    ASSERT_EQ(base.rows.size(), 1u);
    const auto& b = base.rows[0];
    EXPECT_EQ(CStr(b[0]), "P1");
    EXPECT_EQ(CCurr(b[1]), Currency::FromInt(3000));
    EXPECT_TRUE(CBool(b[2]));
    EXPECT_EQ(CCurr(b[3]), Currency::FromInt(200));
    EXPECT_TRUE(CBool(b[4]));
    EXPECT_EQ(CCurr(b[5]), Currency::FromInt(150));
    EXPECT_EQ(CInt(b[6]), 20240301);
    EXPECT_EQ(CInt(b[7]), 7);
    EXPECT_EQ(CInt(b[8]), 3);

    db->Execute(
        "Insert Into humHistSalaryItem Select ID as PersonID, SalaryItem, Account, 3 As ChangeTimes, "
        "RowNo From humPersonSetSub Where Flag = 1 And ID ='P1'");
    EXPECT_EQ(Rows("Select PersonID, SalaryItem, Account, ChangeTimes, RowNo From humHistSalaryItem"),
              (std::vector<std::vector<std::string>>{{"P1", "S01", "88", "3", "2"}}));

    // Undo: the settings items come back from the snapshot.
    db->Execute("Delete humPersonSetSub Where Flag = 1 And ID ='P1'");
    db->Execute(
        "Insert Into humPersonSetSub Select 1 as Flag , PersonID as ID, SalaryItem, Account, RowNo "
        "From humHistSalaryItem Where PersonID = 'P1' And ChangeTimes = 3");
    EXPECT_EQ(Rows("Select Flag, ID, SalaryItem, Account, RowNo From humPersonSetSub"),
              (std::vector<std::vector<std::string>>{{"1", "P1", "S01", "88", "2"}}));
}

TEST_F(SchemaTest, InsuranceHistoryTakesItsListedColumns) {
    db->Execute(
        "Insert Into humHistInsurance (PersonID,InsurKind,ChangeType,ChangeMoneny,AdjustDate,"
        "AdjustYearMonth,ChangeTimes, EmployerPensionRate)  Values ('P1', 2, 1, 45800, 20240105, 0, 4, "
        "0.06)");
    EXPECT_EQ(
        Rows("Select PersonID, InsurKind, ChangeType, ChangeMoneny, AdjustDate, AdjustYearMonth, "
             "ChangeTimes, EmployerPensionRate From humHistInsurance"),
        (std::vector<std::vector<std::string>>{{"P1", "2", "1", "45800", "20240105", "0", "4", "0.06"}}));
}

TEST_F(SchemaTest, TextComparesWithoutRegardToCase) {
    db->Execute("Insert Into comPerson (PersonID, PersonName) Values ('P1', 'Wang')");
    db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID) Values (1, 'Ex01', 0, 'P1')");

    EXPECT_EQ(Rows("Select PersonName From comPerson Where PersonID = 'p1'").size(), 1u);
    EXPECT_EQ(Rows("Select BillNo From humExcuse Where PersonID = 'p1' And BillNo = 'EX01'").size(), 1u);
    EXPECT_EQ(Rows("Select A.PersonName From comPerson A Inner Join humExcuse B On A.PersonID = B.PersonID "
                   "Where B.BillNo = 'ex01'")
                  .size(),
              1u);
    // Keys too: the same person in other letters is the same person.
    EXPECT_THROW(db->Execute("Insert Into comPerson (PersonID) Values ('p1')"), DatabaseError);
}

TEST_F(SchemaTest, ColumnsLeftOutOrWrittenNullTakeTheirDefaults) {
    db->Execute(
        "Insert Into humExcuse (Flag, BillNo, RowNo, ExcuseCount, CutExcuseCount) "
        "Values (1, 'Ex01', 0, 5, NULL)");
    EXPECT_EQ(Rows("Select ExcuseCount - CutExcuseCount, PersonID, IfCutExcuse From humExcuse"),
              (std::vector<std::vector<std::string>>{{"5", "", "False"}}));

    db->Execute("Insert Into humClass (ClassID) Values ('C1')");
    EXPECT_EQ(Rows("Select RestBeginTime, RestEndTime, OnDutyTime From humClass"),
              (std::vector<std::vector<std::string>>{{"-1", "-1", "0"}}));
}

TEST_F(SchemaTest, PersonSettingsExposeTheirIdAsPersonID) {
    db->Execute("Insert Into humPersonSetMain (Flag, ID, SalaryMode) Values (1, 'P2', 2)");
    db->Execute("Insert Into humPersonSetMain (Flag, ID, SalaryMode) Values (1, 'P1', 0)");
    EXPECT_EQ(
        Rows("Select PersonID From humPersonSetMain Where (PersonID In ('p1','p2')) And (SalaryMode = 2)"),
        (std::vector<std::vector<std::string>>{{"P2"}}));
}

TEST(SchemaUpgradeTest, AddsMissingColumnsAndKeepsRows) {
    auto db = OpenSQLite(":memory:");
    db->Execute("CREATE TABLE humExcuse (Flag INTEGER, BillNo TEXT, RowNo INTEGER, PersonID TEXT)");
    db->Execute("CREATE TABLE humPersonSetMain (Flag INTEGER, ID TEXT, BaseSalary MONEY)");
    db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID) Values (1, 'Ex01', 0, 'P1')");
    db->Execute("Insert Into humPersonSetMain (Flag, ID, BaseSalary) Values (1, 'P1', 100)");

    CreateComponentSchema(*db);

    const TableDef* excuse = ComponentRegistry().FindTable("HUMEXCUSE");
    ASSERT_NE(excuse, nullptr);
    EXPECT_EQ(db->TableColumns("humExcuse").size(), excuse->columns.size());
    const auto rows = db->Query("Select BillNo, PersonID, ExcuseClsID, CutExcuseCount From humExcuse").rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(CStr(rows[0][0]), "Ex01");
    EXPECT_EQ(CStr(rows[0][1]), "P1");
    EXPECT_EQ(CStr(rows[0][2]), "");
    EXPECT_EQ(CFloat(rows[0][3]), 0.0);
    const auto settings = db->QueryFirst("Select PersonID, BaseSalary, AdjustDate From humPersonSetMain");
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(CStr((*settings)[0]), "P1");
    EXPECT_EQ(CInt((*settings)[2]), 0);

    // A second upgrade finds nothing left to add.
    db->Recorder().Start();
    CreateComponentSchema(*db);
    for (const std::string& statement : db->Recorder().Statements())
        EXPECT_EQ(statement.find("ALTER TABLE"), std::string::npos) << statement;
}

// Bulk tables are read per person: those reads must go through an index, not a scan.
TEST(SchemaIndexTest, PerPersonLookupsUseAnIndex) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> guard(raw, &sqlite3_close);
    for (const std::string& ddl : SchemaDdl(ComponentRegistry().Tables(), ComponentRegistry().Indexes(), Backend::SQLite))
        ASSERT_EQ(sqlite3_exec(raw, ddl.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << ddl;

    // (statement as the classes write it, index it must search); run as translated
    const SqlTranslator translator(Backend::SQLite);
    const std::vector<std::pair<std::string, std::string>> lookups = {
        {"Select A.*, B.ExcuseClsName From humExcuse A Left Join humExcuseCls B On A.ExcuseClsID = "
         "B.ExcuseClsID Where A.Flag <> 3 And A.PersonID = 'P1' And A.BillNo <> 'B1' And Not (A.BeginDate > "
         "20240110 Or A.EndDate < 20240101)  And A.Flag = 1",
         "ix_humExcuse_PersonID_EndDate (PersonID=? AND EndDate>?)"},
        {"Select Flag,BillNo,RowNo From humExcuse Where Flag <> 3 and PersonID = 'P1' And BeginDate <= "
         "20240102 "
         "And EndDate >= 20240102",
         "ix_humExcuse_PersonID_EndDate (PersonID=? AND EndDate>?)"},
        {"Update humExcuse Set IfCutExcuse=0, CutExcuseNo='',CutExcuseCount=0 Where CutExcuseNo='C1' ",
         "ix_humExcuse_CutExcuseNo"},
        {"Select Flag, BillNo, RowNo, OverTimeDate, BeginTime, UseableRedeemCount From HumOverTime  Where "
         "RedeemType=1 and PersonID= 'P1' And UseableRedeemCount <> 0 Order By OverTimeDate, BeginTime",
         "ix_humOverTime_PersonID_OverTimeDate"},
        {"Select A.*, B.ClassName From humOverTime A Left Join humClass B On A.OverTimeClass = B.ClassID "
         "Where "
         "A.PersonID = 'P1' And A.BillNo <> 'B1' And A.OverTimeDate >= 20240101 And A.OverTimeDate <= "
         "20240103 "
         "And Flag = 1",
         "ix_humOverTime_PersonID_OverTimeDate"},
        {"Select Max(ChangeTimes) From humChangeSalary Where PersonID = 'P1'", "ix_humChangeSalary_PersonID"},
        {"Select Max(ChangeTimes) From humChangePerson Where PersonID='P1'", "ix_humChangePerson_PersonID"},
        {"Select Max(ChangeTimes) From humChangeInsurance Where PersonID = 'P1' And InsurKind = 1",
         "ix_humChangeInsurance_PersonID_InsurKind"},
        {"Select Count(*) From humSalaryMain Where Flag = 1 And PersonID = 'P1' And SalaryYearMonth = 202401",
         "ix_humSalaryMain_PersonID"},
        {"Select Sum(RealSalary) From humAdvPaySub Where PersonID = 'P1' And SalaryYearMonth = 202401",
         "ix_humAdvPaySub_PersonID"},
        {"Select BillNo From HumHourSalarySub Where (PersonID='P1') And (WorkDate=20240105) And "
         "(BillNo<>'H1')",
         "ix_HumHourSalarySub_PersonID"},
        {"Select PayAccount From humPersonSetAccount Where Flag=1 And ID = 'P1' And PayBankID = 'K1'",
         "ix_humPersonSetAccount_ID"},
        {"Select Count(*) From humSubsidyCut Where PersonID = 'P1' And SalaryMonth = 202401",
         "ix_HumSubsidyCut_PersonID"},
    };
    for (const auto& [sql, index] : lookups) {
        SCOPED_TRACE(sql);
        sqlite3_stmt* stmt = nullptr;
        const std::string explain = "EXPLAIN QUERY PLAN " + translator.TranslateText(sql);
        ASSERT_EQ(sqlite3_prepare_v2(raw, explain.c_str(), -1, &stmt, nullptr), SQLITE_OK)
            << sqlite3_errmsg(raw);
        std::string plan;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) + "\n";
        sqlite3_finalize(stmt);
        // The first table of the plan is searched through the person's index.
        EXPECT_EQ(plan.rfind("SEARCH", 0), 0u) << plan;
        EXPECT_NE(plan.substr(0, plan.find('\n')).find(index), std::string::npos) << plan;
    }
}

}  // namespace
}  // namespace humrs
