// The humrs program against bad input and odd files: every case ends with the exit
// code of bad input (2) or of an unusable database (3), a message that names what is
// wrong, and a database exactly as it was before.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/CliFixture.h"
#include "core/Convert.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "hosting/ClassTable.h"

namespace humrs {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

using testing::ReadFile;

// Every command is cut off after 20 seconds, so that one that blocks fails the test
// instead of hanging it.
class HostileInput : public testing::CliFixture {
protected:
    HostileInput() : CliFixture("humrs-hostile-cli") { timeLimit = std::chrono::seconds(20); }

    // Every row of every table and the catalog, as sorted text.
    std::vector<std::string> Snapshot() { return testing::StoredRows(db, true); }
};

// The sweep: each kind of bad input once, against a database holding a bill.
TEST_F(HostileInput, BadInputIsRefusedByNameAndChangesNothing) {
    REQUIRE_CATEGORY_CLASS();
    ASSERT_EQ(Humrs({"init"}).exitCode, 0);
    const json stored = TestCategory();
    ASSERT_EQ(Humrs({"save", kCategory, "-"}, stored.dump()).exitCode, 0);
    fs::create_directory(dir / "bills");
    const auto before = Snapshot();

    const std::string deepBill = R"({"datasets": [[{"ExcuseClsID": "T2", "ExcuseClsName": )" +
                                 std::string(25000, '[') + std::string(25000, ']') + "}]]}";
    // As deep as one command-line argument may be long (128 KiB).
    const std::string deepArgument = std::string(60000, '[') + std::string(60000, ']');
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        int exitCode;
        const char* named;  // what the message must name
    };
    const std::vector<Case> cases = {
        {"bill nested 25,000 levels", {"save", kCategory, "-"}, deepBill, 2, "nested deeper"},
        {"procedure argument nested 60,000 levels",
         {"proc", kCategory, "0", "--arg", deepArgument},
         "",
         2,
         "--arg"},
        {"number no double holds",
         {"save", kCategory, "-"},
         R"({"datasets": [[{"ExcuseClsID": "T1", "ExcuseUnit": 1e400}]]})",
         2,
         "ExcuseUnit"},
        {"NUL character in a text",
         {"save", kCategory, "-"},
         R"({"datasets": [[{"ExcuseClsID": "T3", "ExcuseClsName": "a\u0000b"}]]})",
         2,
         "ExcuseClsName"},
        {"NUL character in a key",
         {"save", kCategory, "-"},
         R"({"datasets": [[{"ExcuseClsID": "T1\u0000x"}]]})",
         2,
         "ExcuseClsID"},
        {"folder as the bill file", {"save", kCategory, (dir / "bills").string()}, "", 2, "folder"},
        {"answer of a failed command as a bill",
         {"save", kCategory, "-"},
         R"({"ok": false, "datasets": [[{"ExcuseClsID": "T1"}]]})",
         2,
         "not a bill"},
        {"field check on dataset -5",
         {"check", kCategory, "--dataset", "-5", "--names", R"(["ExcuseUnit"])", "--values", "[1]"},
         "",
         2,
         "--dataset -5"},
        {"field check beyond the last dataset",
         {"check", kCategory, "--dataset", "7", "--names", R"(["ExcuseUnit"])", "--values", "[1]"},
         "",
         2,
         "--dataset 7"},
        {"login type past 32 bits",
         {"--login-type", "4294967301", "save", kCategory, "-"},
         stored.dump(),
         2,
         "--login-type"},
        {"server date past 8 digits",
         {"--date", "99999999999", "save", kCategory, "-"},
         stored.dump(),
         2,
         "--date"},
        {"server date of month 13",
         {"--date", "20241340", "save", kCategory, "-"},
         stored.dump(),
         2,
         "--date"},
        {"sql Attach", {"sql", "Attach Database '" + (dir / "x.db").string() + "' As x"}, "", 2, "Attach"},
        {"sql Vacuum Into", {"sql", "Vacuum Into '" + (dir / "copy.db").string() + "'"}, "", 2, "Vacuum"},
        {"sql Pragma", {"sql", "Pragma journal_mode = delete"}, "", 2, "Pragma"},
        {"sql Create", {"sql", "Create Table x (a int)"}, "", 2, "Create"},
        {"sql Drop", {"sql", "Drop Table humExcuseCls"}, "", 2, "Drop"},
        {"sql With around a delete",
         {"sql", "With t As (Select 1 As a) Delete From humExcuseCls"},
         "",
         2,
         "With"},
        {"sql writing a table of no component", {"sql", "Delete From sqlite_stat1"}, "", 2, "sqlite_stat1"},
        {"sql writing another table through an alias",
         {"sql", "Update sqlite_master Set sql = '' From humExcuseCls sqlite_master"},
         "",
         2,
         "sqlite_master"},
        {"sql writing a qualified table", {"sql", "Delete From main.humExcuseCls"}, "", 2, "main."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        const Result r = Humrs(c.args, c.input);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5))
            << "bad input costs no time";
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out.substr(0, 500);
        ASSERT_TRUE(r.answer.is_object()) << r.out.substr(0, 500);
        EXPECT_EQ(r.answer["ok"], false);
        EXPECT_NE(r.Error().find(c.named), std::string::npos) << r.Error().substr(0, 500);
    }
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(fs::exists(dir / "x.db"));
    EXPECT_FALSE(fs::exists(dir / "copy.db"));
}

TEST_F(HostileInput, DemoWritesOnlyWhereNothingIsOrWhatItMade) {
    // A folder with a file in it, an empty folder, a company's database, a file that
    // is no database, a pipe and a device node: none of them is the demo's to replace.
    fs::create_directory(dir / "full");
    std::ofstream(dir / "full" / "keep.txt") << "keep";
    fs::create_directory(dir / "empty");
    ASSERT_EQ(Humrs({"init"}).exitCode, 0);  // a company's database at `db`
    std::ofstream(dir / "notes.txt") << "not a database";
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    const bool device = mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    fs::create_symlink(dir / "notes.txt", dir / "link");
    std::ofstream(dir / "locked") << "no one may read this";
    fs::permissions(dir / "locked", fs::perms::none);

    struct Target {
        fs::path path;
        bool regular;  // a regular file, which --force may replace
    };
    std::vector<Target> targets = {{dir / "full", false},     {dir / "empty", false}, {fs::path(db), true},
                                   {dir / "notes.txt", true}, {dir / "pipe", false},  {dir / "link", false},
                                   {dir / "locked", true}};
    if (device) targets.push_back({dir / "null", false});
    const std::string companyBefore = ReadFile(db);
    for (const Target& t : targets) {
        SCOPED_TRACE(t.path.string());
        const auto type = fs::symlink_status(t.path).type();
        const Result r = Humrs({"demo"}, "", t.path.string());
        EXPECT_EQ(r.exitCode, 2) << r.out.substr(0, 300);
        EXPECT_NE(r.Error().find(t.regular ? "--force" : "not a regular file"), std::string::npos)
            << r.Error();
        EXPECT_EQ(fs::symlink_status(t.path).type(), type) << "left as it was";
        if (!t.regular) {
            const Result forced = Humrs({"demo", "--force"}, "", t.path.string());
            EXPECT_EQ(forced.exitCode, 2) << "even --force touches only a regular file";
            EXPECT_EQ(fs::symlink_status(t.path).type(), type);
        }
    }
    EXPECT_TRUE(fs::exists(dir / "full" / "keep.txt"));
    EXPECT_EQ(ReadFile(dir / "notes.txt"), "not a database");
    EXPECT_EQ(ReadFile(db), companyBefore);

    // A new path, then the database the demo made, then a regular file with --force.
    const std::string demoDb = (dir / "demo.db").string();
    EXPECT_EQ(Humrs({"demo"}, "", demoDb).exitCode, 0);
    EXPECT_EQ(Humrs({"demo"}, "", demoDb).exitCode, 0) << "the demo rebuilds its own database";
    EXPECT_EQ(Humrs({"demo", "--force"}, "", (dir / "notes.txt").string()).exitCode, 0);
    EXPECT_EQ(Humrs({"demo"}, "", (dir / "notes.txt").string()).exitCode, 0) << "now the demo's own";
}

TEST_F(HostileInput, DatabaseFilesThatCannotServeAreNamedForWhatTheyAre) {
    ASSERT_EQ(mkfifo((dir / "pipe.db").c_str(), 0600), 0);
    fs::create_directory(dir / "folder.db");
    struct Case {
        std::string path;
        std::vector<std::string> args;
        const char* named;
    };
    const std::vector<Case> cases = {
        {(dir / "folder.db").string(), {"open", kCategory, "T1"}, "is a folder"},
        {(dir / "folder.db").string(), {"init"}, "is a folder"},
        {(dir / "pipe.db").string(), {"open", kCategory, "T1"}, "not a regular file"},
        {(dir / "pipe.db").string(), {"init"}, "not a regular file"},
        {(dir / "missing" / "hr.db").string(), {"init"}, "does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + c.args[0]);
        const auto start = std::chrono::steady_clock::now();
        const Result r = Humrs(c.args, "", c.path);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "refused at once";
        EXPECT_EQ(r.exitCode, 3) << r.out;
        EXPECT_NE(r.Error().find(c.named), std::string::npos) << r.Error();
        EXPECT_EQ(r.Error().find("not a humrs database"), std::string::npos) << r.Error();
    }
}

// Permissions bind only an unprivileged user: as root the commands run as nobody.
TEST_F(HostileInput, MissingPermissionsAreNamed) {
    std::vector<std::string> runner;
    if (geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv to drop root";
        runner = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    ASSERT_EQ(Humrs({"init"}).exitCode, 0);
    fs::permissions(dir, fs::perms::all);
    const fs::path locked = dir / "locked.db", shelf = dir / "shelf";
    fs::copy_file(db, locked);
    fs::permissions(locked, fs::perms::none);
    fs::create_directory(shelf);
    fs::copy_file(db, shelf / "hr.db");
    fs::permissions(shelf / "hr.db", fs::perms::all);
    fs::permissions(shelf, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                               fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec);
    struct Case {
        fs::path path;
        const char* named;
    };
    for (const Case& c : {Case{locked, "cannot read"}, Case{shelf / "hr.db", "read-only"}}) {
        SCOPED_TRACE(c.path.string());
        // Run from /: the test's folder may not be open to that user.
        const Result r =
            testing::RunHumrs({"param", "get", "X"}, {.db = c.path.string(), .folder = "/", .runner = runner});
        EXPECT_EQ(r.exitCode, 3) << r.out;
        EXPECT_NE(r.out.find(c.named), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("not a humrs database"), std::string::npos) << r.out;
    }
}

TEST_F(HostileInput, OtherSchemaVersionsAreRefusedAndNeverLowered) {
    ASSERT_EQ(Humrs({"init"}).exitCode, 0);
    OpenSQLite(db)->Execute("Update humSchemaVersion Set Version = 7");
    const auto before = Snapshot();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"init"},
                                                 {"param", "get", "X"},
                                                 {"open", kCategory, "T1"},
                                                 {"sql", "Select 1"}}) {
        SCOPED_TRACE(args[0]);
        const Result r = Humrs(args);
        EXPECT_EQ(r.exitCode, 3) << r.out;
        EXPECT_NE(r.Error().find("version 7"), std::string::npos) << r.Error();
        EXPECT_NE(r.Error().find("version " + std::to_string(SchemaVersion())), std::string::npos)
            << r.Error();
    }
    EXPECT_EQ(Snapshot(), before);

    // A humrs database that lacks a table of this version: `init` adds it.
    OpenSQLite(db)->Execute("Update humSchemaVersion Set Version = " + std::to_string(SchemaVersion()));
    OpenSQLite(db)->Execute("Drop Table humExcuseCls");
    const Result lacking = Humrs({"param", "get", "X"});
    EXPECT_EQ(lacking.exitCode, 3);
    EXPECT_NE(lacking.Error().find("humrs init"), std::string::npos) << lacking.Error();
    EXPECT_EQ(Humrs({"init"}).exitCode, 0);
    EXPECT_EQ(Humrs({"param", "get", "X"}).exitCode, 0);
}

TEST_F(HostileInput, WhatNewAndOpenPrintIsSavedAsItIs) {
    REQUIRE_CATEGORY_CLASS();
    ASSERT_EQ(Humrs({"init"}).exitCode, 0);
    Result fresh = Humrs({"new", kCategory});
    ASSERT_EQ(fresh.exitCode, 0) << fresh.out;
    json& row = fresh.answer["datasets"][0][0];
    row["ExcuseClsID"] = "R1";
    row["ExcuseClsName"] = "来回假";
    row["ExcuseCls"] = 9;
    row["ExcuseUnit"] = 1;
    const Result saved = Humrs({"save", kCategory, "-"}, fresh.answer.dump());
    ASSERT_EQ(saved.exitCode, 0) << saved.out;

    Result opened = Humrs({"open", kCategory, "R1"});
    ASSERT_EQ(opened.exitCode, 0) << opened.out;
    opened.answer["datasets"][0][0]["ExcuseClsName"] = "往返假";
    const Result resaved = Humrs({"save", kCategory, "-"}, opened.answer.dump());
    ASSERT_EQ(resaved.exitCode, 0) << resaved.out;
    EXPECT_EQ(Humrs({"open", kCategory, "R1"}).answer["datasets"][0][0]["ExcuseClsName"], "往返假");
}

}  // namespace
}  // namespace humrs
