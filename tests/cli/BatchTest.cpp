// `humrs batch`: operations on named objects in one process, answered line by line.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "core/Convert.h"
#include "db/Database.h"
#include "suite/Seed.h"
#include "support/Files.h"
#include "support/HumrsProcess.h"

namespace humrs {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Run({"init"}, ""), 0);
        auto db = OpenSQLite((dir / "hr.db").string());
        AddWorkClass(*db, {.classId = "A", .className = "日班", .overTime = 1730});
        AddPerson(*db, {.personId = "E1", .onJobDate = 20200101});
    }

    // Runs the program with `input` on standard input; the answer lines go to `lines`.
    int Run(const std::vector<std::string>& args, const std::string& input) {
        const testing::HumrsResult r =
            testing::RunHumrs(args, {.db = (dir / "hr.db").string(), .input = input});
        lines.clear();
        std::istringstream out(r.out);
        for (std::string line; std::getline(out, line);) lines.push_back(json::parse(line, nullptr, false));
        return r.exitCode;
    }

    static std::string Save(const std::string& object, const std::string& billNo, int begin, int end) {
        json row = {{"BillNo", billNo},       {"PersonID", "E1"},   {"OverTimeDate", 20240611},
                    {"OverTimeClass", "A"},   {"BeginTime", begin}, {"EndTime", end}};
        return json{{"object", object}, {"op", "save"}, {"bill", {{"datasets", {{row}}}}}}.dump() + "\n";
    }

    testing::TempFolder folder{"humrs-batch"};
    fs::path dir = folder.Path();
    std::vector<json> lines;
};

TEST_F(BatchTest, AnObjectKeepsItsClassFromAProcedureToTheSaves) {
    const std::string input =
        R"({"object": "o1", "progid": "QVXHumrs.Overtime", "op": "proc", "number": 4, "arg": "A"})"
        "\n" +
        Save("o1", "JB1", 1400, 1600) + Save("o1", "JB1", 1800, 1900) +
        R"({"object": "o2", "progid": "QVXHumrs.Overtime", "op": "save", "bill": {"datasets": [[{"BillNo": "JB2",
)"
        "\n";
    // The last line is cut short: it is answered as bad input.
    EXPECT_EQ(Run({"batch"}, input), 1);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[0]["ok"]);
    EXPECT_EQ(lines[1]["error"], "加班时间不可设在此班别的上下班时间之间");
    EXPECT_EQ(lines[1]["messageId"], "OvertimeInClassWorkTime");
    EXPECT_FALSE(lines[3].contains("messageId"));  // bad input names no message
    EXPECT_EQ(lines[1]["line"], 2);
    EXPECT_TRUE(lines[2]["ok"]);
    EXPECT_EQ(lines[2]["key"], "JB1");
    EXPECT_FALSE(lines[3]["ok"]);

    // A fresh object has no class chosen: the same span is accepted.
    EXPECT_EQ(Run({"batch"}, R"({"object": "x", "progid": "QVXHumrs.Overtime", "op": "new"})"
                                 "\n" +
                                 Save("x", "JB3", 1400, 1600)),
              0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1]["ok"]) << lines[1].dump();
}

TEST_F(BatchTest, BadOperationsAreAnsweredAndTheRestStillRun) {
    const std::string input =
        R"({"object": "o1", "op": "proc", "number": 2, "arg": 20240101})"
        "\n"
        R"({"object": "o1", "progid": "QVXHumrs.Nothing", "op": "new"})"
        "\n"
        R"({"object": "o1", "progid": "QVXHumrs.Overtime", "op": "dance"})"
        "\n\n"
        R"({"object": "o1", "progid": "QVXHumrs.ExcuseCls", "op": "new"})"
        "\n"
        R"({"object": "o1", "op": "proc", "number": 3, "arg": ["A", 1000, 1200]})"
        "\n";
    EXPECT_EQ(Run({"batch"}, input), 2);
    ASSERT_EQ(lines.size(), 5u);
    for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(lines[i]["ok"]) << lines[i].dump();
    EXPECT_EQ(lines[3]["line"], 5);
    EXPECT_TRUE(lines[4]["ok"]);
    EXPECT_EQ(lines[4]["result"], true);
}

}  // namespace
}  // namespace humrs

namespace humrs {
namespace {

// The leave cancellation's lookup and save are two calls on one object: through
// `batch` the save marks the leave row the lookup found, and a lookup that finds
// nothing leaves the next save marking nothing.
TEST_F(BatchTest, CancellationLookupThenSaveMarksTheLeaveRow) {
    {
        auto db = OpenSQLite((dir / "hr.db").string());
        AddLeaveCategory(*db, {.excuseClsId = "PT", .excuseClsName = "婚假"});
        db->Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, "
                    "EndTime, ExcuseCount) Values (1, 'QJ1', 0, 'E1', 'PT', 20240501, 800, 20240503, 1700, 3)");
    }
    auto lookup = [](const std::string& object, int beginDate) {
        return json{{"object", object}, {"progid", "QVXHumrs.CutExcuse"}, {"op", "proc"}, {"number", 0},
                    {"arg", {"E1", beginDate, 800, 20240502, 1200, 1}}}
                   .dump() +
               "\n";
    };
    auto save = [](const std::string& object, const std::string& billNo) {
        json row = {{"BillNo", billNo}, {"PersonID", "E1"}, {"ExcuseCount", 0.5}};
        return json{{"object", object}, {"progid", "QVXHumrs.CutExcuse"}, {"op", "save"},
                    {"bill", {{"datasets", {{row}}}}}}
                   .dump() +
               "\n";
    };
    // A span starting the day before the leave is not found; the save after it marks nothing.
    EXPECT_EQ(Run({"batch"}, lookup("c0", 20240430) + save("c0", "XJ0")), 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["error"], "找不到符合销假期间的请假单");
    EXPECT_TRUE(lines[1]["ok"]);
    auto marks = [&] {
        auto row = OpenSQLite((dir / "hr.db").string())
                       ->QueryFirst("Select CutExcuseNo From humExcuse Where BillNo = 'QJ1'");
        return row ? CStr((*row)[0]) : std::string("no row");
    };
    EXPECT_EQ(marks(), "");

    EXPECT_EQ(Run({"batch"}, lookup("c1", 20240502) + save("c1", "XJ1")), 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["result"][5], "QJ1");
    EXPECT_EQ(marks(), "XJ1");
    EXPECT_EQ(Run({"batch"}, R"({"object": "d", "progid": "QVXHumrs.CutExcuse", "op": "delete", "key": "XJ1"})"
                             "\n"),
              0);
    EXPECT_EQ(marks(), "");
}

}  // namespace
}  // namespace humrs
