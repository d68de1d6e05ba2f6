// Statements that differ only in their values share one compiled statement and still
// give each its own rows; literals that shape a statement keep working; reference data
// read within one transaction is read anew once the transaction changes it, and outlives
// the transaction only while nothing else changed the database.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/Convert.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

// Rows as "a,b;c,d", numbers in their shortest form.
std::string Rows(const ResultSet& rs) {
    std::string out;
    for (const auto& row : rs.rows) {
        if (!out.empty()) out += ";";
        for (size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + CStr(row[i]);
    }
    return out;
}

class StatementSharingTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::OpenTestDatabase();
        db->KnowTables(ComponentRegistry().Tables());
        db->Execute(
            "Insert Into comPerson (PersonID, PersonName, OnJobDate, LeaveJobDate) Values ('P1', 'Li', 20040101, 0)");
        db->Execute(
            "Insert Into comPerson (PersonID, PersonName, OnJobDate, LeaveJobDate) Values ('P2', 'Wang', 20050315, 0)");
        db->Execute("Insert Into comPerson (PersonID, PersonName, OnJobDate, LeaveJobDate) Values ('Q3', 'O''Brien', "
                    "20050401, 20051231)");
    }
    std::string Param(const std::string& key) {
        auto row = db->QueryFirst("Select ParamValue From comSysParam Where ParamKey = '" + key + "'");
        return row ? CStr((*row)[0]) : "(none)";
    }
    std::unique_ptr<Database> db;
};

TEST_F(StatementSharingTest, SameStatementWithOtherValuesGivesItsOwnRows) {
    struct Case {
        std::string id;
        int hiredFrom;
        const char* expected;
    };
    const Case cases[] = {{"P1", 20000101, "Li,20040101"},
                          {"P2", 20000101, "Wang,20050315"},
                          {"P2", 20050316, ""},
                          {"Q3", 20050401, "O'Brien,20050401"},
                          {"P1", 20040101, "Li,20040101"}};
    db->Query("Select PersonName, OnJobDate From comPerson Where PersonID = 'P9' And OnJobDate >= 1");
    const size_t compiled = db->PreparedStatementCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id + " " + std::to_string(c.hiredFrom));
        EXPECT_EQ(Rows(db->Query("Select PersonName, OnJobDate From comPerson Where PersonID = '" + c.id +
                                 "' And OnJobDate >= " + std::to_string(c.hiredFrom))),
                  c.expected);
    }
    // Writes with their values in the text, the same way.
    for (int date : {20060101, 20070101}) {
        db->Execute("Update comPerson Set LeaveJobDate = " + std::to_string(date) + " Where PersonID = 'P2'");
        EXPECT_EQ(Rows(db->Query("Select LeaveJobDate From comPerson Where PersonID = 'P2'")), std::to_string(date));
    }
    // The select above, the update and the select of the leaving date: one each, on
    // either backend.
    EXPECT_EQ(db->PreparedStatementCount(), compiled + 2);
}

TEST_F(StatementSharingTest, CompiledStatementsStayWithinTheirBound) {
    for (int i = 0; i < 600; ++i) {
        // A different column alias each time: a statement of its own.
        const std::string alias = "C" + std::to_string(i);
        ResultSet rs = db->Query("Select OnJobDate As " + alias + " From comPerson Where PersonID = 'P1'");
        ASSERT_EQ(Rows(rs), "20040101") << alias;
        ASSERT_LE(db->PreparedStatementCount(), 256u);
    }
    // A statement pushed out of the bound is compiled again and still right.
    EXPECT_EQ(Rows(db->Query("Select OnJobDate As C0 From comPerson Where PersonID = 'P2'")), "20050315");
}

// Literals whose value is part of what the statement means.
TEST_F(StatementSharingTest, LiteralsThatShapeAStatementKeepTheirMeaning) {
    for (auto [date, hours] : {std::pair{20040105, 2}, {20040120, 3}, {20040203, 4}})
        db->Execute("Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, FieldACount) Values (1, 'O" +
                    std::to_string(date) + "', 0, 'P1', " + std::to_string(date) + ", " + std::to_string(hours) + ")");
    struct Case {
        const char* what;
        const char* sql;
        const char* expected;
    };
    const Case cases[] = {
        {"row count of Top", "Select Top 2 PersonID From comPerson Order By PersonID", "P1;P2"},
        {"another row count of Top", "Select Top 1 PersonID From comPerson Order By PersonID", "P1"},
        {"column positions of Order By", "Select PersonID, OnJobDate From comPerson Order By 2 Desc", "Q3,20050401;P2,20050315;P1,20040101"},
        {"Group By repeating a select-list expression",
         "Select OverTimeDate/100 As YM, Count(*) As N From humOverTime Group By OverTimeDate/100 Order By 1",
         "200401,2;200402,1"},
        {"texts of a Case", "Select PersonID, Case When OnJobDate > 20041231 Then 'new' Else 'old' End As K From "
                            "comPerson Order By PersonID",
         "P1,old;P2,new;Q3,new"},
        {"whole-number default of IsNull",
         "Select IsNull(Max(OnJobDate), 0) + 1 As M From comPerson Where PersonID = 'none'", "1"},
        {"length of a Cast", "Select Cast(OnJobDate As Varchar(8)) As D From comPerson Where PersonID = 'P1'",
         "20040101"},
        {"whole-number division in a condition", "Select PersonID From comPerson Where OnJobDate / 10000 = 2005 "
                                                 "Order By PersonID",
         "P2;Q3"},
        {"pattern of Like", "Select PersonID From comPerson Where PersonID Like 'P%' Order By PersonID", "P1;P2"},
        {"list of In", "Select PersonID From comPerson Where OnJobDate In (20040101, 20050401) Order By PersonID",
         "P1;Q3"},
        {"a date bound", "Select PersonID From comPerson Where OnJobDate < 20050101 Order By PersonID", "P1"},
        {"the same statement with a number no parameter carries",
         "Select PersonID From comPerson Where OnJobDate < 100000000000000000000 Order By PersonID", "P1;P2;Q3"},
        {"negated comparisons turned round for an index",
         "Select PersonID From comPerson Where Not (OnJobDate > 20050331 Or LeaveJobDate > 0) Order By PersonID",
         "P1;P2"},
        {"negated comparison with a NULL", "Select PersonID From comPerson Where Not (OnJobDate > Null Or "
                                           "LeaveJobDate > 0)",
         ""},
        {"sum with a lifted bound in a subquery",
         "Select PersonID, (Select Sum(FieldACount) From humOverTime B Where B.PersonID = A.PersonID And "
         "B.OverTimeDate < 20040201) As H From comPerson A Where PersonID = 'P1'",
         "P1,5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Rows(db->Query(c.sql)), c.expected);
    }
}

TEST_F(StatementSharingTest, ReferenceDataChangedWithinATransactionIsReadAnew) {
    db->Execute("Insert Into comSysParam (ParamKey, ParamValue) Values ('HumMakeUpRestTerm', '1')");
    db->BeginWrite();
    EXPECT_EQ(Param("HumMakeUpRestTerm"), "1");
    db->Execute("Update comSysParam Set ParamValue = '2' Where ParamKey = 'HumMakeUpRestTerm'");
    EXPECT_EQ(Param("HumMakeUpRestTerm"), "2");
    // Undone to a savepoint: what was read after it is undone too.
    db->Savepoint("sp");
    db->Execute("Update comSysParam Set ParamValue = '3' Where ParamKey = 'HumMakeUpRestTerm'");
    EXPECT_EQ(Param("HumMakeUpRestTerm"), "3");
    db->RollbackToSavepoint("sp");
    db->ReleaseSavepoint("sp");
    EXPECT_EQ(Param("HumMakeUpRestTerm"), "2");
    // A person's dates, and a read that joins other data, follow the writes as well.
    const std::string hired = "Select OnJobDate From comPerson Where PersonID = 'P1'";
    EXPECT_EQ(Rows(db->Query(hired)), "20040101");
    db->Execute("Update comPerson Set OnJobDate = 20030101 Where PersonID = 'P1'");
    EXPECT_EQ(Rows(db->Query(hired)), "20030101");
    const std::string leaveOfP1 =
        "Select Count(*) From comPerson A Inner Join humExcuse B On A.PersonID = B.PersonID Where A.PersonID = 'P1'";
    EXPECT_EQ(Rows(db->Query(leaveOfP1)), "0");
    db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID) Values (1, 'L1', 0, 'P1')");
    EXPECT_EQ(Rows(db->Query(leaveOfP1)), "1");
    db->Rollback();
    EXPECT_EQ(Param("HumMakeUpRestTerm"), "1");
    EXPECT_EQ(Rows(db->Query(hired)), "20040101");
}

// What a transaction read of reference data serves the connection's next write
// transaction only while nothing else has changed the database: another connection's
// commit, a write of its own outside a transaction or a rolled-back one is always seen.
// On PostgreSQL, which cannot tell, every transaction reads anew.
TEST(ReferenceCarryTest, ReadsOutliveACommitOnlyWhileTheDatabaseIsAsTheConnectionLeftIt) {
    const auto folder = std::filesystem::temp_directory_path() / ("humrs_sharing_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string location = testing::CreateSharedTestDatabase(folder);
    {
        auto db = OpenDatabase(location);
        auto other = OpenDatabase(location);
        db->KnowTables(ComponentRegistry().Tables());
        AddLeaveCategory(*other, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        const std::string kind = "Select ExcuseCls From humExcuseCls Where ExcuseClsID = 'SJ'";
        const std::string setKind = "Update humExcuseCls Set ExcuseCls = ? Where ExcuseClsID = 'SJ'";
        const bool carries = db->Kind() == Backend::SQLite;
        // A write transaction of its own that changes the kind, reads it and ends.
        auto ownWrite = [&](int value, bool commit) {
            return [&db, &kind, &setKind, value, commit] {
                db->BeginWrite();
                db->Execute(setKind, {Variant(value)});
                EXPECT_EQ(Rows(db->Query(kind)), std::to_string(value));
                commit ? db->Commit() : db->Rollback();
            };
        };
        struct Case {
            const char* what;
            std::function<void()> between;  // after a transaction that read the kind and committed
            std::string kind;               // what the next transaction reads
            bool answered;                  // from what was kept, where the backend can tell
        };
        const Case cases[] = {
            {"nothing", [] {}, "0", true},
            {"another connection's commit", [&] { other->Execute(setKind, {Variant(1)}); }, "1", false},
            {"a write of its own outside a transaction", [&] { db->Execute(setKind, {Variant(2)}); }, "2", false},
            {"a write of its own committed and read again", ownWrite(3, true), "3", true},
            {"a write of its own rolled back", ownWrite(4, false), "3", false},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            db->BeginWrite();
            db->Query(kind);
            db->Commit();
            c.between();
            db->BeginWrite();
            const uint64_t before = db->Sent().statements;
            EXPECT_EQ(Rows(db->Query(kind)), c.kind);
            const uint64_t sent = db->Sent().statements - before;
            if (c.answered && carries)
                EXPECT_EQ(sent, 0u);
            else
                EXPECT_GE(sent, 1u);
            db->Commit();
        }
        // A read transaction always reads anew.
        other->Execute(setKind, {Variant(5)});
        db->BeginRead();
        EXPECT_EQ(Rows(db->Query(kind)), "5");
        db->Commit();
    }
    std::filesystem::remove_all(folder);
}

// Within a transaction, the reads of plain columns of a remembered table by its whole
// key, however they are written, are answered from one read of the row; a write to
// the table, another key or the transaction's end sends the next read to the database.
class RememberedRowTest : public StatementSharingTest {
protected:
    void SetUp() override {
        StatementSharingTest::SetUp();
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        AddLeaveCategory(*db, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
    }
    // A write transaction that has run its first statement (whatever a backend looks
    // at once per transaction is behind it).
    void BeginWrite() {
        db->BeginWrite();
        db->Query("Select Count(*) From humOverTime");
    }
    // Statements sent to the database while `read` runs.
    template <class F>
    uint64_t Sent(F&& read) {
        const uint64_t before = db->Sent().statements;
        read();
        return db->Sent().statements - before;
    }
};

TEST_F(RememberedRowTest, ReadsOfOneRowByItsKeyShareOneRead) {
    struct Case {
        const char* what;
        std::string sql;
        std::vector<Variant> params;
        const char* expected;
        bool sent;  // whether it went to the database, the reads before it having run
    };
    const Case cases[] = {
        {"the kind by an alias", "select B.ExcuseCls from humExcuseCls B where B.ExcuseClsID = 'SJ'", {}, "0", true},
        {"the kind by a parameter", "Select ExcuseCls From humExcuseCls Where ExcuseClsID = ?", {Variant("SJ")}, "0",
         false},
        {"two columns, the table named", "Select humExcuseCls.UnitName, ExcuseClsName From humExcuseCls Where "
                                         "humExcuseCls.ExcuseClsID = 'SJ'",
         {}, "1,事假", false},
        {"another category", "Select ExcuseCls From humExcuseCls Where ExcuseClsID = 'BX'", {}, "12", true},
        {"a category that does not exist, twice", "Select ExcuseCls From humExcuseCls Where ExcuseClsID = 'NO'", {},
         "", true},
        {"", "Select UnitName From humExcuseCls Where ExcuseClsID = ?", {Variant("NO")}, "", false},
        {"the hire date", "Select OnJobDate From ComPerson Where PersonID = 'P1'", {}, "20040101", true},
        {"the hire date and leaving date", "Select OnJobDate, LeaveJobDate From comPerson Where PersonID = ?",
         {Variant("P1")}, "20040101,0", false},
        {"not by the key: run as written", "Select ExcuseClsID From humExcuseCls Where ExcuseCls = 12", {}, "BX", true},
        {"a computed column: run as written", "Select ExcuseCls + 1 From humExcuseCls Where ExcuseClsID = 'SJ'", {},
         "1", true},
    };
    BeginWrite();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what + (" " + c.sql));
        std::string rows;
        const uint64_t sent = Sent([&] { rows = Rows(db->Query(c.sql, c.params)); });
        if (c.sent)
            EXPECT_GE(sent, 1u);  // the row's read, or the statement itself
        else
            EXPECT_EQ(sent, 0u);
        EXPECT_EQ(rows, c.expected);
    }
    // The first row of a read by key, from the same row.
    auto first = db->QueryFirst("Select ExcuseClsName, ExcuseCls From humExcuseCls Where ExcuseClsID = ?",
                                {Variant("BX")});
    ASSERT_TRUE(first);
    EXPECT_EQ(CStr((*first)[0]) + "," + CStr((*first)[1]), "补休,12");
    EXPECT_FALSE(db->QueryFirst("Select ExcuseCls From humExcuseCls Where ExcuseClsID = ?", {Variant("NO")}));
    // Reads sent together, one of them a remembered row not read yet, behind a write
    // held back: each answer in its place.
    db->ExecuteLater("Insert Into humOverTime (Flag, BillNo, RowNo, PersonID) Values (1, 'O1', 0, 'P1')");
    const std::vector<ResultSet> together =
        db->QueryEach({{"Select Count(*) From humOverTime", {}},
                       {"Select LeaveJobDate, OnJobDate From comPerson Where PersonID = ?", {Variant("P1")}},
                       {"Select ExcuseCls From humExcuseCls Where ExcuseClsID = 'BX'", {}},
                       {"Select PersonID From humOverTime Where BillNo = 'O1'", {}}});
    ASSERT_EQ(together.size(), 4u);
    EXPECT_EQ(Rows(together[0]) + "|" + Rows(together[1]) + "|" + Rows(together[2]) + "|" + Rows(together[3]),
              "1|0,20040101|12|P1");
    db->Commit();
}

TEST_F(RememberedRowTest, AWriteOrTheTransactionsEndSendsTheNextReadToTheDatabase) {
    const std::string kind = "Select ExcuseCls From humExcuseCls Where ExcuseClsID = 'SJ'";
    const std::string unit = "Select UnitName From humExcuseCls Where ExcuseClsID = ?";
    BeginWrite();
    EXPECT_EQ(Rows(db->Query(kind)), "0");
    db->Execute("Update humExcuseCls Set UnitName = 2, ExcuseCls = 1 Where ExcuseClsID = 'SJ'");
    uint64_t sent = Sent([&] { EXPECT_EQ(Rows(db->Query(unit, {Variant("SJ")})), "2"); });
    EXPECT_EQ(sent, 1u);
    EXPECT_EQ(Sent([&] { EXPECT_EQ(Rows(db->Query(kind)), "1"); }), 0u);
    db->Rollback();
    // The change went with the transaction, and nothing kept outlives it.
    BeginWrite();
    EXPECT_EQ(Sent([&] { EXPECT_EQ(Rows(db->Query(kind)), "0"); }), 1u);
    EXPECT_EQ(Sent([&] { EXPECT_EQ(Rows(db->Query(unit, {Variant("SJ")})), "1"); }), 0u);
    db->Commit();
}

// Any read whose tables are all known, asked again with the same values in the same
// transaction, is answered from what it gave, until a write names one of its tables.
TEST_F(RememberedRowTest, AReadAskedAgainIsAnsweredUntilAWriteNamesItsTables) {
    const std::string shift = "Select ClassID From humJobScheduleDay Where SchID = ? And WeekDay = ?";
    const std::vector<Variant> monday = {Variant("S1"), Variant(1)};
    struct Step {
        const char* what;
        std::string sql;  // a write when `rows` is null
        const char* rows;
        bool sent;
    };
    const Step steps[] = {
        {"first read", shift, "", true},
        {"asked again", shift, "", false},
        {"a write to another table", "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID) Values (1, 'L1', 0, 'P1')",
         nullptr, true},
        {"still answered", shift, "", false},
        {"a write to its table", "Insert Into humJobScheduleDay (SchID, WeekDay, ClassID) Values ('S1', 1, 'DAY')",
         nullptr, true},
        {"read anew", shift, "DAY", true},
        {"answered again", shift, "DAY", false},
        {"a write naming its table in a subquery",
         "Update humExcuse Set Memo = 'x' Where PersonID In (Select SchID From humJobScheduleDay)", nullptr, true},
        {"read anew after it", shift, "DAY", true},
    };
    BeginWrite();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        std::string rows;
        const uint64_t sent = Sent([&] {
            if (step.rows)
                rows = Rows(db->Query(step.sql, monday));
            else
                db->Execute(step.sql);
        });
        EXPECT_EQ(sent > 0, step.sent);
        if (step.rows) EXPECT_EQ(rows, step.rows);
    }
    db->Rollback();
    BeginWrite();
    EXPECT_EQ(Sent([&] { EXPECT_EQ(Rows(db->Query(shift, monday)), ""); }), 1u);
    db->Commit();
}

}  // namespace
}  // namespace humrs
