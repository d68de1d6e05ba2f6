#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "db/Database.h"

namespace humrs {

static void PrintTo(const Variant& v, std::ostream* os) { *os << v.Describe(); }

namespace {

// Column of every row of a result, by name.
std::vector<Variant> Column(const ResultSet& rs, std::string_view name) {
    int c = rs.ColumnIndex(name);
    EXPECT_GE(c, 0) << name;
    std::vector<Variant> out;
    if (c < 0) return out;
    for (const auto& row : rs.rows) out.push_back(row[static_cast<size_t>(c)]);
    return out;
}

class SQLiteDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { db_ = OpenSQLite(":memory:"); }

    void Run(const std::string& sql) { db_->Execute(sql); }

    Variant Scalar(const std::string& sql, const std::vector<Variant>& params = {}) {
        auto row = db_->QueryFirst(sql, params);
        EXPECT_TRUE(row.has_value()) << sql;
        return row && !row->empty() ? row->front() : Variant();
    }

    void CreateExcuseTables() {
        Run("Create Table humExcuseCls (ExcuseClsID TEXT, ExcuseClsName TEXT, ExcuseCls INTEGER)");
        Run("Create Table humExcuse (Flag INTEGER, BillNo TEXT, RowNo INTEGER, PersonID TEXT, ExcuseClsID TEXT, "
            "ExcuseCount FLOAT, CutExcuseCount FLOAT, RedeemOldExcuseCount FLOAT)");
        Run("Insert Into humExcuseCls Values ('C12', 'Time off in lieu', 12)");
        Run("Insert Into humExcuseCls Values ('C5', 'Sick', 5)");
        Run("Insert Into humExcuse Values (2, 'B1', 1, 'P1', 'C12', 8, 2, 0)");
        Run("Insert Into humExcuse Values (2, 'B1', 2, 'P1', 'C5', 4, 1, 0)");
        Run("Insert Into humExcuse Values (2, 'B2', 1, 'P2', 'C12', 3, 0, 0)");
        Run("Insert Into humExcuse Values (1, 'B1', 3, 'P1', 'C12', 5, 1, 0)");
    }

    std::vector<Variant> Redeemed() {
        return Column(db_->Query("Select RedeemOldExcuseCount From humExcuse Order By Flag Desc, BillNo, RowNo"),
                      "RedeemOldExcuseCount");
    }

    std::unique_ptr<Database> db_;
};

// ---- statements the business classes emit --------------------------------------------------

TEST_F(SQLiteDatabaseTest, UpdateFromLookupTableQualifiedByTargetName) {
    CreateExcuseTables();
    int64_t changed = db_->Execute(
        "Update humExcuse Set RedeemOldExcuseCount = ExcuseCount - CutExcuseCount From humExcuseCls A Where "
        "humExcuse.Flag = 2 And humExcuse.BillNo = 'B1' And humExcuse.ExcuseClsID = A.ExcuseClsID And "
        "A.ExcuseCls=12");
    EXPECT_EQ(changed, 1);
    // Rows: (2,B1,1) (2,B1,2) (2,B2,1) (1,B1,3): only the first is of class 12 in bill B1 with flag 2.
    EXPECT_EQ(Redeemed(), (std::vector<Variant>{6.0, 0.0, 0.0, 0.0}));
}

TEST_F(SQLiteDatabaseTest, UpdateFromTargetAliasedInFromUpdatesTheSameRows) {
    CreateExcuseTables();
    int64_t changed = db_->Execute(
        "Update A Set A.RedeemOldExcuseCount = A.ExcuseCount From humExcuse A Inner Join humExcuseCls B On "
        "A.ExcuseClsID = B.ExcuseClsID Where B.ExcuseCls = 12 And A.Flag = 2");
    EXPECT_EQ(changed, 2);
    EXPECT_EQ(Redeemed(), (std::vector<Variant>{8.0, 0.0, 3.0, 0.0}));
}

TEST_F(SQLiteDatabaseTest, UpdateFromSubquery) {
    Run("Create Table humPersonSetMain (ID TEXT, BaseSalary MONEY, NoLeaveSalary MONEY)");
    Run("Create Table humHistSalaryBase (PersonID TEXT, ChangeTimes INTEGER, BaseSalary MONEY, NoLeaveSalary MONEY)");
    Run("Insert Into humPersonSetMain Values ('P1', 0, 0)");
    Run("Insert Into humPersonSetMain Values ('P2', 500, 50)");
    Run("Insert Into humHistSalaryBase Values ('P1', 1, 1000, 100)");
    Run("Insert Into humHistSalaryBase Values ('P1', 2, 1200.5, 150)");
    Run("Insert Into humHistSalaryBase Values ('P2', 2, 9999, 999)");
    int64_t changed = db_->Execute(
        "Update humPersonSetMain Set BaseSalary = B.BaseSalary, NoLeaveSalary = B.NoLeaveSalary From (Select * "
        "From humHistSalaryBase Where PersonID = 'P1' And ChangeTimes = 2) B Where humPersonSetMain.ID = "
        "B.PersonID");
    EXPECT_EQ(changed, 1);
    auto rs = db_->Query("Select ID, BaseSalary, NoLeaveSalary From humPersonSetMain Order By ID");
    ASSERT_EQ(rs.rows.size(), 2u);
    EXPECT_EQ(rs.rows[0][1], Variant(Currency::FromUnits(12005000)));
    EXPECT_EQ(rs.rows[0][2], Variant(Currency::FromInt(150)));
    EXPECT_EQ(rs.rows[1][1], Variant(Currency::FromInt(500)));
}

TEST_F(SQLiteDatabaseTest, DeleteWithoutFromAndQuoteGluedToKeyword) {
    Run("Create Table humHistInsurance (PersonID TEXT, InsurKind INTEGER, ChangeTimes INTEGER)");
    Run("Insert Into humHistInsurance Values ('P1', 1, 2)");
    Run("Insert Into humHistInsurance Values ('P1', 1, 1)");
    Run("Insert Into humHistInsurance Values ('P1', 2, 2)");
    Run("Insert Into humHistInsurance Values ('P2', 1, 2)");
    EXPECT_EQ(db_->Execute("Delete humHistInsurance Where PersonID = 'P1'And InsurKind = 1 And ChangeTimes = 2"), 1);
    auto rs = db_->Query("Select PersonID, InsurKind, ChangeTimes From humHistInsurance Order By PersonID, InsurKind, ChangeTimes");
    ASSERT_EQ(rs.rows.size(), 3u);
    EXPECT_EQ(rs.rows[0], (std::vector<Variant>{"P1", 1, 1}));
    EXPECT_EQ(rs.rows[1], (std::vector<Variant>{"P1", 2, 2}));
    EXPECT_EQ(rs.rows[2], (std::vector<Variant>{"P2", 1, 2}));
}

TEST_F(SQLiteDatabaseTest, NumberGluedToKeyword) {
    Run("Create Table humChangeSalary (PersonID TEXT, ChangeTimes INTEGER, NAdjustDate INTEGER, IsTransfer BIT, "
        "IsNew BIT)");
    Run("Insert Into humChangeSalary Values ('P1', 2, 20041201, 0, 1)");
    Run("Insert Into humChangeSalary Values ('P1', 1, 20040601, 0, 1)");
    Run("Insert Into humChangeSalary Values ('P1', 3, 20050102, 0, 1)");  // after the date
    Run("Insert Into humChangeSalary Values ('P1', 4, 20040101, 1, 1)");  // transferred
    Run("Insert Into humChangeSalary Values ('P2', 1, 20040101, 0, 1)");  // another person
    auto rs = db_->Query(
        "Select * From humChangeSalary Where IsTransfer = 0 And IsNew = 1 And NAdjustDate <= 20050101And "
        "PersonID = 'P1' Order By PersonID,ChangeTimes,NAdjustDate");
    EXPECT_EQ(Column(rs, "ChangeTimes"), (std::vector<Variant>{1, 2}));
    EXPECT_EQ(Column(rs, "IsNew"), (std::vector<Variant>{true, true}));
}

TEST_F(SQLiteDatabaseTest, IsNullOfAggregateOverEmptyAndFilledTable) {
    Run("Create Table humOverTime (PersonID TEXT, OverTimeDate INTEGER)");
    const std::string sql = " Select isNull(Min(OvertimeDate), '0') as OverTimeDateMin From HumOverTime ";
    auto empty = db_->Query(sql);
    ASSERT_EQ(empty.rows.size(), 1u);
    EXPECT_EQ(empty.columns[0].name, "OverTimeDateMin");
    EXPECT_EQ(empty.rows[0][0], Variant("0"));
    Run("Insert Into humOverTime Values ('P1', 20050115)");
    Run("Insert Into humOverTime Values ('P1', 20050103)");
    EXPECT_EQ(Scalar(sql), Variant(20050103));
}

TEST_F(SQLiteDatabaseTest, QuoteInValueRoundTrips) {
    Run("Create Table comPerson (PersonID TEXT, PersonName TEXT)");
    Run("Insert Into comPerson (PersonID, PersonName) Values ('P1', 'O''Brien')");
    Run("Insert Into comPerson (PersonID, PersonName) Values ('P2', N'D''Arcy; Jr')");
    db_->Execute("Insert Into comPerson (PersonID, PersonName) Values (?, ?)", {"P3", "O'Neil"});
    EXPECT_EQ(Scalar("Select PersonName From comPerson Where PersonID = 'P1'"), Variant("O'Brien"));
    EXPECT_EQ(Scalar("Select PersonID From comPerson Where PersonName = 'O''Brien'"), Variant("P1"));
    EXPECT_EQ(Scalar("Select PersonName From comPerson Where PersonID = 'P2'"), Variant("D'Arcy; Jr"));
    EXPECT_EQ(Scalar("Select PersonID From comPerson Where PersonName = 'O''Neil'"), Variant("P3"));
}

TEST_F(SQLiteDatabaseTest, TopWithOrderByAndInSubquery) {
    Run("Create Table humSpecials (Longevity INTEGER, SpecNumber INTEGER)");
    for (int i = 1; i <= 5; ++i)
        db_->Execute("Insert Into humSpecials Values (?, ?)", {i * 12, i * 100});
    auto rs = db_->Query("Select Top 2 SpecNumber From humSpecials Where Longevity <= 50 Order By Longevity Desc");
    EXPECT_EQ(Column(rs, "SpecNumber"), (std::vector<Variant>{400, 300}));
    EXPECT_EQ(Scalar("Select Count(*) From humSpecials Where SpecNumber In (Select Top 3 SpecNumber From "
                     "humSpecials Order By SpecNumber Desc)"),
              Variant(3));
    EXPECT_EQ(Scalar("Select Top 1 SpecNumber From humSpecials Order By SpecNumber"), Variant(100));
}

TEST_F(SQLiteDatabaseTest, DivisionFollowsTheDeclaredTypes) {
    Run("Create Table HumOverTime (PersonID TEXT, OverTimeDate INTEGER, Amount MONEY, Hours FLOAT)");
    // Whole numbers bound as doubles are still whole numbers in integer and money columns.
    db_->Execute("Insert Into HumOverTime Values ('P1', ?, ?, ?)", {20050115.0, Currency::FromInt(100), 7.0});
    db_->Execute("Insert Into HumOverTime Values ('P2', ?, ?, ?)", {20050231, 50.0, 2.5});
    auto rs = db_->Query("Select OverTimeDate/100 as M From HumOverTime Order By PersonID");
    EXPECT_EQ(Column(rs, "M"), (std::vector<Variant>{200501, 200502}));
    // Money divided by an integer keeps its fraction, as in the dialect.
    auto amount = Scalar("Select Amount / 3 From HumOverTime Where PersonID = 'P1'");
    ASSERT_EQ(amount.Type(), VarType::Float);
    EXPECT_NEAR(amount.AsFloat(), 33.3333, 1e-3);
    EXPECT_EQ(Scalar("Select Sum(Amount) / Count(*) From HumOverTime"), Variant(75.0));
    EXPECT_EQ(Scalar("Select Hours / 2 From HumOverTime Where PersonID = 'P1'"), Variant(3.5));
    EXPECT_EQ(Scalar("Select 7 / 2"), Variant(3));
    // Grouping on a division, the shape of the monthly overtime summary.
    auto months = db_->Query("Select OverTimeDate/100 as YM, Count(*) as N From HumOverTime Group By "
                             "OverTimeDate/100 Order By OverTimeDate/100");
    EXPECT_EQ(Column(months, "YM"), (std::vector<Variant>{200501, 200502}));
}

TEST_F(SQLiteDatabaseTest, DivisionTranslationFollowsSchemaChanges) {
    Run("Create Table humRate (V INTEGER)");
    Run("Insert Into humRate Values (7)");
    const std::string sql = "Select V / 2 From humRate";
    EXPECT_EQ(Scalar(sql), Variant(3));
    Run("Drop Table humRate");
    Run("Create Table humRate (V MONEY)");
    Run("Insert Into humRate Values (7)");
    EXPECT_EQ(Scalar(sql), Variant(3.5));
}

TEST_F(SQLiteDatabaseTest, BracketedIdentifiersAndComments) {
    Run("Create Table [hum Unit] ([Order] INTEGER, [Name] TEXT)");
    Run("Insert Into [hum Unit] ([Order], [Name]) Values (1, 'a') -- trailing comment");
    Run("/* leading */ Insert Into [hum Unit] Values (2, 'b');");
    auto rs = db_->Query("Select [Order], Name /* inline; not a second statement */ From [hum Unit] -- note\n"
                         "Where [Order] > 1");
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.columns[0].name, "Order");
    EXPECT_EQ(rs.rows[0], (std::vector<Variant>{2, "b"}));
}

TEST_F(SQLiteDatabaseTest, SecondStatementIsRefusedAndNothingRuns) {
    Run("Create Table comPerson (PersonID TEXT)");
    Run("Create Table humExcuse (BillNo TEXT)");
    Run("Create Table x (A INTEGER)");
    Run("Insert Into comPerson Values ('P1')");
    Run("Insert Into humExcuse Values ('')");
    EXPECT_THROW(db_->Query("Select 1; Drop Table x"), DatabaseError);
    EXPECT_THROW(db_->Execute("Delete humExcuse Where BillNo = '' ; Delete comPerson"), DatabaseError);
    EXPECT_THROW(db_->Execute("Select * From comPerson; Delete comPerson"), DatabaseError);
    EXPECT_THROW(db_->Execute("Select * From comPerson Delete comPerson"), DatabaseError);
    EXPECT_EQ(db_->TableColumns("x").size(), 1u);
    EXPECT_EQ(Scalar("Select Count(*) From comPerson"), Variant(1));
    EXPECT_EQ(Scalar("Select Count(*) From humExcuse"), Variant(1));
    // A semicolon in a literal and one trailing semicolon are fine.
    EXPECT_EQ(db_->Execute("Update comPerson Set PersonID = 'P;1';"), 1);
}

TEST_F(SQLiteDatabaseTest, NamesCompareWithoutRegardToCaseAndTableColumns) {
    Run("Create Table humOverTime (PersonID TEXT, OverTimeDate INTEGER, Rate FLOAT, Pay MONEY, Night BIT)");
    Run("Insert Into HUMOVERTIME (personid, OVERTIMEDATE) Values ('P1', 20050101)");
    auto rs = db_->Query("Select PERSONID, overtimedate From HumOverTime");
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.ColumnIndex("PersonID"), 0);
    EXPECT_EQ(rs.ColumnIndex("OverTimeDate"), 1);
    EXPECT_EQ(rs.ColumnIndex("Missing"), -1);
    auto cols = db_->TableColumns("HUMOVERTIME");
    std::vector<std::pair<std::string, ColumnType>> got;
    for (const auto& c : cols) got.emplace_back(c.name, c.type);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, ColumnType>>{{"PersonID", ColumnType::Text},
                                                                   {"OverTimeDate", ColumnType::Integer},
                                                                   {"Rate", ColumnType::Float},
                                                                   {"Pay", ColumnType::Currency},
                                                                   {"Night", ColumnType::Boolean}}));
    EXPECT_TRUE(db_->TableColumns("humNoSuchTable").empty());
}

// ---- the connection ----------------------------------------------------------------------

TEST_F(SQLiteDatabaseTest, CachedStatementRebindsParameters) {
    Run("Create Table humFamily (PersonID TEXT, Flag INTEGER)");
    const std::string insert = "Insert Into humFamily Values (?, ?)";
    for (int i = 0; i < 4; ++i) db_->Execute(insert, {i % 2 ? "P2" : "P1", i});
    const std::string count = "Select Count(*), Max(Flag) From humFamily Where PersonID = ?";
    EXPECT_EQ(*db_->QueryFirst(count, {"P1"}), (std::vector<Variant>{2, 2}));
    EXPECT_EQ(*db_->QueryFirst(count, {"P2"}), (std::vector<Variant>{2, 3}));
    EXPECT_EQ(db_->Query(count, {"P3"}).rows[0][0], Variant(0));
    // Far more statements than the cache holds: evicted ones are compiled again.
    for (int i = 0; i < 300; ++i) db_->Query("Select " + std::to_string(i) + " From humFamily Where PersonID = ?", {"P1"});
    EXPECT_EQ(*db_->QueryFirst(count, {"P2"}), (std::vector<Variant>{2, 3}));
    // A failed run leaves the statement usable.
    EXPECT_THROW(db_->Query(count, {}), DatabaseError);
    EXPECT_EQ(*db_->QueryFirst(count, {"P1"}), (std::vector<Variant>{2, 2}));
}

TEST_F(SQLiteDatabaseTest, RecorderKeepsTheOriginalText) {
    Run("Create Table humExcuse (BillNo TEXT)");
    db_->Recorder().Start();
    db_->Execute("Delete humExcuse Where BillNo = 'B1'");
    db_->Query("Select Top 1 [BillNo] From humExcuse");
    db_->QueryFirst("Select IsNull(Max(BillNo), '') From humExcuse");
    db_->Recorder().Stop();
    db_->Execute("Delete humExcuse");
    EXPECT_EQ(db_->Recorder().Statements(),
              (std::vector<std::string>{"Delete humExcuse Where BillNo = 'B1'", "Select Top 1 [BillNo] From humExcuse",
                                        "Select IsNull(Max(BillNo), '') From humExcuse"}));
}

TEST_F(SQLiteDatabaseTest, BindsAndReadsEachValueType) {
    Run("Create Table humAll (T TEXT, V NVARCHAR(20), I INTEGER, S SMALLINT, F FLOAT, D DECIMAL(18,4), M MONEY, "
        "B BIT, N INTEGER)");
    db_->Execute("Insert Into humAll Values (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {"text", 12, int64_t{1} << 40, true, 2.5, 3, Currency::FromUnits(12345), false, Variant()});
    auto rs = db_->Query("Select T, V, I, S, F, D, M, B, N, I + 1 as E, 'x' as X, 1.5 as R From humAll");
    ASSERT_EQ(rs.rows.size(), 1u);
    const auto& row = rs.rows[0];
    EXPECT_EQ(row[0], Variant("text"));
    EXPECT_EQ(row[1], Variant("12"));  // a number stored in a text column reads as text
    EXPECT_EQ(row[2], Variant(int64_t{1} << 40));
    EXPECT_EQ(row[3], Variant(1));
    EXPECT_EQ(row[4], Variant(2.5));
    EXPECT_EQ(row[5], Variant(3.0));
    EXPECT_EQ(row[6], Variant(Currency::FromUnits(12345)));
    EXPECT_EQ(row[7], Variant(false));
    EXPECT_TRUE(row[8].IsNull());
    EXPECT_EQ(row[9], Variant((int64_t{1} << 40) + 1));
    EXPECT_EQ(row[10], Variant("x"));
    EXPECT_EQ(row[11], Variant(1.5));
    std::vector<ColumnType> types;
    for (const auto& c : rs.columns) types.push_back(c.type);
    EXPECT_EQ(types, (std::vector<ColumnType>{ColumnType::Text, ColumnType::Text, ColumnType::Integer,
                                              ColumnType::Integer, ColumnType::Float, ColumnType::Float,
                                              ColumnType::Currency, ColumnType::Boolean, ColumnType::Integer,
                                              ColumnType::Integer, ColumnType::Text, ColumnType::Float}));
    // An integer column holding a fraction gives the fraction back rather than cutting it.
    db_->Execute("Update humAll Set N = ?", {2.75});
    EXPECT_EQ(Scalar("Select N From humAll"), Variant(2.75));
}

TEST_F(SQLiteDatabaseTest, RefusesParametersItCannotBind) {
    Run("Create Table humExcuse (BillNo TEXT)");
    EXPECT_THROW(db_->Execute("Insert Into humExcuse Values (?)", {Variant(VariantArray{1, 2})}), DatabaseError);
    EXPECT_THROW(db_->Execute("Insert Into humExcuse Values (?)", {}), DatabaseError);
    EXPECT_THROW(db_->Execute("Insert Into humExcuse Values (?)", {"a", "b"}), DatabaseError);
    EXPECT_EQ(Scalar("Select Count(*) From humExcuse"), Variant(0));
}

TEST_F(SQLiteDatabaseTest, ErrorsCarryMessageAndOriginalStatement) {
    try {
        db_->Query("Select Top 1 * From humMissing");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("no such table"), std::string::npos) << e.what();
        EXPECT_EQ(e.Statement(), "Select Top 1 * From humMissing");
    }
    EXPECT_FALSE(db_->QueryFirst("Select 1 Where 1 = 0").has_value());
}

TEST_F(SQLiteDatabaseTest, TransactionsAndSavepoints) {
    Run("Create Table humFamily (PersonID TEXT)");
    EXPECT_FALSE(db_->InTransaction());
    db_->Rollback();  // nothing to undo
    db_->BeginWrite();
    EXPECT_TRUE(db_->InTransaction());
    Run("Insert Into humFamily Values ('P1')");
    db_->Savepoint("bill_1");
    Run("Insert Into humFamily Values ('P2')");
    db_->RollbackToSavepoint("bill_1");
    db_->ReleaseSavepoint("bill_1");
    db_->Savepoint("bill_2");
    Run("Insert Into humFamily Values ('P3')");
    db_->ReleaseSavepoint("bill_2");
    db_->Commit();
    EXPECT_FALSE(db_->InTransaction());
    EXPECT_EQ(Column(db_->Query("Select PersonID From humFamily Order By PersonID"), "PersonID"),
              (std::vector<Variant>{"P1", "P3"}));

    db_->BeginRead();
    EXPECT_TRUE(db_->InTransaction());
    Run("Delete humFamily");
    db_->Rollback();
    EXPECT_EQ(Scalar("Select Count(*) From humFamily"), Variant(2));

    EXPECT_THROW(db_->Savepoint("outside"), DatabaseError);
    db_->BeginWrite();
    EXPECT_THROW(db_->BeginWrite(), DatabaseError);
    for (const char* bad : {"", "1a", "a b", "a;Drop", "a-b"}) EXPECT_THROW(db_->Savepoint(bad), DatabaseError) << bad;
    EXPECT_THROW(db_->RollbackToSavepoint("never_set"), DatabaseError);
    db_->Rollback();
    EXPECT_THROW(db_->Commit(), DatabaseError);
}

// ---- two connections on one file ----------------------------------------------------------

class SQLiteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto name = "humrs_db_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
        path_ = (std::filesystem::temp_directory_path() / name).string();
        Remove();
    }
    void TearDown() override { Remove(); }
    void Remove() {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path_ + suffix);
    }
    std::string path_;
};

TEST_F(SQLiteFileTest, WriteLockMakesASecondWriterWait) {
    auto first = OpenSQLite(path_);
    auto second = OpenSQLite(path_);
    EXPECT_EQ(first->QueryFirst("PRAGMA journal_mode")->front(), Variant("wal"));
    first->Execute("Create Table humFamily (PersonID TEXT)");
    second->Execute("PRAGMA busy_timeout = 50");

    first->BeginWrite();
    first->Execute("Insert Into humFamily Values ('P1')");
    EXPECT_THROW(second->BeginWrite(), DatabaseError);
    EXPECT_FALSE(second->InTransaction());
    // Readers are not blocked and do not see the open transaction.
    EXPECT_EQ(second->QueryFirst("Select Count(*) From humFamily")->front(), Variant(0));
    first->Commit();

    second->BeginWrite();
    EXPECT_EQ(second->QueryFirst("Select Count(*) From humFamily")->front(), Variant(1));
    second->Rollback();

    // With a longer timeout the second writer waits for the first to finish.
    second->Execute("PRAGMA busy_timeout = 5000");
    first->BeginWrite();
    std::atomic<bool> committed{false};
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        committed = true;
        first->Commit();
    });
    second->BeginWrite();
    EXPECT_TRUE(committed.load());
    second->Commit();
    releaser.join();
}

// What one connection learnt of a table's columns and types follows a change of the
// schema made by another, inside a transaction and outside one.
TEST_F(SQLiteFileTest, SchemaChangedByAnotherConnectionIsSeen) {
    auto first = OpenSQLite(path_);
    auto second = OpenSQLite(path_);
    first->Execute("Create Table humRate (V INTEGER)");
    first->Execute("Insert Into humRate Values (7)");
    ASSERT_EQ(first->TableColumns("humRate").size(), 1u);
    ASSERT_EQ(first->QueryFirst("Select V / 2 From humRate Where V = 7")->front(), Variant(3));
    ASSERT_EQ(first->Query("Select * From humRate").columns.size(), 1u);

    second->Execute("Alter Table humRate Add W INTEGER");
    EXPECT_EQ(first->TableColumns("humRate").size(), 2u);
    const ResultSet all = first->Query("Select * From humRate");
    EXPECT_EQ(all.columns.size(), 2u);
    ASSERT_EQ(all.rows.size(), 1u);
    EXPECT_EQ(all.rows[0].size(), 2u);

    first->BeginRead();
    EXPECT_EQ(first->TableColumns("humRate").size(), 2u);
    first->Commit();
    second->Execute("Drop Table humRate");
    second->Execute("Create Table humRate (V MONEY)");
    second->Execute("Insert Into humRate Values (7)");
    first->BeginRead();
    // The same text, translated again for the new column type.
    EXPECT_EQ(first->QueryFirst("Select V / 2 From humRate Where V = 7")->front(), Variant(3.5));
    EXPECT_EQ(first->TableColumns("humRate").size(), 1u);
    first->Commit();
}

// SQLite reads statement text only up to a NUL: such a text is refused, not cut.
TEST_F(SQLiteDatabaseTest, StatementHoldingNulIsRefusedNotCut) {
    Run("Create Table t (a Text)");
    const std::string cut = std::string("Insert Into t (a) Values ('x')") + '\0' + "; Delete From t";
    EXPECT_THROW(db_->Execute(cut), DatabaseError);
    EXPECT_EQ(db_->Query("Select a From t").rows.size(), 0u);
    // As a bound value it is stored whole.
    db_->Execute("Insert Into t (a) Values (?)", {Variant(std::string("a\0b", 3))});
    EXPECT_EQ(db_->Query("Select a From t").rows.at(0).at(0).AsString(), std::string("a\0b", 3));
}

}  // namespace
}  // namespace humrs
