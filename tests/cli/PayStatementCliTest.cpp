// The pay statement from the humrs program: JSON as every procedure answers, and
// with --pretty the statement a person reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/HumrsProcess.h"

namespace humrs {
namespace {

namespace fs = std::filesystem;

class PayStatementCliTest : public ::testing::Test {
protected:
    // Runs `humrs --db <db> args...`; the exit code and what it printed.
    std::pair<int, std::string> Humrs(const std::vector<std::string>& args) {
        const testing::HumrsResult r = testing::RunHumrs(args, {.db = (dir / "hr.db").string()});
        return {r.exitCode, r.out};
    }

    testing::TempFolder folder{"humrs-pay"};
    fs::path dir = folder.Path();
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
