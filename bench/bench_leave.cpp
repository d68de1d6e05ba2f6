// The leave object's work against what the database itself needs for it, side by side
// in one run on the same SQLite file: the same rows read and written by bare statements
// prepared once and bound, and by the business object.
//
//   personal-leave save (yearly cap on) and compensatory-leave save, at several sizes
//     of the leave table (100 leave rows per person, so the persons grow with it);
//   procedure 11 (every person's free overtime hours rebuilt), for several numbers of
//     persons with 30 redeemable overtime rows and 15 compensatory-leave rows each.
//
//   bench_leave [--rows 100000,1000000,10000000] [--persons 1000,4000] [--saves N]
//               [--no-sync] [--show-statements] [--only personal|compensatory]
//
// Saves are timed in the processor time of the thread, so that what else the machine
// runs and the disk's wait at a commit move neither side. --no-sync turns off SQLite's
// wait for the disk at each commit (synchronous=OFF) for the measurement; by default
// every commit waits, as in production. --show-statements
// prints the statements one save of each kind runs through the business object.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/Convert.h"
#include "core/Text.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "framework/ComBase.h"
#include "hosting/ClassTable.h"
#include "leave/CompensatoryAllocation.h"
#include "suite/Seed.h"
#include "utils/DateUtils.h"

using namespace humrs;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kUsage =
    "usage: bench_leave [--rows 100000,1000000] [--persons 1000,4000] [--saves 200] [--no-sync] "
    "[--show-statements] [--only personal|compensatory]\n"
    "  --rows     sizes of the leave table for the saves (100 rows per person)\n"
    "  --persons  numbers of persons for procedure 11\n"
    "  --saves    saves timed at each size, by the object and bare each\n"
    "  --no-sync  commits do not wait for the disk (for the measurement only)\n"
    "  --show-statements  print the statements one save of each kind runs\n"
    "  --only     time one kind of save alone (to profile it), and skip procedure 11";

bool noSync = false;
bool showStatements = false;
std::string only;  // one kind of save alone, by its label's first word

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The processor time this thread has used: a save's own work, whatever else the
// machine runs beside it and however long the disk takes to confirm a commit.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string PersonId(int i) { return "P" + FormatNumLen(i, 6); }

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(1);
}

// ---- a bare SQLite connection and its statements, prepared once

class Bare {
public:
    explicit Bare(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) Die("cannot open " + path);
        sqlite3_busy_timeout(db_, 10000);
        Exec("PRAGMA journal_mode = WAL");
        if (noSync) Exec("PRAGMA synchronous = OFF");
    }
    ~Bare() {
        for (auto* s : owned_) sqlite3_finalize(s);
        sqlite3_close(db_);
    }
    void Exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) Die(std::string(sql) + ": " + error);
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
            Die(std::string(sql) + ": " + sqlite3_errmsg(db_));
        owned_.push_back(s);
        return s;
    }
    // Binds the values in order, runs the statement and calls `row` for each row.
    template <class... Values>
    void Run(sqlite3_stmt* s, const std::function<void(sqlite3_stmt*)>& row, const Values&... values) {
        int i = 0;
        (Bind(s, ++i, values), ...);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            if (row) row(s);
        if (rc != SQLITE_DONE) Die(std::string(sqlite3_sql(s)) + ": " + sqlite3_errmsg(db_));
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    }
    sqlite3* Handle() { return db_; }

private:
    static void Bind(sqlite3_stmt* s, int i, int64_t v) { sqlite3_bind_int64(s, i, v); }
    static void Bind(sqlite3_stmt* s, int i, int v) { sqlite3_bind_int64(s, i, v); }
    static void Bind(sqlite3_stmt* s, int i, double v) { sqlite3_bind_double(s, i, v); }
    static void Bind(sqlite3_stmt* s, int i, const std::string& v) {
        sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    static void Bind(sqlite3_stmt* s, int i, const char* v) { sqlite3_bind_text(s, i, v, -1, SQLITE_TRANSIENT); }
    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> owned_;
};

std::string Text(sqlite3_stmt* s, int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
    return p ? p : "";
}

// ---- seeding

void RemoveFile(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path + suffix);
}

// The schema, the day shift, the leave categories and the persons, through the
// component; the yearly cap of personal leave on.
void SeedReference(const std::string& path, int persons) {
    auto db = OpenSQLite(path);
    CreateComponentSchema(*db);
    db->BeginWrite();
    AddWorkClass(*db, {.classId = "DAY"});
    AddSchedule(*db, "S-DAY", FiveDayWeek("DAY"));
    AddLeaveCategory(*db, {.excuseClsId = "SJ", .excuseClsName = "事假", .excuseCls = leave_kind::kPersonal});
    AddLeaveCategory(*db, {.excuseClsId = "BX", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
    AddLeaveCategory(*db, {.excuseClsId = "PT", .excuseClsName = "婚假"});
    SetParam(*db, "AllowAffairLeaveYear", "1");
    SetParam(*db, "HumMaxPrivateExCount", "100000");
    for (int p = 0; p < persons; ++p)
        AddPerson(*db, {.personId = PersonId(p), .onJobDate = 19900101, .jobSch = "S-DAY"});
    db->Commit();
}

// One person's free overtime hours rebuilt with bare statements.
struct BareRedeem {
    explicit BareRedeem(Bare& b)
        : bare(b),
          overtime(b.Prepare("SELECT Flag, BillNo, RowNo, OverTimeDate, EndTime, UseableRedeemCount, "
                             "FieldACount+FieldBCount+FieldCCount+HolidayCount FROM HumOverTime WHERE PersonID = ?1 "
                             "AND RedeemType = 1 ORDER BY OverTimeDate, BeginTime, Flag, BillNo, RowNo")),
          leave(b.Prepare("SELECT A.BeginDate, A.BeginTime, CASE A.RedeemOldExcuseCount WHEN 0 THEN A.ExcuseCount - "
                          "A.CutExcuseCount ELSE A.RedeemOldExcuseCount END FROM humExcuse A JOIN humExcuseCls B ON "
                          "A.ExcuseClsID = B.ExcuseClsID WHERE A.PersonID = ?1 AND A.Flag <> 3 AND B.ExcuseCls = 12 "
                          "ORDER BY A.BeginDate, A.BeginTime")),
          update(b.Prepare("UPDATE HumOverTime SET UseableRedeemCount = ?1 WHERE Flag = ?2 AND BillNo = ?3 AND "
                           "RowNo = ?4")) {}

    void Person(const std::string& id, int term) {
        // The allocation itself is the component's rule on rows in memory; only the
        // reading and writing around it are bare.
        std::vector<RedeemableOvertime> rows;
        bare.Run(
            overtime,
            [&](sqlite3_stmt* s) {
                RedeemableOvertime o;
                o.flag = Variant(static_cast<int64_t>(sqlite3_column_int64(s, 0)));
                o.billNo = Variant(Text(s, 1));
                o.rowNo = Variant(static_cast<int64_t>(sqlite3_column_int64(s, 2)));
                o.date = sqlite3_column_int64(s, 3);
                o.endTime = sqlite3_column_int64(s, 4);
                o.stored = sqlite3_column_double(s, 5);
                o.free = sqlite3_column_double(s, 6);
                rows.push_back(std::move(o));
            },
            id);
        std::vector<CompensatoryNeed> needs;
        bare.Run(
            leave,
            [&](sqlite3_stmt* s) {
                needs.push_back({sqlite3_column_int(s, 0), sqlite3_column_int(s, 1),
                                 RoundValue(sqlite3_column_double(s, 2), 2)});
            },
            id);
        TakeLeaveFromOvertime(rows, needs, term);
        for (const RedeemableOvertime& o : rows)
            if (o.free != o.stored)
                bare.Run(update, nullptr, *o.free, o.flag.AsInt(), o.billNo.AsString(), o.rowNo.AsInt());
    }

    Bare& bare;
    sqlite3_stmt *overtime, *leave, *update;
};

// Leave rows of an ordinary category, `perPerson` for each person on past days, and for
// each person `overtime` redeemable overtime rows and `compensatory` compensatory-leave
// rows in 2004. `allocated`: each person's compensatory leave already taken from the
// overtime, as a database is after its saves; else every overtime hour is left free.
void SeedRows(const std::string& path, int persons, int perPerson, int overtime, int compensatory, bool allocated) {
    Bare bare(path);
    bare.Exec("PRAGMA synchronous = OFF");
    bare.Exec("BEGIN");
    sqlite3_stmt* leave = bare.Prepare(
        "INSERT INTO humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, EndDate, EndTime, "
        "ExcuseCount) VALUES (1, ?1, 0, ?2, ?3, ?4, 800, ?4, 1000, 2)");
    sqlite3_stmt* ot = bare.Prepare(
        "INSERT INTO HumOverTime (Flag, BillNo, RowNo, PersonID, OverTimeDate, BeginTime, EndTime, FieldACount, "
        "RedeemType, UseableRedeemCount) VALUES (1, ?1, 0, ?2, ?3, 1800, 2200, 4, 1, 4)");
    BareRedeem redeem(bare);
    for (int p = 0; p < persons; ++p) {
        const std::string id = PersonId(p);
        for (int k = 0; k < perPerson; ++k)
            bare.Run(leave, nullptr, "F" + id + "-" + std::to_string(k), id, "PT", AddDay(20031231, -k));
        for (int k = 0; k < overtime; ++k)
            bare.Run(ot, nullptr, "O" + id + "-" + std::to_string(k), id, AddDay(20040101, k * 7));
        for (int k = 0; k < compensatory; ++k) {
            const int date = AddDay(20040105, k * 14);
            bare.Run(leave, nullptr, "L" + id + "-" + std::to_string(k), id, "BX", date);
        }
        if (allocated) redeem.Person(id, 0);
    }
    bare.Exec("COMMIT");
    // The seeding's journal is folded into the file now, not by the first timed commit.
    bare.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

// ---- the saves

struct SaveInput {
    std::string billNo, person, category;
    int date;
};

Outcome SaveThroughObject(Session& session, const SaveInput& in) {
    auto bill = CreateBusinessObject("QVXHumrs.Excuse", session);
    bill->MergeInput(0, {{{"BillNo", Variant(in.billNo)},
                          {"PersonID", Variant(in.person)},
                          {"ExcuseClsID", Variant(in.category)},
                          {"BeginDate", Variant(in.date)},
                          {"BeginTime", Variant(800)},
                          {"EndDate", Variant(in.date)},
                          {"EndTime", Variant(1000)},
                          {"ExcuseCount", Variant(2.0)}}});
    return bill->Save();
}

// The statements a leave save needs, prepared once: the category, the settings, the
// person's employment, the overlapping leave, the leave taken in the leave year (or
// for compensatory leave the free overtime hours), the row itself and its entry in the
// audit trail, the rebuild of the person's free overtime hours, and the person's
// attendance detail of the day (its shift, and the leave within the shift).
struct BareSave {
    explicit BareSave(Bare& b)
        : bare(b),
          redeem(b),
          category(b.Prepare("SELECT ExcuseCls, UnitName FROM humExcuseCls WHERE ExcuseClsID = ?1")),
          settings(b.Prepare("SELECT ParamKey, ParamValue FROM comSysParam")),
          person(b.Prepare("SELECT OnJobDate, LeaveJobDate FROM comPerson WHERE PersonID = ?1")),
          overlap(b.Prepare("SELECT A.BeginDate, A.BeginTime, A.EndDate, A.EndTime FROM humExcuse A WHERE A.PersonID = "
                            "?1 AND A.Flag <> 3 AND A.BeginDate <= ?2 AND A.EndDate >= ?3")),
          used(b.Prepare("SELECT SUM(A.ExcuseCount - A.CutExcuseCount) FROM humExcuse A JOIN humExcuseCls B ON "
                         "A.ExcuseClsID = B.ExcuseClsID WHERE A.Flag <> 3 AND A.PersonID = ?1 AND B.ExcuseCls = ?2 "
                         "AND A.BeginDate >= ?3 AND A.BeginDate <= ?4 AND A.BillNo <> ?5")),
          balance(b.Prepare("SELECT IFNULL(SUM(UseableRedeemCount), 0) FROM HumOverTime WHERE PersonID = ?1 AND "
                            "RedeemType = 1 AND UseableRedeemCount <> 0 AND OverTimeDate < ?2")),
          insert(b.Prepare("INSERT INTO humExcuse (Flag, BillNo, RowNo, PersonID, ExcuseClsID, BeginDate, BeginTime, "
                           "EndDate, EndTime, ExcuseCount) VALUES (1, ?1, 0, ?2, ?3, ?4, 800, ?4, 1000, 2)")),
          minutes(b.Prepare("SELECT BeginDate, BeginTime, EndDate, EndTime FROM humExcuse WHERE Flag <> 3 AND "
                            "PersonID = ?1 AND BeginDate <= ?2 AND EndDate >= ?3")),
          schedule(b.Prepare("SELECT JobSch FROM humPersonExtend WHERE PersonID = ?1")),
          dayClass(b.Prepare("SELECT ClassID FROM humPersonClassDate WHERE PersonID = ?1 AND WorkDate = ?2")),
          weekClass(b.Prepare("SELECT ClassID FROM humJobScheduleDay WHERE SchID = ?1 AND WeekDay = ?2")),
          shift(b.Prepare("SELECT OnDutyTime, OffDutyTime FROM humClass WHERE ClassID = ?1")),
          detail(b.Prepare("INSERT INTO humAttendDetail (PersonID, DetailDate, LeaveMinutes) VALUES (?1, ?2, ?3)")),
          detailUpdate(b.Prepare("UPDATE humAttendDetail SET LeaveMinutes = ?3 WHERE PersonID = ?1 AND DetailDate = ?2")),
          audit(b.Prepare("INSERT INTO sysAuditTrail (EntryTime, UserName, Via, ProgID, BillKey, Operation, Outcome, "
                          "Message, Changes) VALUES (?1, ?2, 'command', 'QVXHumrs.Excuse', ?3, 'save', 'accepted', '', "
                          "?4)")) {}

    void Save(const SaveInput& in) {
        bare.Exec("BEGIN IMMEDIATE");
        int64_t kind = -1;
        bare.Run(category, [&](sqlite3_stmt* s) { kind = sqlite3_column_int64(s, 0); }, in.category);
        bare.Run(settings, [](sqlite3_stmt*) {});
        int64_t hired = 0;
        bare.Run(person, [&](sqlite3_stmt* s) { hired = sqlite3_column_int64(s, 0); }, in.person);
        bare.Run(overlap, [](sqlite3_stmt*) {}, in.person, in.date, AddDay(in.date, -1));
        if (kind == 0) {
            const int first = in.date / 10000 * 10000 + 101;
            bare.Run(used, [](sqlite3_stmt*) {}, in.person, 0, first, first + 1130, in.billNo);
        }
        if (kind == 12) bare.Run(balance, [](sqlite3_stmt*) {}, in.person, in.date);
        bare.Run(insert, nullptr, in.billNo, in.person, in.category, in.date);
        // The save's entry in the audit trail: when, by whom, and the row inserted.
        bare.Run(audit, nullptr, EntryTime(), "bench", in.billNo, Changes(in));
        if (kind == 12) redeem.Person(in.person, 0);
        // The day's shift: the person's own class of the day, else the schedule's.
        std::string scheduleId, classId;
        bare.Run(schedule, [&](sqlite3_stmt* s) { scheduleId = Text(s, 0); }, in.person);
        bare.Run(dayClass, [&](sqlite3_stmt* s) { classId = Text(s, 0); }, in.person, in.date);
        if (classId.empty()) bare.Run(weekClass, [&](sqlite3_stmt* s) { classId = Text(s, 0); }, scheduleId,
                                      WeekDay(in.date));
        int onDuty = 0, offDuty = 2400;
        bare.Run(shift, [&](sqlite3_stmt* s) { onDuty = sqlite3_column_int(s, 0), offDuty = sqlite3_column_int(s, 1); },
                 classId);
        double leaveMinutes = 0;
        bare.Run(
            minutes,
            [&](sqlite3_stmt* s) {
                const int from = std::max(onDuty, sqlite3_column_int(s, 1)), to = std::min(offDuty, sqlite3_column_int(s, 3));
                if (to > from) leaveMinutes += (to / 100 - from / 100) * 60 + to % 100 - from % 100;
            },
            in.person, AddDay(in.date, 1), in.date);
        bare.Run(detailUpdate, nullptr, in.person, in.date, leaveMinutes);
        if (sqlite3_changes(bare.Handle()) == 0) bare.Run(detail, nullptr, in.person, in.date, leaveMinutes);
        bare.Exec("COMMIT");
        (void)hired;
    }

    static std::string EntryTime() {
        const auto now = std::chrono::system_clock::now();
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        char text[40];
        const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", std::gmtime(&seconds));
        const long ms = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
        std::snprintf(text + n, sizeof text - n, ".%03ldZ", ms);
        return text;
    }
    static std::string Changes(const SaveInput& in) {
        char text[400];
        std::snprintf(text, sizeof text,
                      "[{\"dataset\":0,\"table\":\"humExcuse\",\"inserted\":[{\"Flag\":1,\"BillNo\":\"%s\","
                      "\"PersonID\":\"%s\",\"ExcuseClsID\":\"%s\",\"BeginDate\":%d,\"BeginTime\":800,"
                      "\"EndDate\":%d,\"EndTime\":1000,\"ExcuseCount\":2.0}]}]",
                      in.billNo.c_str(), in.person.c_str(), in.category.c_str(), in.date, in.date);
        return text;
    }

    Bare& bare;
    BareRedeem redeem;
    sqlite3_stmt *category, *settings, *person, *overlap, *used, *balance, *insert, *minutes, *schedule, *dayClass,
        *weekClass, *shift, *detail, *detailUpdate, *audit;
};

struct SaveTimes {
    double object = 0;  // processor microseconds per save
    double bare = 0;
    double ratio = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Processor microseconds per save over `saves` saves, by the business object and bare
// on the same file; each save a new leave of another person. The two take turns in
// blocks, so that both meet the same load of a shared machine while each connection
// keeps what it has read between its own saves, as a connection that is the only
// writer does. Each figure is the median over the blocks (the ratio of each pair of
// blocks, then their median): a burst of load on the machine moves a block or two,
// not the result.
SaveTimes TimeSaves(const std::string& path, int persons, const std::string& category, int saves,
                                    int firstDate) {
    auto db = OpenSQLite(path);
    if (noSync) db->Execute("PRAGMA synchronous = OFF");
    Session session(*db, ComponentRegistry());
    session.serverDate = 20050115;
    Bare bare(path);
    BareSave bareSave(bare);
    constexpr int kBlock = 25;
    std::vector<double> objectTimes, bareTimes, ratios;
    auto input = [&](int n, const char* prefix, int shift) {
        const int date = AddDay(firstDate, 2 * (n / persons) * 7 + shift);
        return SaveInput{prefix + category + std::to_string(n), PersonId((n * 7919) % persons), category, date};
    };
    // The first block of each (statements compiled, pages read) is not timed.
    for (int first = -kBlock; first < saves; first += kBlock) {
        const int end = std::min(saves, first + kBlock);
        double start = CpuSeconds();
        for (int i = first; i < end; ++i) {
            const bool show = showStatements && i == first + 1 && first >= 0 && first < kBlock;
            if (show) db->Recorder().Start();
            const Database::Traffic before = db->Sent();
            Outcome out = SaveThroughObject(session, input(i + kBlock, "N", 0));
            if (show) {
                db->Recorder().Stop();
                const Database::Traffic& after = db->Sent();
                std::fprintf(stderr, "-- statements of one %s save (%llu sent, %llu compiled):\n", category.c_str(),
                             static_cast<unsigned long long>(after.statements - before.statements),
                             static_cast<unsigned long long>(after.prepares - before.prepares));
                for (const auto& sql : db->Recorder().Statements()) std::fprintf(stderr, "%s\n", sql.c_str());
            }
            if (!out.ok) Die("save refused: " + out.error);
        }
        const double objectSeconds = CpuSeconds() - start;
        start = CpuSeconds();
        for (int i = first; i < end; ++i) bareSave.Save(input(i + kBlock, "B", 7));
        const double bareSeconds = CpuSeconds() - start;
        if (first < 0 || bareSeconds <= 0) continue;
        objectTimes.push_back(1e6 * objectSeconds / (end - first));
        bareTimes.push_back(1e6 * bareSeconds / (end - first));
        ratios.push_back(objectSeconds / bareSeconds);
    }
    return {Median(objectTimes), Median(bareTimes), Median(ratios)};
}

std::vector<int> Numbers(const char* text) {
    std::vector<int> out;
    for (const std::string& part : SplitString(text, ",")) out.push_back(std::atoi(part.c_str()));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> rowSizes = {100000, 1000000};
    std::vector<int> personCounts = {1000, 4000};
    int saves = 200;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rows") && i + 1 < argc)
            rowSizes = Numbers(argv[++i]);
        else if (!std::strcmp(argv[i], "--persons") && i + 1 < argc)
            personCounts = Numbers(argv[++i]);
        else if (!std::strcmp(argv[i], "--saves") && i + 1 < argc)
            saves = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--no-sync"))
            noSync = true;
        else if (!std::strcmp(argv[i], "--show-statements"))
            showStatements = true;
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf("%s\n", kUsage);
            return 0;
        } else
            Die(kUsage);
    }
    const std::string path = (std::filesystem::temp_directory_path() / "humrs_bench_leave.db").string();
    std::printf("Commits %s\n\n", noSync ? "do NOT wait for the disk (--no-sync: synchronous=OFF, measurement only)"
                                         : "wait for the disk (synchronous=FULL, the default)");

    std::printf("Saves: processor microseconds per save, medians over blocks of 25 (100 leave rows per person)\n");
    std::printf("%-22s %12s %10s %12s %12s %8s\n", "save", "leave rows", "persons", "object us", "bare us", "ratio");
    for (int rows : rowSizes) {
        const int persons = std::max(1, rows / 100);
        RemoveFile(path);
        auto seedStart = Clock::now();
        SeedReference(path, persons);
        SeedRows(path, persons, 85, 30, 15, true);
        std::fprintf(stderr, "(seeded %d leave rows in %.0f s)\n", rows, Seconds(seedStart));
        for (const auto& [label, category, firstDate] :
             {std::tuple{"personal leave", "SJ", 20050103}, std::tuple{"compensatory leave", "BX", 20050104}}) {
            if (!only.empty() && std::string(label).rfind(only + " ", 0) != 0) continue;
            const SaveTimes t = TimeSaves(path, persons, category, saves, firstDate);
            std::printf("%-22s %12d %10d %12.1f %12.1f %8.2f\n", label, rows, persons, t.object, t.bare, t.ratio);
            std::fflush(stdout);
        }
    }

    if (!only.empty()) personCounts.clear();
    if (!personCounts.empty()) {
        std::printf("\nProcedure 11: every person's free overtime hours rebuilt (30 overtime, 15 compensatory leave each)\n");
        std::printf("%10s %12s %12s %8s\n", "persons", "object s", "bare s", "ratio");
    }
    for (int persons : personCounts) {
        RemoveFile(path);
        SeedReference(path, persons);
        SeedRows(path, persons, 0, 30, 15, false);
        double objectSeconds = 0, bareSeconds = 0;
        {
            auto db = OpenSQLite(path);
            if (noSync) db->Execute("PRAGMA synchronous = OFF");
            Session session(*db, ComponentRegistry());
            session.serverDate = 20050115;
            auto leave = CreateBusinessObject("QVXHumrs.Excuse", session);
            auto start = Clock::now();
            Outcome out = leave->ExecuteProc(11, Variant());
            objectSeconds = Seconds(start);
            if (!out.ok || !CBool(out.result)) Die("procedure 11 failed: " + out.error);
        }
        {
            // The same work again from the same stored rows: every row is reset first,
            // as the business object found them.
            Bare bare(path);
            bare.Exec("UPDATE HumOverTime SET UseableRedeemCount = 4");
            auto start = Clock::now();
            bare.Exec("BEGIN IMMEDIATE");
            BareRedeem redeem(bare);
            sqlite3_stmt* all = bare.Prepare("SELECT PersonID FROM comPerson");
            std::vector<std::string> ids;
            bare.Run(all, [&](sqlite3_stmt* s) { ids.push_back(Text(s, 0)); });
            for (const std::string& id : ids) redeem.Person(id, 0);
            bare.Exec("COMMIT");
            bareSeconds = Seconds(start);
        }
        std::printf("%10d %12.3f %12.3f %8.2f\n", persons, objectSeconds, bareSeconds, objectSeconds / bareSeconds);
        std::fflush(stdout);
    }
    RemoveFile(path);
    return 0;
}
