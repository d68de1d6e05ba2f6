// Within a transaction, the reads of plain columns of a remembered table by its whole
// key, however they are written, are answered from one read of the row; a write to
// the table, another key or the transaction's end sends the next read to the database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Convert.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

std::string Rows(const ResultSet& rs) {
    std::string out;
    for (const auto& row : rs.rows) {
        if (!out.empty()) out += ";";
        for (size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + CStr(row[i]);
    }
    return out;
}

class RememberedRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::OpenTestDatabase();
        db->KnowTables(ComponentRegistry().Tables());
        AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal, .unitName = 1});
        AddLeaveCategory(*db, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory, .unitName = 1});
        AddPerson(*db, {.personId = "P1", .onJobDate = 20040101});
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
    std::unique_ptr<Database> db;
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

}  // namespace
}  // namespace humrs
