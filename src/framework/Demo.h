#pragma once
// The narrated demo's stage: what a scene works with (the database, a session, and
// the steps it records). Each business class declares its scenes in its own folder;
// the command tells them in the order of the classes.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/Database.h"
#include "framework/ComBase.h"
#include "framework/Json.h"
#include "framework/Session.h"

namespace humrs {

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
    // A business object the scene keeps for several calls (a lookup or a procedure
    // that sets what a following save checks against), and those calls on it. Keep
    // holds it for the rest of the scene; Create hands it over.
    TQVXComBase& Keep(const std::string& progId);
    std::unique_ptr<TQVXComBase> Create(const std::string& progId);
    Outcome Save(TQVXComBase& object, const Json& bill, bool expectAccepted, const std::string& what);
    Outcome Proc(TQVXComBase& object, int number, const Variant& arg1, const Variant& arg2,
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
    void Record(Json step);
    // `bill` names the bill saved or deleted (a step's "bill"); empty for other steps.
    void RecordOutcome(const std::string& action, const std::string& what, const Outcome& out,
                       std::optional<bool> expectAccepted, const std::string& bill = "");

    Database* db_;
    Session* session_;
    std::vector<std::unique_ptr<TQVXComBase>> kept_;
    Json steps_ = Json::array();
    int unexpected_ = 0;
};

}  // namespace humrs
