// Compensatory-leave allocation at scale. Fills a database with N persons, each with
// 30 redeemable overtime rows and 15 compensatory-leave rows, and times the rebuild
// of every person's free overtime hours (leave procedure 11) for N = 1,000, 2,000
// and 4,000; then times the save of one compensatory leave while the leave table
// holds a million rows. Prints the figures; the cost per person should stay flat.
//
//   bench_redeem [--quick]     (--quick: N = 100, 200, 400 and 100,000 leave rows)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "db/Database.h"
#include "db/Schema.h"
#include "suite/Seed.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "core/Convert.h"
#include "utils/DateUtils.h"

using namespace humrs;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string PersonId(int i) { return "P" + FormatNumLen(i, 6); }

// N persons with their overtime and compensatory leave; `fillerLeave` more leave rows
// of an ordinary category spread over the persons.
std::unique_ptr<Database> Fill(const std::string& path, int persons, int fillerLeave) {
    std::filesystem::remove(path);
    std::filesystem::remove(path + "-wal");
    std::filesystem::remove(path + "-shm");
    auto db = OpenSQLite(path);
    CreateComponentSchema(*db);
    db->BeginWrite();
    AddWorkClass(*db, {.classId = "DAY"});
    AddSchedule(*db, "S-DAY", FiveDayWeek("DAY"));
    AddLeaveCategory(*db, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
    AddLeaveCategory(*db, {.excuseClsId = "PT", .excuseClsName = "婚假"});
    const std::string ot =
        "Insert Into HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
        "RedeemType, UseableRedeemCount) Values (1, ?, 0, ?, ?, 1800, 2200, 4, 1, 4)";
    const std::string leave =
        "Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, "
        "ExcuseCount) Values (1, ?, 0, ?, ?, ?, 800, ?, 1000, 2)";
    for (int p = 0; p < persons; ++p) {
        const std::string id = PersonId(p);
        AddPerson(*db, {.personId = id, .onJobDate = 20000101, .jobSch = "S-DAY"});
        for (int k = 0; k < 30; ++k) {
            int date = AddDay(20040101, k * 7);
            db->Execute(ot, {Variant("O" + id + "-" + std::to_string(k)), Variant(id), Variant(date)});
        }
        for (int k = 0; k < 15; ++k) {
            int date = AddDay(20040105, k * 14);
            db->Execute(leave, {Variant("L" + id + "-" + std::to_string(k)), Variant(id), Variant("BX"),
                                Variant(date), Variant(date)});
        }
    }
    for (int f = 0; f < fillerLeave; ++f) {
        int date = AddDay(20000101, f % 1800);
        db->Execute(leave, {Variant("F" + std::to_string(f)), Variant(PersonId(f % persons)), Variant("PT"),
                            Variant(date), Variant(date)});
    }
    db->Commit();
    return db;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const std::string path = (std::filesystem::temp_directory_path() / "humrs_bench_redeem.db").string();
    const int scale = quick ? 10 : 1;

    std::printf("Rebuild of free overtime hours for every person (procedure 11)\n");
    std::printf("%10s %12s %14s\n", "persons", "seconds", "ms per person");
    for (int n : {1000 / scale, 2000 / scale, 4000 / scale}) {
        auto db = Fill(path, n, 0);
        Session session(*db, ComponentRegistry());
        session.serverDate = 20050115;
        auto leave = CreateBusinessObject("QVXHumrs.Excuse", session);
        auto start = Clock::now();
        Outcome out = leave->ExecuteProc(11, Variant());
        double s = Seconds(start);
        if (!out.ok || !CBool(out.result)) {
            std::fprintf(stderr, "procedure 11 failed: %s\n", out.error.c_str());
            return 1;
        }
        std::printf("%10d %12.3f %14.3f\n", n, s, 1000.0 * s / n);
    }

    const int leaveRows = quick ? 100000 : 1000000;
    const int persons = 4000 / scale;
    std::printf("\nSave of one compensatory leave with %d leave rows stored\n", leaveRows);
    auto db = Fill(path, persons, leaveRows - persons * 15);
    std::printf("leave rows: %lld\n",
                static_cast<long long>(CInt((*db->QueryFirst("Select Count(*) From humExcuse"))[0])));
    Session session(*db, ComponentRegistry());
    session.serverDate = 20050115;
    const int saves = 20;
    auto start = Clock::now();
    for (int i = 0; i < saves; ++i) {
        auto bill = CreateBusinessObject("QVXHumrs.Excuse", session);
        bill->MergeInput(0, {{{"BillNo", Variant("NEW" + std::to_string(i))},
                              {"PersonID", Variant(PersonId(i))},
                              {"ExcuseClsID", Variant("BX")},
                              {"BeginDate", Variant(20050110)},
                              {"BeginTime", Variant(800)},
                              {"EndDate", Variant(20050110)},
                              {"EndTime", Variant(1000)},
                              {"ExcuseCount", Variant(2.0)}}});
        Outcome out = bill->Save();
        if (!out.ok) {
            std::fprintf(stderr, "save failed: %s\n", out.error.c_str());
            return 1;
        }
    }
    std::printf("ms per save: %.3f (mean of %d)\n", 1000.0 * Seconds(start) / saves, saves);
    std::filesystem::remove(path);
    std::filesystem::remove(path + "-wal");
    std::filesystem::remove(path + "-shm");
    return 0;
}
