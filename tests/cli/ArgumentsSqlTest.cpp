// The administrator's `sql` reads and changes rows, never tables, on either database;
// a statement no parser could take is the caller's mistake, not a database failure.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "db/Database.h"
#include "support/TestDatabase.h"

namespace humrs::cli {
namespace {

TEST(ArgumentsSqlTest, StatementsThatMakeOrChangeTablesAreBadInput) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("humrs-sql-args-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    GlobalOptions global;
    global.dbPath = humrs::testing::CreateSharedTestDatabase(folder);

    const std::string deep = "Select Count(*) From comPerson Where " + std::string(5000, '(') + "1=1" +
                             std::string(5000, ')');
    const std::vector<std::pair<const char*, std::string>> refused = {
        {"select into", "Select * Into evil_tbl From comPerson"},
        {"select into, lower case", "select PersonID into evil_tbl from comPerson"},
        {"a drop after a select", "Select 1; Drop Table comPerson"},
        {"a create inside", "Delete From humExcuseCls Where ExcuseClsID In (Create Table evil_tbl (a int))"},
        {"5,000 nested parentheses", deep},
    };
    for (const auto& [what, statement] : refused) {
        const Answer answer = RunSql(global, statement);
        EXPECT_EQ(answer.exitCode, 2) << what << ": " << answer.body.dump().substr(0, 200);
    }
    // Nothing was made, and a plain query still runs.
    EXPECT_TRUE(OpenDatabase(global.dbPath)->TableColumns("evil_tbl").empty());
    EXPECT_EQ(RunSql(global, "Select Count(*) From comPerson Where ((1=1))").exitCode, 0);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

}  // namespace
}  // namespace humrs::cli
