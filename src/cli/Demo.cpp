#include "cli/Demo.h"

#include <filesystem>
#include <fstream>

#include "cli/Commands.h"
#include "db/PostgresDatabase.h"
#include "core/Errors.h"
#include "db/Schema.h"
#include "hosting/ClassTable.h"
#include "suite/DemoCompany.h"

namespace humrs::cli {

// ---------------------------------------------------------------- the command

namespace {

// Only a file that is empty or an SQLite database is deleted to make room.
bool LooksLikeDatabase(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[16] = {};
    in.read(header, sizeof header);
    if (in.gcount() == 0) return true;
    return in.gcount() == 16 && std::string(header, 15) == "SQLite format 3";
}

void RemoveDatabase(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix);
}

}  // namespace

// The story: the company first, then each class's scenes in the order of the classes.
std::vector<DemoScene> DemoScenes(const ClassRegistry& classes) {
    std::vector<DemoScene> scenes = {DemoCompanyScene()};
    for (const ClassDescriptor& c : classes.Classes())
        if (c.demo) for (DemoScene& scene : c.demo()) scenes.push_back(std::move(scene));
    return scenes;
}

Answer RunDemo(const GlobalOptions& options, bool text) {
    const std::string& path = options.dbPath;
    // The demo starts from an empty database it makes itself: never a shared server's.
    if (IsPostgresUrl(path))
        return Failure(kBadInput, "the demo runs on an SQLite file of its own, not on a database server");
    if (path != ":memory:") {
        if (std::filesystem::exists(path) && !LooksLikeDatabase(path))
            return Failure(kBadInput, path + " is not an SQLite database; the demo will not delete it");
        RemoveDatabase(path);
    }
    try {
        std::unique_ptr<Database> db = OpenSQLite(path);
        const ClassRegistry& classes = ComponentRegistry();
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
