#pragma once
// The demo: a small company in a fresh database, and a narrated walk through the
// bills, one scene after another. Each business class adds its scenes to the table
// in DemoScenes.cpp; a scene that needs a class whose unit is not built yet is
// reported as skipped.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Json.h"
#include "db/Database.h"
#include "framework/ComBase.h"
#include "framework/Session.h"

namespace humrs::cli {

// The demo's "today" when --date does not fix another one, so that every run tells
// the same story.
inline constexpr int kDemoDate = 20240610;

// Raised inside a scene to end it as skipped (a business class not built yet).
class SceneSkipped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a scene works with: the demo database, its session, and the steps it records.
class DemoContext {
public:
    DemoContext(Database& db, Session& session) : db_(&db), session_(&session) {}

    Database& Db() { return *db_; }
    Session& GetSession() { return *session_; }

    // A line of narration.
    void Say(const std::string& text);
    // Saves a bill given as {"datasets": [...]} the way `humrs save` does. The scene
    // says whether it means to show an accepted or a refused save; an outcome against
    // that is counted as unexpected. Raises SceneSkipped when the class is not built.
    Outcome Save(const std::string& progId, const Json& bill, bool expectAccepted, const std::string& what);
    Outcome Delete(const std::string& progId, const std::string& key, bool expectAccepted,
                   const std::string& what);
    Outcome Proc(const std::string& progId, int number, const Variant& arg1, const Variant& arg2,
                 const std::string& what);
    // The field check of dataset `datasetIndex`, as `humrs check` runs it.
    Outcome Check(const std::string& progId, int datasetIndex, const VariantArray& names, const VariantArray& values,
                  bool expectAccepted, const std::string& what);
    // Shows the rows of a select (what a save stored) and returns them.
    Json Show(const std::string& what, const std::string& sql, const std::vector<Variant>& params = {});

    // The steps recorded since the last call, handed over to the scene's record.
    Json TakeSteps();
    int Unexpected() const { return unexpected_; }

private:
    std::unique_ptr<TQVXComBase> Create(const std::string& progId);
    void Record(Json step);
    void RecordOutcome(const std::string& action, const std::string& what, const Outcome& out,
                       std::optional<bool> expectAccepted);

    Database* db_;
    Session* session_;
    Json steps_ = Json::array();
    int unexpected_ = 0;
};

struct Scene {
    std::string title;
    std::function<void(DemoContext&)> run;
};

// The scenes in the order they are told.
const std::vector<Scene>& DemoScenes();

// The company every scene starts from: departments, persons, shifts and schedule,
// leave categories with their rules, holidays and the leave parameters.
void SeedDemoCompany(Database& db);

}  // namespace humrs::cli
