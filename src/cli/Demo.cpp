#include "cli/Demo.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "cli/Commands.h"
#include "db/PostgresDatabase.h"
#include "core/Errors.h"
#include "db/Schema.h"
#include "framework/AuditTrail.h"
#include "hosting/ClassTable.h"
#include "suite/DemoCompany.h"

namespace humrs::cli {

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

// The first table of the component the database holds, or empty when it holds none.
std::string FirstComponentTable(Database& db, const ClassRegistry& classes) {
    if (!db.TableColumns("humSchemaVersion").empty()) return "humSchemaVersion";
    for (const TableDef& table : classes.Tables())
        if (!db.TableColumns(table.name).empty()) return table.name;
    return "";
}

}  // namespace

// The story: the company first, then each class's scenes in the order of the classes.
std::vector<DemoScene> DemoScenes(const ClassRegistry& classes) {
    std::vector<DemoScene> scenes = {DemoCompanyScene()};
    for (const ClassDescriptor& c : classes.Classes())
        if (c.demo) for (DemoScene& scene : c.demo()) scenes.push_back(std::move(scene));
    return scenes;
}

Answer RunDemo(const GlobalOptions& options, bool text, bool force) {
    const std::string& path = options.dbPath;
    const bool server = IsPostgresUrl(path);
    if (!server && path != ":memory:") {
        if (const std::string why = WhyNotReplace(path, force); !why.empty()) return Failure(kBadInput, why);
        RemoveDatabase(path);
    }
    try {
        const ClassRegistry& classes = ComponentRegistry();
        std::unique_ptr<Database> db;
        if (server) {
            // A server's database is never replaced: the demo fills only one that holds
            // none of the component's tables yet, whatever --force says.
            db = OpenPostgres(path);
            if (const std::string table = FirstComponentTable(*db, classes); !table.empty())
                return Failure(kBadInput, "the database already holds humrs tables (" + table +
                                              "); the demo fills only a database without any, and never "
                                              "replaces data on a database server, even with --force");
        } else {
            db = OpenSQLite(path);
            if (path != ":memory:") MarkDemoDatabase(path);
        }
        CreateOrUpgradeSchema(*db, classes.Tables(), classes.Indexes());
        db->BeginWrite();
        try {
            SeedDemoCompany(*db);
            db->Commit();
        } catch (...) {
            db->Rollback();
            throw;
        }

        Session session(*db, classes);
        session.loginType = options.loginType;
        session.mergeIn = options.mergeIn;
        session.localType = options.localType;
        session.serverDate = options.serverDate > 0 ? options.serverDate : kDemoDate;
        session.actor = OperatingSystemActor("command");

        DemoContext context(*db, session);
        Json scenes = Json::array();
        std::string narration;
        int broken = 0;
        for (const DemoScene& scene : DemoScenes(classes)) {
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
    } catch (...) {
        const Outcome failed = FailureOutcome(std::current_exception());
        return Failure(ExitCodeOf(failed), failed.error);
    }
}

}  // namespace humrs::cli
