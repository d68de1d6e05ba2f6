// What every backend promises behind the database interface, checked on the backend
// the environment chooses: values come back as they went in, statements kept between
// calls follow the schema, a failed statement can be undone to a savepoint, and an
// older database is upgraded in place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Convert.h"
#include "db/Schema.h"
#include "hosting/ClassTable.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

class BackendTest : public ::testing::Test {
protected:
    void SetUp() override { db = testing::OpenTestDatabase(); }
    std::unique_ptr<Database> db;
};

TEST_F(BackendTest, BoundValuesComeBackAsTheyWentIn) {
    struct Case {
        const char* what;
        Variant money;
        double quantity;
        std::string text;
    };
    const Case cases[] = {
        {"plain", Variant(Currency::FromUnits(12345678)), 0.1, "P1"},
        {"negative", Variant(Currency::FromUnits(-5000)), -2.75, "张三"},
        {"limits of the columns", Variant(Currency::FromUnits(999999999999999LL)), 1e15 - 1, std::string(300, 'x')},
        {"quotes and markers", Variant(Currency::FromUnits(1)), 1.0 / 3, "a'b\"c?$1\\n;--"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db->Execute("Delete humOverTime");
        db->Execute(
            "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, UseableRedeemCount, Memo) Values (1, ?, 0, ?, ?, ?)",
            {Variant("O1"), Variant(c.text), c.money, Variant(std::to_string(c.quantity))});
        db->Execute("Update humOverTime Set FieldACount = ? Where BillNo = ?", {Variant(c.quantity), Variant("o1")});
        db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, ExcuseCount) Values (1, 'L1', 0, ?)",
                    {Variant(c.quantity)});
        auto row = db->QueryFirst("Select PersonID, UseableRedeemCount From humOverTime Where BillNo = ?", {Variant("O1")});
        ASSERT_TRUE(row);
        EXPECT_EQ(CStr((*row)[0]), c.text);
        EXPECT_EQ((*row)[1].AsCurrency().Units(), c.money.AsCurrency().Units());
        EXPECT_EQ(CFloat((*db->QueryFirst("Select ExcuseCount From humExcuse"))[0]), c.quantity);
        db->Execute("Delete humExcuse");
    }
}

// A kept statement must not keep the shape of a table that changed since it ran.
TEST_F(BackendTest, KeptStatementsFollowTheSchemaAndOutliveTheirCache) {
    db->Execute("Insert Into comBank (BankID, BankName) Values ('B1', 'First')");
    EXPECT_EQ(db->Query("Select * From comBank").columns.size(), 2u);
    db->Execute(AddColumnDdl(TableDef{"comBank", {}, {}}, ColumnDef{"Branch", ColumnType::Text}, db->Kind()));
    ResultSet after = db->Query("Select * From comBank");
    ASSERT_EQ(after.columns.size(), 3u);
    EXPECT_EQ(CStr(after.rows.at(0).at(2)), "");

    // More distinct statements than are kept: the first ones still run right afterwards.
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(CInt((*db->QueryFirst("Select " + std::to_string(i) + " + Count(*) From comBank"))[0]), i + 1);
    EXPECT_EQ(CInt((*db->QueryFirst("Select 0 + Count(*) From comBank"))[0]), 1);
}

TEST_F(BackendTest, AFailedStatementIsUndoneToItsSavepointAndTheSaveGoesOn) {
    db->BeginWrite();
    db->Execute("Insert Into comBank (BankID, BankName) Values ('B1', 'First')");
    db->Savepoint("step");
    EXPECT_THROW(db->Execute("Insert Into comBank (BankID, BankName) Values ('b1', 'Again')"), DatabaseError);
    db->RollbackToSavepoint("step");
    db->ReleaseSavepoint("step");
    db->Execute("Insert Into comBank (BankID, BankName) Values ('B2', 'Second')");
    db->Commit();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(CInt((*db->QueryFirst("Select Count(*) From comBank"))[0]), 2);
    EXPECT_THROW(db->Execute("Delete comBank; Delete comPerson"), DatabaseError);
    EXPECT_THROW(db->Savepoint("x; Drop Table comBank"), DatabaseError);
}

// Reads asked together see the writes held back before them, answer in the order
// asked, and on a backend with a server cost one round trip; a read that fails raises,
// and nothing of the batch is left to be sent with a later statement.
TEST_F(BackendTest, ReadsAskedTogetherAnswerInOrderAfterTheWritesHeldBack) {
    db->BeginWrite();
    db->ExecuteLater("Insert Into comBank (BankID, BankName) Values ('B1', 'First')");
    db->ExecuteLater("Insert Into comBank (BankID, BankName) Values (?, ?)", {Variant("B2"), Variant("Second")});
    const uint64_t before = db->Sent().roundTrips;
    const std::vector<ResultSet> rs = db->QueryEach({
        {"Select BankName From comBank Where BankID = ?", {Variant("B2")}},
        {"Select Count(*) From comBank", {}},
        {"Select BankName From comBank Where BankID = 'none'", {}},
        {"Select BankID From comBank Order By BankID", {}},
    });
    if (db->Kind() == Backend::PostgreSQL) EXPECT_EQ(db->Sent().roundTrips - before, 1u);
    ASSERT_EQ(rs.size(), 4u);
    ASSERT_EQ(rs[0].rows.size(), 1u);
    EXPECT_EQ(CStr(rs[0].rows[0][0]), "Second");
    EXPECT_EQ(rs[0].columns[0].name, "BankName");
    EXPECT_EQ(CInt(rs[1].rows[0][0]), 2);
    EXPECT_TRUE(rs[2].rows.empty());
    ASSERT_EQ(rs[3].rows.size(), 2u);
    EXPECT_EQ(CStr(rs[3].rows[1][0]), "B2");

    db->Savepoint("step");
    EXPECT_THROW(db->QueryEach({{"Select Count(*) From comBank", {}}, {"Select NoSuchColumn From comBank", {}}}),
                 DatabaseError);
    db->RollbackToSavepoint("step");
    db->Execute("Insert Into comBank (BankID, BankName) Values ('B3', 'Third')");
    db->Commit();
    EXPECT_EQ(CInt((*db->QueryFirst("Select Count(*) From comBank"))[0]), 3);
}

// A table of an older version gains the columns it lacks, with their defaults, also
// for Nulls written afterwards; its rows stay.
TEST_F(BackendTest, UpgradeAddsMissingColumnsWithTheirDefaults) {
    const TableDef* full = ComponentRegistry().FindTable("humCutExcuse");
    ASSERT_NE(full, nullptr);
    TableDef old{full->name, {full->columns.begin(), full->columns.begin() + 3}, {"BillNo"}};
    db->Execute("Drop Table humCutExcuse");
    db->Execute(CreateTableDdl(old, db->Kind()));
    for (const std::string& statement : NullToDefaultDdl(old, db->Kind())) db->Execute(statement);
    db->Execute("Insert Into humCutExcuse (BillNo, BillDate) Values ('C1', 20050101)");

    CreateComponentSchema(*db);

    EXPECT_EQ(db->TableColumns("HUMCUTEXCUSE").size(), full->columns.size());
    db->Execute("Insert Into humCutExcuse (BillNo, Memo, ExcuseCount) Values ('C2', Null, Null)");
    ResultSet rs = db->Query("Select BillNo, BillDate, Memo, ExcuseCount From humCutExcuse Order By BillNo");
    ASSERT_EQ(rs.rows.size(), 2u);
    EXPECT_EQ(CInt(rs.rows[0][1]), 20050101);
    for (const auto& row : rs.rows) {
        EXPECT_EQ(CStr(row[2]), "");
        EXPECT_EQ(CFloat(row[3]), 0.0);
    }
}

}  // namespace
}  // namespace humrs
