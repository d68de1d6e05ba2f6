// The humrs program pointed at a PostgreSQL database by URL (run when the tests run
// on PostgreSQL): a database without the tables is refused until `init` builds them,
// and bills are then saved and opened there; the demo, which fills only a database
// without humrs tables, is refused once they are there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/HumrsProcess.h"
#include "support/TestDatabase.h"

namespace humrs {
namespace {

testing::HumrsResult Humrs(const std::string& url, const std::vector<std::string>& args,
                           const std::string& input = "") {
    return testing::RunHumrs(args, {.db = url, .input = input});
}

TEST(CliServerTest, InitBuildsTheTablesThenBillsAreSavedAndOpened) {
    if (!testing::TestOnPostgres()) GTEST_SKIP() << "runs on PostgreSQL only";
    const std::string url = testing::CreateEmptyPostgresDatabase();

    const auto before = Humrs(url, {"open", "QVXHumrs.ExcuseCls", "T1"});
    EXPECT_EQ(before.exitCode, 3);

    const auto init = Humrs(url, {"init"});
    ASSERT_EQ(init.exitCode, 0) << init.answer.dump();
    EXPECT_EQ(Humrs(url, {"demo"}).exitCode, 2) << "the demo never rebuilds a server's database";
    EXPECT_EQ(Humrs(url, {"init"}).exitCode, 0);

    const std::string category =
        R"({"datasets": [[{"ExcuseClsID": "T1", "ExcuseClsName": "测试假", "ExcuseCls": 9, "UnitName": 1, "ExcuseUnit": 0.5}]]})";
    const auto saved = Humrs(url, {"save", "QVXHumrs.ExcuseCls", "-"}, category);
    ASSERT_EQ(saved.exitCode, 0) << saved.answer.dump();

    const auto opened = Humrs(url, {"open", "QVXHumrs.ExcuseCls", "t1"});
    ASSERT_EQ(opened.exitCode, 0) << opened.answer.dump();
    EXPECT_NE(opened.answer.dump().find("测试假"), std::string::npos) << opened.answer.dump();
    EXPECT_NE(opened.answer.dump().find("\"ExcuseClsName\""), std::string::npos) << opened.answer.dump();
}

}  // namespace
}  // namespace humrs
