// What a connection knows of the schema is looked up once and kept until the schema
// changes: on SQLite the schema version is not read again by a write transaction that
// follows the connection's own, yet a change by another connection is still seen; on
// PostgreSQL a table's columns are read from the catalog once per connection.
#include <gtest/gtest.h>

#include "core/Convert.h"
#include "db/Schema.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "support/Files.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

TEST(SchemaKnowledgeTest, WriteTransactionsOfOneConnectionLookAtTheSchemaOnlyAfterAnothersCommit) {
    testing::TempFolder folder("humrs-schema");
    const std::string path = (folder.Path() / "a.db").string();
    auto first = OpenSQLite(path);
    auto second = OpenSQLite(path);
    first->Execute("Create Table humRate (V INTEGER)");
    first->Execute("Insert Into humRate Values (7)");
    const std::string half = "Select V / 2 From humRate Where V = 7";
    // Statements sent by one write transaction that runs `half` and commits.
    auto transaction = [&] {
        const uint64_t before = first->Sent().statements;
        first->BeginWrite();
        Variant v = first->QueryFirst(half)->front();
        first->Commit();
        return std::pair{first->Sent().statements - before, v};
    };
    transaction();
    // BEGIN, the select, COMMIT: nothing else has changed the file.
    EXPECT_EQ(transaction(), std::pair(uint64_t{3}, Variant(3)));
    second->Execute("Drop Table humRate");
    second->Execute("Create Table humRate (V MONEY)");
    second->Execute("Insert Into humRate Values (7)");
    // The other connection's commits: the schema version is read, the text translated anew.
    const auto [sent, value] = transaction();
    EXPECT_GT(sent, 3u);
    EXPECT_EQ(value, Variant(3.5));
    EXPECT_EQ(transaction(), std::pair(uint64_t{3}, Variant(3.5)));
}

// A new object's form is built from the columns as the connection last learnt them,
// without looking at the schema again; its save writes the table as its transaction
// finds it, after another connection dropped a column of the form and added one.
TEST(SchemaKnowledgeTest, AFormBuiltBeforeAnotherConnectionChangedItsTableIsSavedAsTheTableNowIs) {
    testing::TempFolder folder("humrs-schema");
    const std::string path = (folder.Path() / "a.db").string();
    auto db = OpenSQLite(path);
    CreateComponentSchema(*db);
    Session session(*db, ComponentRegistry());
    CreateBusinessObject("QVXHumrs.ExcuseCls", session);  // the columns learnt
    const uint64_t before = db->Sent().statements;
    auto category = CreateBusinessObject("QVXHumrs.ExcuseCls", session);
    EXPECT_EQ(db->Sent().statements, before) << "a form built from what is known asks nothing";

    auto other = OpenSQLite(path);
    other->Execute("Alter Table humExcuseCls Drop Column MonthAccount");
    other->Execute("Alter Table humExcuseCls Add Remark TEXT Default 'none'");
    category->MergeInput(0, {{{"ExcuseClsID", Variant("K1")},
                              {"ExcuseClsName", Variant("年假")},
                              {"ExcuseCls", Variant(1)},
                              {"UnitName", Variant(1)},
                              {"ExcuseUnit", Variant(1.0)},
                              {"MonthAccount", Variant(3.5)}}});
    const Outcome out = category->Save();
    ASSERT_TRUE(out.ok) << out.error;
    auto row = other->QueryFirst("Select ExcuseClsName, ExcuseCls, Remark From humExcuseCls Where ExcuseClsID = 'K1'");
    ASSERT_TRUE(row);
    EXPECT_EQ(*row, (std::vector<Variant>{Variant("年假"), Variant(1), Variant("none")}));
}

TEST(SchemaKnowledgeTest, TableColumnsAreReadOnceUntilTheSchemaChanges) {
    auto db = testing::OpenTestDatabase();
    const size_t columns = db->TableColumns("humExcuseCls").size();
    ASSERT_GT(columns, 0u);
    uint64_t before = db->Sent().statements;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(db->TableColumns("HumExcuseCls").size(), columns);
    db->BeginWrite();
    EXPECT_EQ(db->TableColumns("humExcuseCls").size(), columns);
    if (db->Kind() == Backend::PostgreSQL) EXPECT_EQ(db->Sent().statements - before, 1u);  // BEGIN alone
    db->Execute("Alter Table humExcuseCls Add Remark Integer");
    EXPECT_EQ(db->TableColumns("humExcuseCls").size(), columns + 1);
    db->Rollback();
    // The change went with the rollback, and what was learnt of it.
    EXPECT_EQ(db->TableColumns("humExcuseCls").size(), columns);
}

}  // namespace
}  // namespace humrs
