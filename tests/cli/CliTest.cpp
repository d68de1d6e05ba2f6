// The humrs program as a user runs it: the built binary on a temporary database,
// its JSON answer and its exit code. A command that does not succeed must leave the
// database exactly as it was.
#include "BuildPaths.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliFixture.h"
#include "framework/Bill.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "suite/Seed.h"
#include "hosting/ClassTable.h"
#include "core/Convert.h"

namespace humrs {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

using testing::ReadFile;

class CliTest : public testing::CliFixture {
protected:
    CliTest() : CliFixture("humrs-cli") {}

    Result Save(const std::string& progId, const json& bill) { return Humrs({"save", progId, "-"}, bill.dump()); }

    // Every row of every table, as sorted text: what "nothing was written" compares.
    std::vector<std::string> DumpAllTables() { return testing::StoredRows(db); }

    void InitDatabase() { ASSERT_EQ(Humrs({"init"}).exitCode, 0); }
};

TEST_F(CliTest, InitTwiceChangesNothing) {
    const Result first = Humrs({"init"});
    ASSERT_EQ(first.exitCode, 0) << first.out;
    EXPECT_EQ(first.answer["tablesCreated"], ComponentRegistry().Tables().size());

    auto catalog = [&] {
        auto conn = OpenSQLite(db);
        std::vector<std::string> out;
        for (const auto& row : conn->Query("Select type, name, sql From sqlite_master Order By name").rows)
            out.push_back(CStr(row[0]) + " " + CStr(row[1]) + " " + CStr(row[2]));
        return out;
    };
    const auto before = catalog();
    const auto rowsBefore = DumpAllTables();

    const Result second = Humrs({"init"});
    EXPECT_EQ(second.exitCode, 0) << second.out;
    EXPECT_EQ(second.answer["tablesCreated"], 0);
    EXPECT_EQ(catalog(), before);
    EXPECT_EQ(DumpAllTables(), rowsBefore);
}

TEST_F(CliTest, CommandsOnAMissingDatabaseCreateNoFile) {
    const Result r = Humrs({"open", kCategory, "T1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.answer["ok"], false);
    EXPECT_NE(r.answer["error"].get<std::string>().find("humrs init"), std::string::npos);
    EXPECT_FALSE(fs::exists(db));
}

// Another application's SQLite file, or no database at all, given by mistake: the
// command fails and the file keeps every byte (its journal mode included).
TEST_F(CliTest, FileThatIsNoHumrsDatabaseIsLeftAsItWas) {
    const fs::path other = dir / "other.db";
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(other.c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "Create Table notes (t Text); Insert Into notes Values ('keep me');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    const fs::path text = dir / "notes.txt";
    std::ofstream(text) << "not a database\n";

    for (const fs::path& file : {other, text}) {
        SCOPED_TRACE(file.filename().string());
        db = file.string();
        const std::string bytes = ReadFile(file);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"open", kCategory, "T1"}, {"param", "set", "LocalType", "1"}}) {
            SCOPED_TRACE(args[0]);
            const Result r = Humrs(args);
            EXPECT_EQ(r.exitCode, 3) << r.out;
            EXPECT_NE(r.answer["error"].get<std::string>().find(file.string() + " is not a humrs database"),
                      std::string::npos)
                << r.out;
            EXPECT_TRUE(ReadFile(file) == bytes) << "the file was changed";
            EXPECT_FALSE(fs::exists(file.string() + "-wal"));
        }
    }
}

TEST_F(CliTest, CategoryIsSavedChangedAndDeleted) {
    REQUIRE_CATEGORY_CLASS();
    InitDatabase();

    const Result saved = Save(kCategory, TestCategory());
    ASSERT_EQ(saved.exitCode, 0) << saved.out;
    EXPECT_EQ(saved.answer["key"], "T1");
    const json& row = saved.answer["datasets"][0][0];
    EXPECT_EQ(row["ExcuseClsName"], "测试假");
    EXPECT_EQ(row["ExcuseUnit"], 0.5);
    EXPECT_EQ(row["CutPayment"], false) << "the saved bill is printed as stored, defaults included";
    EXPECT_NE(saved.out.find("测试假"), std::string::npos) << "Chinese text is printed unescaped";

    // A change names only what changes, in any letter case; the rest keeps its value.
    const Result changed = Save(kCategory, Category({{"excuseclsid", "T1"}, {"EXCUSEUNIT", 1.5}}));
    ASSERT_EQ(changed.exitCode, 0) << changed.out;
    const Result opened = Humrs({"open", kCategory, "T1"});
    ASSERT_EQ(opened.exitCode, 0) << opened.out;
    EXPECT_EQ(opened.answer["datasets"][0].size(), 1u);
    EXPECT_EQ(opened.answer["datasets"][0][0]["ExcuseUnit"], 1.5);
    EXPECT_EQ(opened.answer["datasets"][0][0]["ExcuseClsName"], "测试假");

    const Result edited = Humrs({"edit", kCategory, "T1"});
    EXPECT_EQ(edited.exitCode, 0) << edited.out;

    const Result deleted = Humrs({"delete", kCategory, "T1"});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.out;
    EXPECT_TRUE(DumpAllTables().size() == 4u) << "only the schema version row and the trail's two saves and delete are left";
    const Result gone = Humrs({"open", kCategory, "T1"});
    EXPECT_EQ(gone.exitCode, 2);
    EXPECT_NE(gone.answer["error"].get<std::string>().find("T1"), std::string::npos);
}

TEST_F(CliTest, RefusedSaveLeavesTheDatabaseUnchanged) {
    REQUIRE_CATEGORY_CLASS();
    InitDatabase();
    ASSERT_EQ(Save(kCategory, TestCategory()).exitCode, 0);
    ASSERT_EQ(Humrs({"param", "set", "HumExcuseBeginMonth", "3"}).exitCode, 0);
    const auto before = DumpAllTables();

    // A stored category changed to a zero unit, and a new one with a zero unit.
    for (const std::string id : {"T1", "T2"}) {
        SCOPED_TRACE(id);
        const Result r =
            Save(kCategory, Category({{"ExcuseClsID", id}, {"ExcuseClsName", "零单位"}, {"ExcuseUnit", 0}}));
        EXPECT_EQ(r.exitCode, 1) << r.out;
        EXPECT_EQ(r.answer["ok"], false);
        EXPECT_EQ(r.answer["error"], "计假单位不可小于等于0");
        EXPECT_EQ(r.answer["messageId"], "ExcuseUnitNotPositive");
        EXPECT_TRUE(r.answer["notices"].is_array());
        EXPECT_EQ(DumpAllTables(), before);
    }
}

TEST_F(CliTest, BadInputIsNamedAndWritesNothing) {
    REQUIRE_CATEGORY_CLASS();
    InitDatabase();
    ASSERT_EQ(Save(kCategory, TestCategory()).exitCode, 0);
    const auto before = DumpAllTables();

    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        const char* named;  // what the message must name
    };
    const std::vector<Case> cases = {
        {"malformed JSON",
         {"save", kCategory, "-"},
         R"({"datasets": [[{"ExcuseClsID": "T1",}]]})",
         "malformed JSON"},
        {"unknown ProgID",
         {"save", "QVXHumrs.NoSuchThing", "-"},
         TestCategory().dump(),
         "QVXHumrs.NoSuchThing"},
        {"value of the wrong type",
         {"save", kCategory, "-"},
         Category({{"ExcuseClsID", "T1"}, {"ExcuseUnit", "half"}}).dump(),
         "ExcuseUnit"},
        {"unknown field",
         {"save", kCategory, "-"},
         Category({{"ExcuseClsID", "T1"}, {"Colour", 1}}).dump(),
         "Colour"},
        {"not a bill", {"save", kCategory, "-"}, R"({"rows": []})", "datasets"},
        {"more datasets than the bill has",
         {"save", kCategory, "-"},
         R"({"datasets": [[{"ExcuseClsID": "T1"}], []]})",
         "datasets"},
        {"missing bill file", {"save", kCategory, "no-such-file.json"}, "", "no-such-file.json"},
        {"unknown ProgID to open", {"open", "QVXHumrs.NoSuchThing", "T1"}, "", "QVXHumrs.NoSuchThing"},
        {"unknown ProgID lists the known ones", {"new", "QVXHumrs.NoSuchThing"}, "", kCategory},
        {"unknown ProgID lists the suite objects too", {"new", "QVXHumrs.NoSuchThing"}, "", "QvxComm.Person"},
        {"misspelt subcommand", {"opn", kCategory, "T1"}, "", "\"opn\""},
        {"unknown subcommand lists the subcommands", {"foo"}, "", "unregister"},
        {"malformed procedure argument", {"proc", kCategory, "1", "--arg", "[1,"}, "", "--arg"},
        {"object that is no data packet",
         {"proc", kCategory, "1", "--arg", R"({"a": 1})"},
         "",
         "data packet"},
        {"procedure number that is no number", {"proc", kCategory, "one"}, "", "NUMBER"},
        {"field check names not JSON",
         {"check", kCategory, "--names", "[x]", "--values", "[1]"},
         "",
         "--names"},
        {"field check on a dataset the bill does not have",
         {"check", kCategory, "--dataset", "1", "--names", R"(["ExcuseUnit"])", "--values", "[1]"},
         "",
         "--dataset 1"},
        {"field check with fewer values than names",
         {"check", kCategory, "--names", R"(["ExcuseClsID", "ExcuseUnit"])", "--values", R"(["T1"])"},
         "",
         "--values"},
        {"impossible server date", {"--date", "20240230", "open", kCategory, "T1"}, "", "--date"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Humrs(c.args, c.input);
        EXPECT_EQ(r.exitCode, 2) << r.out;
        ASSERT_TRUE(r.answer.is_object()) << "the answer is JSON even for bad usage: " << r.out;
        EXPECT_EQ(r.answer["ok"], false);
        EXPECT_NE(r.answer["error"].get<std::string>().find(c.named), std::string::npos) << r.answer["error"];
    }
    EXPECT_EQ(DumpAllTables(), before);
}

TEST_F(CliTest, ProcedureArgumentsAndResultsTravelAsJson) {
    const ClassEntry* leave = FindClassEntry("QVXHumrs.Excuse");
    if (!leave || !leave->create) GTEST_SKIP() << "QVXHumrs.Excuse is not available yet";
    InitDatabase();
    ASSERT_EQ(Humrs({"param", "set", "HumExcuseBeginMonth", "3"}).exitCode, 0);

    // An array result: the leave year (starting in April) that holds May.
    const Result year = Humrs({"proc", "QVXHumrs.Excuse", "3", "--arg", R"([0, "202405", ""])"});
    ASSERT_EQ(year.exitCode, 0) << year.out;
    EXPECT_EQ(year.answer["result"], json::parse(R"(["202404", "202405"])"));

    // A data packet argument: leave rows the new span is checked against. No class
    // built so far answers with a packet; the packet form of results is in JsonTest.
    const std::string rows =
        R"({"fields": ["BillNo", "Flag", "BeginDate", "BeginTime", "EndDate", "EndTime", "ExcuseClsName"],
            "rows": [["B1", 2, 20240610, 900, 20240610, 1200, "事假"]]})";
    const Result overlap = Humrs(
        {"proc", "QVXHumrs.Excuse", "7", "--arg", "[" + rows + ", 20240610, 20240610, 1000, 1100, true]"});
    EXPECT_EQ(overlap.exitCode, 1) << overlap.out;
    EXPECT_NE(overlap.answer["error"].get<std::string>().find("B1"), std::string::npos);
    EXPECT_NE(overlap.answer["error"].get<std::string>().find("事假"), std::string::npos);

    const Result apart = Humrs(
        {"proc", "QVXHumrs.Excuse", "7", "--arg", "[" + rows + ", 20240610, 20240610, 1300, 1400, true]"});
    EXPECT_EQ(apart.exitCode, 0) << apart.out;
    EXPECT_TRUE(apart.answer["result"].is_null());
}

TEST_F(CliTest, SqlRunsOneStatementOfTheDialect) {
    InitDatabase();
    ASSERT_EQ(Humrs({"param", "set", "HumSpecialsDayHours", "8"}).exitCode, 0);

    const Result select = Humrs(
        {"sql", "Select Top 1 ParamKey, ParamValue From comSysParam Where ParamKey = 'humspecialsdayhours'"});
    ASSERT_EQ(select.exitCode, 0) << select.out;
    EXPECT_EQ(select.answer["fields"], json({"ParamKey", "ParamValue"}));
    EXPECT_EQ(select.answer["rows"], json::array({json::array({"HumSpecialsDayHours", "8"})}));

    const auto before = DumpAllTables();
    const Result second = Humrs({"sql", "Delete From comSysParam; Delete From humSchemaVersion"});
    EXPECT_EQ(second.exitCode, 2) << second.out;
    EXPECT_NE(second.answer["error"].get<std::string>().find("second statement"), std::string::npos);
    EXPECT_EQ(DumpAllTables(), before);

    // A fault in the statement's own text is the user's to fix; a statement that
    // fails while it runs is the database's answer.
    for (const std::string typo : {"Select * From noSuchTable", "Selct ParamKey From comSysParam",
                                   "Select NoSuchColumn From comSysParam", "Select 'unterminated"}) {
        SCOPED_TRACE(typo);
        const Result r = Humrs({"sql", typo});
        EXPECT_EQ(r.exitCode, 2) << r.out;
        EXPECT_EQ(r.answer["ok"], false);
    }
    const Result duplicate =
        Humrs({"sql", "Insert Into comSysParam (ParamKey, ParamValue) Values ('HumSpecialsDayHours', '9')"});
    EXPECT_EQ(duplicate.exitCode, 3) << duplicate.out;
    EXPECT_EQ(DumpAllTables(), before);

    const Result update =
        Humrs({"sql", "Update comSysParam Set ParamValue = '7.5' Where ParamKey = 'HumSpecialsDayHours'"});
    EXPECT_EQ(update.exitCode, 0) << update.out;
    EXPECT_EQ(update.answer["changed"], 1);
}

TEST_F(CliTest, ParametersAreStoredAsGivenText) {
    InitDatabase();
    EXPECT_TRUE(Humrs({"param", "get", "AllowSickLeaveYear"}).answer["value"].is_null());

    ASSERT_EQ(Humrs({"param", "set", "AllowSickLeaveYear", "True"}).exitCode, 0);
    EXPECT_EQ(Humrs({"param", "get", "AllowSickLeaveYear"}).answer["value"], "True");

    ASSERT_EQ(Humrs({"param", "set", "AllowSickLeaveYear", "0"}).exitCode, 0);
    const Result r = Humrs({"param", "get", "AllowSickLeaveYear"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.answer["value"], "0");
    EXPECT_EQ(DumpAllTables().size(), 2u) << "one parameter row and the schema version";
}

TEST_F(CliTest, DemoTellsItsStoryWithoutSurprises) {
    const Result r = Humrs({"--date", "20240610", "demo"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.answer["unexpected"], 0) << r.out;
    ASSERT_TRUE(r.answer["scenes"].is_array());
    EXPECT_FALSE(r.answer["scenes"].empty());

    auto conn = OpenSQLite(db);
    // The company's twenty staff; scenes may hire newcomers of their own (E1..).
    EXPECT_EQ(CInt(conn->QueryFirst("Select Count(*) From comPerson Where PersonID Like 'E0%'")->at(0)), 20);
    EXPECT_EQ(CInt(conn->QueryFirst("Select Count(*) From comPerson Where LeaveJobDate > 0")->at(0)), 1);

    // Result again: the database is built afresh, not added to.
    const Result again = Humrs({"demo", "--text"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.out.find("0 unexpected"), std::string::npos) << again.out;
}

TEST_F(CliTest, RegisterWritesTheRegistryAndUnregisterRemovesIt) {
    const fs::path registry = dir / "registry.json";
    env = {{"HUMRS_REGISTRY", registry.string()}};
    const std::string library = std::string(HUMRS_BINARY_DIR) + "/libQVXHumrs.so";
    if (!fs::exists(library)) GTEST_SKIP() << "the server library is not built";

    const Result reg = Humrs({"register"});
    ASSERT_EQ(reg.exitCode, 0) << reg.out;
    EXPECT_EQ(fs::weakly_canonical(reg.answer["library"].get<std::string>()), fs::weakly_canonical(library));
    EXPECT_NE(ReadFile(registry).find("QVXHumrs.ExcuseCls"), std::string::npos);

    const Result unreg = Humrs({"unregister"});
    ASSERT_EQ(unreg.exitCode, 0) << unreg.out;
    EXPECT_EQ(ReadFile(registry).find("QVXHumrs.ExcuseCls"), std::string::npos);

    const Result missing = Humrs({"register", "--library", (dir / "nothing.so").string()});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.answer["error"].get<std::string>().find("nothing.so"), std::string::npos);
}

TEST_F(CliTest, EverySubcommandExplainsItself) {
    for (const std::string sub : {"init", "new", "open", "save", "edit", "delete", "check", "proc", "sql",
                                  "param", "register", "unregister", "demo"}) {
        SCOPED_TRACE(sub);
        const Result r = Humrs({sub, "--help"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_NE(r.out.find("Usage: humrs " + sub), std::string::npos) << r.out;
    }
}

}  // namespace
}  // namespace humrs

namespace humrs {
namespace {

// A leave request refused by its business rule, as a clerk meets it at the command
// line: exit 1, the exact message, and nothing written.
TEST_F(CliTest, RefusedLeaveRequestExitsOneWithTheMessageAndWritesNothing) {
    InitDatabase();
    {
        auto conn = OpenSQLite(db);
        AddWorkClass(*conn, {.classId = "DAY"});
        AddSchedule(*conn, "S1", FiveDayWeek("DAY"));
        AddPerson(*conn, {.personId = "E1", .onJobDate = 20040101, .jobSch = "S1"});
        AddLeaveCategory(*conn, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
        SetParam(*conn, "HumCommDateStyle", "1");
    }
    auto leave = [](const char* bill, int begin, int end) {
        return Category({{"BillNo", bill},       {"PersonID", "E1"},    {"ExcuseClsID", "SJ"},
                         {"BeginDate", 20050110}, {"BeginTime", begin}, {"EndDate", 20050110},
                         {"EndTime", end},        {"ExcuseCount", (end - begin) / 100}});
    };
    ASSERT_EQ(Save("QVXHumrs.Excuse", leave("L1", 800, 1200)).exitCode, 0);
    const auto before = DumpAllTables();
    const Result r = Save("QVXHumrs.Excuse", leave("L2", 1000, 1400));
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(r.answer["error"],
              "本单请假时间与以下资料有冲突: (人员别)请假凭单号: L1  假别: 事假  时间: 2005/01/10 08:00 - "
              "2005/01/10 12:00");
    EXPECT_EQ(DumpAllTables(), before);

    // The person check reads the person, then the span: more values than names.
    const Result check = Humrs({"check", "QVXHumrs.Excuse", "--names", R"(["PersonID"])", "--values",
                                R"(["E1", 20030101, 20030102])"});
    EXPECT_EQ(check.exitCode, 1) << check.out;
    EXPECT_EQ(check.answer["error"], "E1人员在请假期间内不在职");
}

TEST_F(CliTest, RebuildOfCompensatoryLeaveReportsProgressOnStandardError) {
    InitDatabase();
    {
        auto conn = OpenSQLite(db);
        for (int i = 1; i <= 3; ++i) AddPerson(*conn, {.personId = "E" + std::to_string(i)});
    }
    const Result rebuild = Humrs({"proc", "QVXHumrs.Excuse", "11"});
    ASSERT_EQ(rebuild.exitCode, 0);
    EXPECT_EQ(rebuild.answer["result"], true);
    EXPECT_NE(rebuild.err.find("compensatory leave: 3 of 3 persons"), std::string::npos);
}

}  // namespace
}  // namespace humrs

namespace humrs {
namespace {

// A bill whose class forbids changing it once stored, as for a bill already posted.
constexpr Message kNoteLocked{"NoteLocked", "单据已锁定, 不可修改"};
class TLockedNote : public TQVXComBase {
public:
    void BeforeEdit() override { MakeException(kNoteLocked); }
};

// Saving over a stored bill takes it up for a change first, so the class's edit
// check guards `save` as it guards `edit`; a new bill has nothing to check.
TEST(CliSaveBillTest, StoredBillIsSavedOnlyPastTheEditCheck) {
    auto db = OpenSQLite(":memory:");
    db->Execute("Create Table tstNote (NoteID Text, Memo Text Default '')");
    ClassDescriptor locked;
    locked.progId = "Test.LockedNote";
    locked.keyColumn = "NoteID";
    locked.datasets = {DatasetMap{"tstNote", {"NoteID"}, {}, false, -1, {}, "NoteID"}};
    locked.create = [] { return std::make_unique<TLockedNote>(); };
    const ClassRegistry classes({locked});
    CreateOrUpgradeSchema(*db, classes.Tables(), classes.Indexes());  // the audit trail
    Session session(*db, classes);
    auto note = [](const char* memo) {
        return BillInput{InputDataset{{{"NoteID", Variant("N1")}, {"Memo", Variant(memo)}}}};
    };

    const Outcome created = SaveBill(*CreateBusinessObject("Test.LockedNote", session), note("first"));
    ASSERT_TRUE(created.ok) << created.error;

    const Outcome changed = SaveBill(*CreateBusinessObject("Test.LockedNote", session), note("second"));
    EXPECT_EQ(ExitCodeOf(changed), kRefused);
    EXPECT_EQ(changed.error, "单据已锁定, 不可修改");
    const ResultSet rows = db->Query("Select Memo From tstNote");
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_EQ(CStr(rows.rows[0][0]), "first");
}

}  // namespace
}  // namespace humrs
