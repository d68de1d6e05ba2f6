#include "cli/Demo.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "cli/Bill.h"
#include "cli/Commands.h"
#include "db/Schema.h"
#include "db/Seed.h"
#include "core/Errors.h"
#include "hosting/ClassTable.h"

namespace humrs::cli {

// ---------------------------------------------------------------- the context

void DemoContext::Say(const std::string& text) { Record({{"say", text}, {"line", text}}); }

std::unique_ptr<TQVXComBase> DemoContext::Create(const std::string& progId) {
    const ClassEntry* entry = FindClassEntry(progId);
    if (entry && !entry->create) throw SceneSkipped(progId + " is not available yet");
    return CreateBusinessObject(progId, *session_);
}

void DemoContext::Record(Json step) { steps_.push_back(std::move(step)); }

void DemoContext::RecordOutcome(const std::string& action, const std::string& what, const Outcome& out,
                                std::optional<bool> expectAccepted) {
    const bool asMeant = !expectAccepted || *expectAccepted == out.ok;
    std::string line = std::string(out.ok ? "[accepted] " : "[refused] ") + action + " " + what;
    if (!out.ok) line += ": " + out.error;
    if (!asMeant) line += "  (unexpected)";
    Json step = {{"action", action}, {"what", what}, {"accepted", out.ok}};
    if (!out.ok) step["message"] = out.error;
    if (!out.notices.empty()) step["notices"] = ToJson(out.notices);
    if (!asMeant) {
        step["unexpected"] = true;
        ++unexpected_;
    }
    step["line"] = line;
    Record(std::move(step));
    for (const Notice& n : out.notices) Record({{"notice", n.text}, {"line", "    notice: " + n.text}});
}

Outcome DemoContext::Save(const std::string& progId, const Json& bill, bool expectAccepted,
                          const std::string& what) {
    auto object = Create(progId);
    const Outcome out = SaveBill(*object, BillFromJson(bill));
    RecordOutcome("save " + progId, what, out, expectAccepted);
    return out;
}

Outcome DemoContext::Delete(const std::string& progId, const std::string& key, bool expectAccepted,
                            const std::string& what) {
    auto object = Create(progId);
    const Outcome out = object->Delete(Variant(key));
    RecordOutcome("delete " + progId, what, out, expectAccepted);
    return out;
}

Outcome DemoContext::Proc(const std::string& progId, int number, const Variant& arg1, const Variant& arg2,
                          const std::string& what) {
    auto object = Create(progId);
    const Outcome out = object->ExecuteProc(number, arg1, arg2);
    RecordOutcome("proc " + progId + " " + std::to_string(number), what, out, std::nullopt);
    if (out.ok) {
        const Json result = ToJson(out.result);
        Record({{"result", result}, {"line", "    result: " + Dump(result, false)}});
    }
    return out;
}

Outcome DemoContext::Check(const std::string& progId, int datasetIndex, const VariantArray& names,
                           const VariantArray& values, bool expectAccepted, const std::string& what) {
    auto object = Create(progId);
    const Outcome out = object->CheckFieldValues(datasetIndex, names, values);
    RecordOutcome("check " + progId, what, out, expectAccepted);
    return out;
}

Json DemoContext::Show(const std::string& what, const std::string& sql, const std::vector<Variant>& params) {
    const ResultSet rs = db_->Query(sql, params);
    Json rows = Json::array();
    std::string line = "    " + what + ":";
    for (const auto& row : rs.rows) {
        Json object = Json::object();
        for (size_t i = 0; i < rs.columns.size() && i < row.size(); ++i)
            object[rs.columns[i].name] = ToJson(row[i]);
        line += " " + Dump(object, false);
        rows.push_back(std::move(object));
    }
    if (rs.rows.empty()) line += " (no row)";
    Record({{"show", what}, {"rows", rows}, {"line", line}});
    return rows;
}

Json DemoContext::TakeSteps() {
    Json out = std::move(steps_);
    steps_ = Json::array();
    return out;
}

// ---------------------------------------------------------------- the company

void SeedDemoCompany(Database& db) {
    AddDepartment(db, "D01", "行政部");
    AddDepartment(db, "D02", "生产部");

    // A day shift with a lunch break and a night shift whose break is just after midnight.
    AddWorkClass(db, {.classId = "A",
                      .className = "日班",
                      .lateTimeOver = 30,
                      .overTime = 1730,
                      .overTimeOver = 30,
                      .overTimeUnit = 30,
                      .aFieldEnd = 2,
                      .bFieldEnd = 4});
    AddWorkClass(db, {.classId = "N",
                      .className = "夜班",
                      .onDutyTime = 2000,
                      .offDutyTime = 500,
                      .restBeginTime = 0,
                      .restEndTime = 100,
                      .lateTimeOver = 30,
                      .overTime = 530,
                      .overTimeOver = 30,
                      .overTimeUnit = 30,
                      .aFieldEnd = 2,
                      .bFieldEnd = 4});
    AddSchedule(db, "S1", FiveDayWeek("A"), "日班周历");
    AddSchedule(db, "S2", FiveDayWeek("N"), "夜班周历");

    struct Staff {
        const char* id;
        const char* name;
        const char* depart;
        int hired;
        const char* schedule;
    };
    const Staff staff[] = {
        {"E001", "张伟", "D01", 20100301, "S1"}, {"E002", "王芳", "D01", 20120615, "S1"},
        {"E003", "李娜", "D01", 20150901, "S1"}, {"E004", "刘洋", "D01", 20180110, "S1"},
        {"E005", "陈静", "D01", 20200601, "S1"}, {"E006", "杨磊", "D02", 20090401, "S1"},
        {"E007", "赵敏", "D02", 20110820, "S2"}, {"E008", "黄强", "D02", 20130305, "S2"},
        {"E009", "周杰", "D02", 20140712, "S1"}, {"E010", "吴霞", "D02", 20160218, "S2"},
        {"E011", "徐明", "D02", 20170905, "S1"}, {"E012", "孙丽", "D02", 20190101, "S1"},
        {"E013", "马超", "D02", 20190722, "S2"}, {"E014", "朱琳", "D02", 20200315, "S1"},
        {"E015", "胡斌", "D02", 20210104, "S1"}, {"E016", "郭佳", "D02", 20210809, "S2"},
        {"E017", "何平", "D02", 20220516, "S1"}, {"E018", "高峰", "D02", 20230201, "S1"},
    };
    for (const Staff& s : staff)
        AddPerson(db, {.personId = s.id,
                       .personName = s.name,
                       .departId = s.depart,
                       .onJobDate = s.hired,
                       .jobSch = s.schedule});
    // A newcomer still on probation, and one who has left.
    AddPerson(db, {.personId = "E019",
                   .personName = "林雪",
                   .departId = "D02",
                   .onJobDate = 20240102,
                   .jobSch = "S1",
                   .workState = work_state::kProbation});
    AddPerson(db, {.personId = "E020",
                   .personName = "罗刚",
                   .departId = "D02",
                   .onJobDate = 20150401,
                   .leaveJobDate = 20230630,
                   .jobSch = "S1"});
    // The day-shift worker who covers one night.
    SetPersonClassOnDate(db, "E009", 20240612, "N");

    // One category per kind with a rule of its own, and an ordinary one.
    AddLeaveCategory(db, {.excuseClsId = "L00",
                          .excuseClsName = "事假",
                          .excuseCls = leave_kind::kPersonal,
                          .cutPayment = true});
    AddLeaveCategory(
        db,
        {.excuseClsId = "L01", .excuseClsName = "病假", .excuseCls = leave_kind::kSick, .cutPayment = true});
    AddLeaveCategory(db, {.excuseClsId = "L02",
                          .excuseClsName = "迟到假",
                          .excuseCls = leave_kind::kLateness,
                          .unitName = 2,
                          .excuseUnit = 10});
    AddLeaveCategory(db, {.excuseClsId = "L05",
                          .excuseClsName = "特休假",
                          .excuseCls = leave_kind::kSpecialAnnual,
                          .unitName = 0,
                          .excuseUnit = 0.5});
    AddLeaveCategory(db,
                     {.excuseClsId = "L12", .excuseClsName = "补休", .excuseCls = leave_kind::kCompensatory});
    AddLeaveCategory(db, {.excuseClsId = "L09",
                          .excuseClsName = "婚假",
                          .excuseCls = leave_kind::kOrdinary,
                          .unitName = 0,
                          .excuseUnit = 1});
    // Special annual leave by years of service.
    AddSpecialLeave(db, 1, 3);
    AddSpecialLeave(db, 3, 7);
    AddSpecialLeave(db, 10, 14);

    AddHoliday(db, 101, false, "元旦");
    AddHoliday(db, 501, false, "劳动节");
    AddHoliday(db, 1001, false, "国庆节");
    AddHoliday(db, 101, true, "春节");
    AddHoliday(db, 815, true, "中秋节");

    // The leave year starts in January; personal leave is capped at 14 days and sick
    // leave at 30 days a year (in hours), special leave follows the month of hire.
    SetParam(db, "LocalType", "1");
    SetParam(db, "HumExcuseBeginMonth", "0");
    SetParam(db, "AllowAffairLeaveYear", "1");
    SetParam(db, "HumMaxPrivateExCount", "112");
    SetParam(db, "AllowSickLeaveYear", "True");
    SetParam(db, "AllowSickLeaveMuchYear", "240");
    SetParam(db, "HumSpecialsCaleType", "0");
    SetParam(db, "HumSpecialsBaseMonth", "0");
    SetParam(db, "HumSpecialWorkAge", "1");
    SetParam(db, "HumSpecialsDayHours", "8");
    SetParam(db, "HumMakeUpRestTerm", "6");
    SetParam(db, "HumCommDateStyle", "true");
}

// ---------------------------------------------------------------- the command

namespace {

namespace fs = std::filesystem;

// The demo marks the database it builds (SQLite's application id, "HRDM"), so that
// a later run rebuilds its own database and nothing else.
constexpr int kDemoMark = 0x4852444D;

// Whether `path` is a regular file holding a database the demo made. Read without
// writing: the file is opened read-only and its header alone is asked.
bool IsDemoDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    bool mine = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            mine = sqlite3_column_int(stmt, 0) == kDemoMark;
        sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(db);
    return mine;
}

void MarkDemoDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, ("PRAGMA application_id = " + std::to_string(kDemoMark)).c_str(), nullptr, nullptr,
                          nullptr);
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK) throw DatabaseError("cannot mark " + path + " as the demo's database: " + message);
}

// Why the demo may not replace what `path` names; empty when it may. Only a regular
// file is ever replaced (never a folder, a device, a pipe or a link), and without
// `force` only a database the demo made itself.
std::string WhyNotReplace(const std::string& path, bool force) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return "cannot look at " + path + ": " + ec.message() + "; the demo will not touch it";
    if (!fs::exists(status)) return "";
    if (!fs::is_regular_file(status))
        return path + (fs::is_directory(status) ? " is a folder, not a regular file" : " is not a regular file") +
               "; the demo writes only a new file or a database it made, and never replaces anything else, even "
               "with --force";
    if (force) return "";
    if (!IsDemoDatabase(path))
        return path + " exists and is not a database the demo made; the demo will not replace it (give "
                      "--force to replace this file)";
    return "";
}

// Removes the database file and its journal files, each only when it is a regular file.
void RemoveDatabase(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::error_code ec;
        if (fs::is_regular_file(fs::symlink_status(path + suffix, ec))) fs::remove(path + suffix, ec);
    }
}

}  // namespace

Answer RunDemo(const GlobalOptions& options, bool text, bool force) {
    const std::string& path = options.dbPath;
    if (path != ":memory:") {
        if (const std::string why = WhyNotReplace(path, force); !why.empty()) return Failure(kBadInput, why);
        RemoveDatabase(path);
    }
    try {
        std::unique_ptr<Database> db = OpenSQLite(path);
        if (path != ":memory:") MarkDemoDatabase(path);
        CreateOrUpgradeSchema(*db);
        db->BeginWrite();
        try {
            SeedDemoCompany(*db);
            db->Commit();
        } catch (...) {
            db->Rollback();
            throw;
        }

        Session session(*db);
        session.loginType = options.loginType;
        session.mergeIn = options.mergeIn;
        session.localType = options.localType;
        session.serverDate = options.serverDate > 0 ? options.serverDate : kDemoDate;

        DemoContext context(*db, session);
        Json scenes = Json::array();
        std::string narration;
        int broken = 0;
        for (const Scene& scene : DemoScenes()) {
            Json record = {{"title", scene.title}};
            narration += "== " + scene.title + " ==\n";
            try {
                scene.run(context);
            } catch (const SceneSkipped& e) {
                record["skipped"] = e.what();
            } catch (const std::exception& e) {
                // A scene that breaks down is reported and the story goes on.
                record["failed"] = e.what();
                ++broken;
            }
            record["steps"] = context.TakeSteps();
            for (const Json& step : record["steps"]) narration += step["line"].get<std::string>() + "\n";
            if (record.contains("skipped"))
                narration += "(skipped: " + record["skipped"].get<std::string>() + ")\n";
            if (record.contains("failed"))
                narration += "(scene failed: " + record["failed"].get<std::string>() + ")\n";
            scenes.push_back(std::move(record));
        }
        narration += "\n" + std::to_string(context.Unexpected() + broken) + " unexpected outcome(s)\n";

        Answer answer;
        answer.body = {{"ok", true},
                       {"database", path},
                       {"date", session.serverDate},
                       {"scenes", std::move(scenes)},
                       {"unexpected", context.Unexpected() + broken},
                       {"notices", Json::array()}};
        if (text) answer.text = narration;
        return answer;
    } catch (const DatabaseError& e) {
        return Failure(kDatabaseFailure, e.what());
    } catch (const std::exception& e) {
        return Failure(kDatabaseFailure, std::string("internal error: ") + e.what());
    }
}

}  // namespace humrs::cli
