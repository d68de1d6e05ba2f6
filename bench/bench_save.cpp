// Cost of one save: a personal-leave request by person, saved one after the other by
// one application server, on SQLite and, when a PostgreSQL database is given, on
// PostgreSQL. Every save runs the leave checks (conflicts, yearly caps, employment)
// and the posting, in one write transaction. Prints the mean and the median per save.
//
//   bench_save [--saves N] [postgresql://user@host:port/dbname]
//
// The PostgreSQL database gets the schema when it has none; the rows the benchmark
// writes (persons and bills starting with "BENCH") are removed before and after.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Convert.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"
#include "framework/ComBase.h"
#include "utils/DateUtils.h"

using namespace humrs;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPersons = 50;
std::string PersonId(int i) { return "BENCH" + FormatNumLen(i, 4); }

void RemoveBenchRows(Database& db) {
    db.BeginWrite();
    for (const char* sql : {"Delete humExcuse Where BillNo Like 'BENCH%'", "Delete comPerson Where PersonID Like 'BENCH%'",
                            "Delete humPersonExtend Where PersonID Like 'BENCH%'",
                            "Delete humAttendDetail Where PersonID Like 'BENCH%'",
                            "Delete humClass Where ClassID Like 'BENCH%'", "Delete humJobSchedule Where SchID Like 'BENCH%'",
                            "Delete humJobScheduleDay Where SchID Like 'BENCH%'",
                            "Delete humExcuseCls Where ExcuseClsID Like 'BENCH%'"})
        db.Execute(sql);
    db.Commit();
}

// Persons on the day shift, each with twenty stored leave rows the checks read.
void Fill(Database& db) {
    CreateComponentSchema(db);
    RemoveBenchRows(db);
    db.BeginWrite();
    AddWorkClass(db, {.classId = "BENCHDAY"});
    AddSchedule(db, "BENCH-S", FiveDayWeek("BENCHDAY"));
    AddLeaveCategory(db, {.excuseClsId = "BENCHSJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
    for (int p = 0; p < kPersons; ++p) {
        AddPerson(db, {.personId = PersonId(p), .onJobDate = 20000101, .jobSch = "BENCH-S"});
        for (int k = 0; k < 20; ++k) {
            int date = AddDay(20040105, k * 7);
            db.Execute("Insert Into humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, "
                       "EndDate, EndTime, ExcuseCount) Values (1, ?, 0, ?, 'BENCHSJ', ?, 800, ?, 1000, 2)",
                       {Variant("BENCHOLD" + PersonId(p) + "-" + std::to_string(k)), Variant(PersonId(p)),
                        Variant(date), Variant(date)});
        }
    }
    db.Commit();
}

// Times `saves` leave saves; the per-save times in milliseconds, sorted.
std::vector<double> TimeSaves(Database& db, int saves) {
    Session session(db, ComponentRegistry());
    session.serverDate = 20050115;
    std::vector<double> ms;
    for (int i = 0; i < saves; ++i) {
        const int date = AddDay(20050103, (i / kPersons) * 7);
        auto bill = CreateBusinessObject("QVXHumrs.Excuse", session);
        bill->MergeInput(0, {{{"BillNo", Variant("BENCH" + std::to_string(i))},
                              {"PersonID", Variant(PersonId(i % kPersons))},
                              {"ExcuseClsID", Variant("BENCHSJ")},
                              {"BeginDate", Variant(date)},
                              {"BeginTime", Variant(800)},
                              {"EndDate", Variant(date)},
                              {"EndTime", Variant(1000)},
                              {"ExcuseCount", Variant(2.0)}}});
        auto start = Clock::now();
        Outcome out = bill->Save();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!out.ok) {
            std::fprintf(stderr, "save %d refused: %s\n", i, out.error.c_str());
            std::exit(1);
        }
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}

void Report(const char* backend, const std::vector<double>& ms) {
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("%-12s %8zu %12.3f %12.3f %12.3f\n", backend, ms.size(), sum / ms.size(), ms[ms.size() / 2],
                ms[ms.size() * 9 / 10]);
}

}  // namespace

int main(int argc, char** argv) {
    int saves = 500;
    std::string url;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--saves") == 0 && i + 1 < argc)
            saves = std::max(1, std::atoi(argv[++i]));
        else
            url = argv[i];
    }
    std::printf("Personal-leave save, %d saves over %d persons\n", saves, kPersons);
    std::printf("%-12s %8s %12s %12s %12s\n", "backend", "saves", "mean ms", "median ms", "90% ms");

    const std::string path = (std::filesystem::temp_directory_path() / "humrs_bench_save.db").string();
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
    {
        auto db = OpenSQLite(path);
        Fill(*db);
        Report("SQLite", TimeSaves(*db, saves));
    }
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);

    if (!url.empty()) {
        auto db = OpenDatabase(url);
        Fill(*db);
        Report("PostgreSQL", TimeSaves(*db, saves));
        RemoveBenchRows(*db);
    } else {
        std::printf("(give a postgresql:// URL to time PostgreSQL too)\n");
    }
    return 0;
}
