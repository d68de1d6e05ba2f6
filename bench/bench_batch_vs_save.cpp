// What a long batch procedure costs the saves sent meanwhile: the rebuild of every
// person's free overtime hours (the leave object's procedure 11) runs on one
// connection while another saves leave categories one after the other. Measured in
// the same run beside the same saves with no batch running (the bare cost).
//
//   bench_batch_vs_save [--persons N] [--saves N] [--db LOCATION]
//
// LOCATION is an SQLite file (default: a new one under the temporary folder) or a
// postgresql:// URL of an empty database. Prints, per phase, the saves that failed
// and the median and worst wait of a save, and how long the batch ran.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/Convert.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "suite/Seed.h"

using namespace humrs;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Seed(const std::string& location, int persons) {
    auto db = OpenDatabase(location);
    CreateComponentSchema(*db);
    db->BeginWrite();
    for (int i = 0; i < persons; ++i) {
        const std::string person = "P" + std::to_string(100000 + i);
        AddPerson(*db, {.personId = person});
        db->Execute(
            "Insert Into humOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, RedeemType, "
            "FieldACount, UseableRedeemCount) Values (1, ?, 0, ?, 20050110, 1800, 2000, 1, 2, 0)",
            {Variant("B" + person), Variant(person)});
    }
    db->Commit();
}

struct Phase {
    std::vector<double> waits;
    int failed = 0;
};

// Saves `count` leave categories, one after the other, while `running` holds (or all of
// them when `running` is null).
Phase Saves(const std::string& location, const std::string& prefix, int count, const std::atomic<bool>* running) {
    auto db = OpenDatabase(location);
    Session session(*db, ComponentRegistry());
    session.serverDate = 20050115;
    Phase phase;
    for (int i = 0; i < count && (!running || *running); ++i) {
        auto bill = CreateBusinessObject("QVXHumrs.ExcuseCls", session);
        bill->MergeInput(0, {{{"ExcuseClsID", Variant(prefix + std::to_string(i))},
                              {"ExcuseClsName", Variant("事假")},
                              {"ExcuseUnit", Variant(1)}}});
        const auto start = Clock::now();
        const Outcome out = bill->Save();
        phase.waits.push_back(Ms(Clock::now() - start));
        if (!out.ok) ++phase.failed;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return phase;
}

void Print(const char* name, Phase phase) {
    std::sort(phase.waits.begin(), phase.waits.end());
    const double median = phase.waits.empty() ? 0 : phase.waits[phase.waits.size() / 2];
    const double worst = phase.waits.empty() ? 0 : phase.waits.back();
    std::printf("%-28s %6zu %7d %11.1f %10.1f\n", name, phase.waits.size(), phase.failed, median, worst);
}

}  // namespace

int main(int argc, char** argv) {
    int persons = 60000, saves = 30;
    std::string location;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--persons")) persons = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--saves")) saves = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--db")) location = argv[i + 1];
        else {
            std::fprintf(stderr, "usage: bench_batch_vs_save [--persons N] [--saves N] [--db LOCATION]\n");
            return 2;
        }
    }
    std::filesystem::path folder;
    if (location.empty()) {
        folder = std::filesystem::temp_directory_path() / ("humrs-bench-batch-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        location = (folder / "batch.db").string();
    }
    try {
        Seed(location, persons);
        std::printf("%d persons, each with one redeemable overtime row\n\n", persons);
        std::printf("%-28s %6s %7s %11s %10s\n", "phase", "saves", "failed", "median ms", "worst ms");
        Print("saves alone (bare)", Saves(location, "A", saves, nullptr));

        std::atomic<bool> running{true};
        Outcome batch;
        Clock::duration batchTime{};
        std::thread runner([&] {
            auto db = OpenDatabase(location);
            Session session(*db, ComponentRegistry());
            session.serverDate = 20050115;
            auto leave = CreateBusinessObject("QVXHumrs.Excuse", session);
            const auto start = Clock::now();
            batch = leave->ExecuteProc(11, Variant());
            batchTime = Clock::now() - start;
            running = false;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Phase during = Saves(location, "B", 1 << 20, &running);
        runner.join();
        Print("saves during procedure 11", during);
        std::printf("\nprocedure 11: %s in %.0f ms\n", batch.ok ? "done" : batch.error.c_str(), Ms(batchTime));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_batch_vs_save: %s\n", e.what());
        return 1;
    }
    if (!folder.empty()) std::filesystem::remove_all(folder);
    return 0;
}
