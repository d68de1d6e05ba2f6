// The pay statement from the humrs program: JSON as every procedure answers, and
// with --pretty the statement a person reads.
#include "BuildPaths.h"
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Files.h"

namespace humrs {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ShellQuote;

class PayStatementCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "humrs-pay-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs `humrs --db <db> args...`; the exit code and what it printed.
    std::pair<int, std::string> Humrs(const std::vector<std::string>& args) {
        const fs::path out = dir / "stdout";
        std::string cmd = "env -u HUMRS_DB " + ShellQuote(std::string(HUMRS_BINARY_DIR) + "/humrs") + " --db " +
                          ShellQuote((dir / "hr.db").string());
        for (const auto& a : args) cmd += " " + ShellQuote(a);
        cmd += " > " + ShellQuote(out.string()) + " 2>/dev/null";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out)};
    }

    fs::path dir;
};

TEST_F(PayStatementCliTest, PrettyPrintsTheStatementAsTablesAndTotals) {
    ASSERT_EQ(Humrs({"init"}).first, 0);
    ASSERT_EQ(Humrs({"sql", "Insert Into HumHourSalaryMain (Flag, BillNo) Values (1, 'H1')"}).first, 0);
    ASSERT_EQ(Humrs({"sql", "Insert Into HumHourSalarySub (Flag, BillNo, RowNo, SerNo, PersonID, WorkDate, "
                            "NormalTimeNum, NormalPrice) Values (1, 'H1', 1, 4, 'P1', 20050105, 2, 12.5)"})
                  .first,
              0);
    const std::vector<std::string> proc = {"proc", "QVXHumrs.HumMonthSalaryQuery", "1", "--arg", "[\"P1\",200501]"};

    auto [code, json] = Humrs(proc);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(json.rfind("{\"ok\":true", 0), 0u) << json;

    std::vector<std::string> pretty = proc;
    pretty.insert(pretty.begin(), "--pretty");
    auto [prettyCode, text] = Humrs(pretty);
    EXPECT_EQ(prettyCode, 0);
    EXPECT_EQ(text.rfind("Pay statement\n", 0), 0u) << text;
    EXPECT_NE(text.find("Hourly wage (1 row)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Totals\n"), std::string::npos) << text;

    // A refusal stays a JSON answer with its exit code.
    auto [badCode, bad] = Humrs({"--pretty", "proc", "QVXHumrs.HumMonthSalaryQuery", "1", "--arg", "[\"P1\",200513]"});
    EXPECT_EQ(badCode, 2);
    EXPECT_NE(bad.find("\"ok\": false"), std::string::npos) << bad;
}

}  // namespace
}  // namespace humrs
