// The demo on a PostgreSQL database (run when the tests run on PostgreSQL): it fills a
// database that holds no humrs table yet, and refuses, even with --force, one that
// holds any, leaving its rows as they were.
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

// The first value of `Select Count(*) ...` as `humrs sql` prints it.
long long CountOf(const std::string& url, const std::string& select) {
    const auto r = Humrs(url, {"sql", select});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    return r.answer.at("rows").at(0).at(0).get<long long>();
}

TEST(DemoServerTest, FillsADatabaseWithoutHumrsTablesAndNeverOneWithThem) {
    if (!testing::TestOnPostgres()) GTEST_SKIP() << "runs on PostgreSQL only";

    const std::string empty = testing::CreateEmptyPostgresDatabase();
    const auto demo = Humrs(empty, {"demo"});
    ASSERT_EQ(demo.exitCode, 0) << demo.out << demo.err;
    EXPECT_EQ(demo.answer.value("unexpected", -1), 0) << demo.out;
    const long long persons = CountOf(empty, "Select Count(*) From comPerson");
    const long long leave = CountOf(empty, "Select Count(*) From humExcuse");
    EXPECT_GE(persons, 20) << "the company's staff";
    EXPECT_GT(leave, 0) << "the demo's scenes saved no leave";

    // Its own earlier run is data like any other: not replaced.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"demo"}, {"demo", "--force"}}) {
        const auto again = Humrs(empty, args);
        EXPECT_EQ(again.exitCode, 2) << args.back() << ": " << again.out;
        EXPECT_NE(again.Error().find("humrs tables"), std::string::npos) << again.out;
    }
    EXPECT_EQ(CountOf(empty, "Select Count(*) From comPerson"), persons);
    EXPECT_EQ(CountOf(empty, "Select Count(*) From humExcuse"), leave);

    // A database some other way brought one table of the component holds nothing of the demo's afterwards.
    const std::string partial = testing::CreateEmptyPostgresDatabase();
    {
        auto db = OpenPostgres(partial);
        db->Execute("Create Table humExcuseCls (ExcuseClsID varchar(20))");
        db->Execute("Insert Into humExcuseCls Values ('KEEP')");
    }
    const auto refused = Humrs(partial, {"demo", "--force"});
    EXPECT_EQ(refused.exitCode, 2) << refused.out;
    auto db = OpenPostgres(partial);
    EXPECT_TRUE(db->TableColumns("comPerson").empty()) << "the demo built tables beside another table";
    EXPECT_EQ(db->QueryFirst("Select Count(*) From humExcuseCls")->at(0).AsInt(), 1);
}

}  // namespace
}  // namespace humrs
