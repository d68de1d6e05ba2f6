// The humrs program pointed at a PostgreSQL database by URL (run when the tests run
// on PostgreSQL): a database without the tables is refused until `init` builds them,
// and bills are then saved and opened there; the demo, which starts from a database
// of its own, is refused.
#include "BuildPaths.h"
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "support/TestDatabase.h"

namespace humrs {
namespace {

using nlohmann::json;

struct Answer {
    int exitCode = -1;
    json body;
};

Answer Humrs(const std::string& url, const std::string& args, const std::string& input = "") {
    const std::string cmd = "echo '" + input + "' | " + std::string(HUMRS_BINARY_DIR) + "/humrs --db '" + url + "' " +
                            args + " 2>/dev/null";
    Answer a;
    std::string out;
    if (FILE* pipe = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
        int status = ::pclose(pipe);
        a.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    a.body = json::parse(out, nullptr, false);
    return a;
}

TEST(CliServerTest, InitBuildsTheTablesThenBillsAreSavedAndOpened) {
    if (!testing::TestOnPostgres()) GTEST_SKIP() << "runs on PostgreSQL only";
    const std::string url = testing::CreateEmptyPostgresDatabase();

    Answer before = Humrs(url, "open QVXHumrs.ExcuseCls T1");
    EXPECT_EQ(before.exitCode, 3);
    EXPECT_EQ(Humrs(url, "demo").exitCode, 2) << "the demo never rebuilds a server's database";

    Answer init = Humrs(url, "init");
    ASSERT_EQ(init.exitCode, 0) << init.body.dump();
    EXPECT_EQ(Humrs(url, "init").exitCode, 0);

    const std::string category =
        R"({"datasets": [[{"ExcuseClsID": "T1", "ExcuseClsName": "测试假", "ExcuseCls": 9, "UnitName": 1, "ExcuseUnit": 0.5}]]})";
    Answer saved = Humrs(url, "save QVXHumrs.ExcuseCls -", category);
    ASSERT_EQ(saved.exitCode, 0) << saved.body.dump();

    Answer opened = Humrs(url, "open QVXHumrs.ExcuseCls t1");
    ASSERT_EQ(opened.exitCode, 0) << opened.body.dump();
    EXPECT_NE(opened.body.dump().find("测试假"), std::string::npos) << opened.body.dump();
    EXPECT_NE(opened.body.dump().find("\"ExcuseClsName\""), std::string::npos) << opened.body.dump();
}

}  // namespace
}  // namespace humrs
