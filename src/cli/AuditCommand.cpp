#include "cli/AuditCommand.h"

#include "cli/Connection.h"
#include "core/Errors.h"
#include "framework/AuditTrail.h"
#include "framework/InputChecks.h"
#include "hosting/ClassTable.h"

namespace humrs::cli {

Json AuditHistory(Database& db, const std::string& progId, const std::string& key) {
    // Entries are kept for every ProgID of the registry, creatable or not yet.
    CheckProgIdText(progId, "the ProgID");
    const ClassDescriptor* c = ComponentRegistry().Find(progId);
    if (!c) throw InputError("unknown ProgID: " + progId + "; available: " + ComponentRegistry().Available());
    if (key.find('\0') != std::string::npos) throw InputError("the key holds a NUL character");
    Json entries = Json::array();
    for (const AuditEntry& e : BillHistory(db, c->progId, key)) {
        Json changes;
        try {
            changes = ParseJson(e.changes, "the entry's changes");
        } catch (const InputError&) {
            changes = e.changes;  // kept as written
        }
        entries.push_back(Json{{"number", e.number},
                               {"when", e.when},
                               {"user", e.user},
                               {"via", e.via},
                               {"operation", e.operation},
                               {"key", e.key},
                               {"outcome", e.outcome},
                               {"message", e.message},
                               {"changes", std::move(changes)}});
    }
    return Json{{"ok", true}, {"progid", c->progId}, {"key", key}, {"entries", std::move(entries)}};
}

Answer RunAudit(const GlobalOptions& options, const std::string& progId, const std::string& key) {
    try {
        CheckProgIdText(progId, "the ProgID");
        Connection c = Connect(options, Mode::Existing);
        Json body = AuditHistory(*c.db, progId, key);
        body["notices"] = Json::array();
        return Answer{kAccepted, std::move(body)};
    } catch (...) {
        const Outcome failed = FailureOutcome(std::current_exception());
        return Failure(ExitCodeOf(failed), failed.error);
    }
}

}  // namespace humrs::cli
