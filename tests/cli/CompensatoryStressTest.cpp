// Compensatory leave under pressure, with the humrs program as the clients: several
// processes booking the same overtime at once, and processes killed at random moments
// of a save or of the rebuild of every balance. No overtime hour may be granted twice,
// no bill may be left half written, and the stored balances must always equal what a
// fresh rebuild (procedure 11 of QVXHumrs.Excuse) computes.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/Convert.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "suite/Seed.h"
#include "hosting/ClassTable.h"
#include "support/Files.h"
#include "support/HumrsProcess.h"

namespace humrs {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const char* const kLeave = "QVXHumrs.Excuse";

class CompensatoryStress : public ::testing::Test {
protected:
    void SetUp() override {
        const ClassEntry* e = FindClassEntry(kLeave);
        if (!e || !e->create) GTEST_SKIP() << kLeave << " is not available yet";
        auto conn = OpenSQLite(db);
        CreateComponentSchema(*conn);
        AddDepartment(*conn, "D1", "生产部");
        AddWorkClass(*conn, {.classId = "DAY", .className = "日班"});
        AddSchedule(*conn, "S-DAY", FiveDayWeek("DAY"));
        AddLeaveCategory(
            *conn, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
        AddPerson(*conn, {.personId = "P1", .departId = "D1", .onJobDate = 20000101, .jobSch = "S-DAY"});
    }

    void Overtime(Database& conn, const std::string& billNo, const std::string& person, double hours) {
        conn.Execute(
            "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, "
            "FieldACount, "
            "RedeemType, UseableRedeemCount) Values (1, ?, 0, ?, 20050103, 1800, 2200, ?, 1, ?)",
            {Variant(billNo), Variant(person), Variant(hours), Variant(hours)});
    }

    // The compensatory leave bill `billNo` of `person` on a working day, 08:00 to
    // 08:00 + `hours`.
    std::string LeaveFile(const std::string& billNo, const std::string& person, int date, int hours) {
        const json bill = {{"datasets",
                            {{{{"BillNo", billNo},
                               {"PersonID", person},
                               {"ExcuseClsID", "BX"},
                               {"BeginDate", date},
                               {"BeginTime", 800},
                               {"EndDate", date},
                               {"EndTime", 800 + hours * 100},
                               {"ExcuseCount", hours}}}}}};
        const fs::path file = dir / (billNo + ".json");
        std::ofstream(file) << bill.dump();
        return file.string();
    }

    // Starts `humrs --db <db> --date 20050115 args...`.
    testing::HumrsProcess Start(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"--date", "20050115"};
        all.insert(all.end(), args.begin(), args.end());
        return testing::HumrsProcess(all, {.db = db});
    }
    int Run(const std::vector<std::string>& args) { return Start(args).Wait().exitCode; }

    // Free hours of every overtime row, by bill number.
    std::map<std::string, double> FreeHours() {
        std::map<std::string, double> out;
        for (const auto& row :
             OpenSQLite(db)->Query("Select BillNo, UseableRedeemCount From HumOverTime").rows)
            out[CStr(row[0])] = CFloat(row[1]);
        return out;
    }

    // The stored balances against a rebuild of every person's from the stored leave.
    void ExpectBalancesEqualARebuild() {
        const auto stored = FreeHours();
        ASSERT_EQ(Run({"proc", kLeave, "11"}), 0);
        EXPECT_EQ(FreeHours(), stored) << "the balances the saves left differ from a fresh rebuild";
    }

    testing::TempFolder folder{"humrs-stress"};
    fs::path dir = folder.Path();
    std::string db = (dir / "hr.db").string();
};

// Working days from Monday 2005-01-10 on.
std::vector<int> WorkingDays(size_t n) {
    std::vector<int> days;
    for (int d = 10; days.size() < n; ++d) {
        const int weekday = (d - 10) % 7;  // 0 Monday
        if (weekday < 5) days.push_back(d <= 31 ? 20050100 + d : 20050200 + d - 31);
    }
    return days;
}

TEST_F(CompensatoryStress, ConcurrentSavesNeverGrantAnHourTwice) {
    Overtime(*OpenSQLite(db), "O1", "P1", 8);
    // Eight requests of 3 hours each against 8 hours of overtime: two fit, whichever
    // two come first.
    const std::vector<int> days = WorkingDays(8);
    std::vector<std::string> files;
    for (size_t i = 0; i < days.size(); ++i)
        files.push_back(LeaveFile("L" + std::to_string(i), "P1", days[i], 3));
    std::vector<testing::HumrsProcess> saves;
    for (const std::string& f : files) saves.push_back(Start({"save", kLeave, f}));
    int accepted = 0;
    for (testing::HumrsProcess& save : saves) {
        const int code = save.Wait().exitCode;
        EXPECT_TRUE(code == 0 || code == 1) << "exit code " << code;
        accepted += code == 0;
    }
    EXPECT_EQ(accepted, 2);
    auto conn = OpenSQLite(db);
    EXPECT_EQ(CInt(conn->QueryFirst("Select Count(*) From humExcuse")->at(0)), accepted);
    // Each save is on the trail once, the refused ones with their refusal.
    EXPECT_EQ(CInt(conn->QueryFirst("Select Count(*) From sysAuditTrail Where Outcome = 'accepted'")->at(0)), accepted);
    EXPECT_EQ(CInt(conn->QueryFirst("Select Count(*) From sysAuditTrail Where Outcome = 'refused' And "
                                    "Message <> ''")->at(0)),
              static_cast<int64_t>(files.size()) - accepted);
    EXPECT_DOUBLE_EQ(FreeHours()["O1"], 8 - 3 * accepted);
    ExpectBalancesEqualARebuild();
}

TEST_F(CompensatoryStress, KilledSavesAndRebuildsLeaveWholeBillsAndTrueBalances) {
    {
        auto conn = OpenSQLite(db);
        // Forty more persons with booked leave give the rebuild of every balance
        // enough work to be killed in the middle of it.
        for (int p = 0; p < 40; ++p) {
            const std::string person = "Q" + std::to_string(p);
            AddPerson(*conn,
                      {.personId = person, .departId = "D1", .onJobDate = 20000101, .jobSch = "S-DAY"});
            Overtime(*conn, "OQ" + std::to_string(p), person, 6);
        }
        Overtime(*conn, "O1", "P1", 200);
    }
    for (int p = 0; p < 40; ++p)
        ASSERT_EQ(
            Run({"save", kLeave, LeaveFile("LQ" + std::to_string(p), "Q" + std::to_string(p), 20050110, 2)}),
            0);

    // How long a whole rebuild and a whole save take on this machine: the kills are
    // spread over that span, from before the transaction to after the commit.
    auto timed = [&](const std::vector<std::string>& args) {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(args), 0);
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
    };
    const auto rebuildTime = timed({"proc", kLeave, "11"});
    const auto saveTime = timed({"save", kLeave, LeaveFile("LX", "P1", 20050301, 1)});

    std::mt19937 random(20050115);
    const std::vector<int> days = WorkingDays(30);
    std::map<std::string, int> sentDay = {{"LX", 20050301}};  // bill number -> the day it asks for
    int killed = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < days.size(); ++i) {
        const bool rebuild = i % 4 == 3;
        std::vector<std::string> args = {"proc", kLeave, "11"};
        if (!rebuild) {
            const std::string billNo = "L" + std::to_string(i);
            sentDay[billNo] = days[i];
            args = {"save", kLeave, LeaveFile(billNo, "P1", days[i], 1 + static_cast<int>(i % 3))};
        }
        const auto span = (rebuild ? rebuildTime : saveTime).count() * 6 / 5 + 1;
        testing::HumrsProcess run = Start(args);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % span));
        run.Kill();
        killed += run.Wait().exitCode == -1;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_GT(killed, 0) << "no process was killed before it ended";

    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
        sqlite3_stmt* check = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
        sqlite3_finalize(check);
        sqlite3_close(raw);
    }
    auto conn = OpenSQLite(db);
    // Every bill is there whole, as sent, or not at all.
    for (const auto& row : conn->Query("Select BillNo, Count(*), Max(BeginDate), Max(PersonID) From "
                                       "humExcuse Where BillNo Like 'L%' "
                                       "And BillNo Not Like 'LQ%' Group By BillNo")
                               .rows) {
        const std::string billNo = CStr(row[0]);
        SCOPED_TRACE(billNo);
        ASSERT_TRUE(sentDay.count(billNo));
        EXPECT_EQ(CInt(row[1]), 1);
        EXPECT_EQ(CInt(row[2]), sentDay[billNo]);
        EXPECT_EQ(CStr(row[3]), "P1");
    }
    EXPECT_EQ(CInt(conn->QueryFirst("Select Count(*) From humExcuse Where BillNo Like 'LQ%'")->at(0)), 40);
    // However a process was cut short, the trail and the bills agree: every stored bill
    // has the entry of its save and every accepted save its bill, once.
    auto column = [&](const std::string& sql) {
        std::multiset<std::string> values;
        for (const auto& row : conn->Query(sql).rows) values.insert(CStr(row[0]));
        return values;
    };
    EXPECT_EQ(column("Select BillNo From humExcuse"),
              column("Select BillKey From sysAuditTrail Where ProgID = 'QVXHumrs.Excuse' And Operation = 'save' "
                     "And Outcome = 'accepted'"));
    conn.reset();
    ExpectBalancesEqualARebuild();
}

}  // namespace
}  // namespace humrs
