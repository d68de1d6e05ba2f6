#pragma once
// The audit trail: who saved, changed or deleted a bill, or ran a writing procedure,
// when, through what, and what changed. An accepted operation writes its entry in its
// own transaction, so the entry and the change commit or vanish together; a refused or
// failed one is written afterwards in a transaction of its own, with its message.
// Entries are only ever added: nothing in the component changes or deletes one, and
// the administrator's `sql` refuses to write the trail's tables.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Variant.h"
#include "db/Database.h"
#include "framework/ClassDescriptor.h"
#include "framework/Dataset.h"
#include "framework/Outcome.h"
#include "framework/Session.h"

namespace humrs {

// The trail's tables and indexes, appended to every registry's schema.
void AppendAuditTables(std::vector<TableDef>& tables, std::vector<IndexDef>& indexes);
// Whether a table (however its name is cased) belongs to the trail.
bool IsAuditTable(std::string_view table);

enum class AuditOperation { Save, Delete, Procedure };

struct AuditEntry {
    int64_t number = 0;  // one sequence over the whole trail, in the order written
    std::string when;    // UTC, yyyy-mm-ddThh:mm:ss.mmmZ
    std::string user;    // Actor::name
    std::string via;     // Actor::via
    std::string progId;
    std::string key;        // the bill's key; for a procedure its number and arguments
    std::string operation;  // "save", "delete", "procedure"
    std::string outcome;    // "accepted", or the failure: "refused", "input", "database", "internal"
    std::string message;    // the refusal or failure message; empty when accepted
    std::string changes;    // JSON: the rows changed, or a procedure's arguments
};

// The key text of a bill as the trail records it: a text or number as itself, Empty
// and Null as "", anything else (a caller's list) as its JSON.
std::string AuditKeyText(const Variant& key);
// The key of a procedure run: its number and its arguments in short.
std::string ProcedureAuditKey(int procNo, const Variant& arg1, const Variant& arg2);
// The changes of a save or delete as compact JSON, from the datasets' change sets:
// per changed dataset its table, the rows inserted (their values), modified (the
// row's key and each changed field as [old, new]) and deleted (their stored values).
std::string ChangesJson(const ClassMap* map, const std::vector<Dataset>& datasets);
// The arguments of a procedure run as compact JSON.
std::string ProcedureChangesJson(const Variant& arg1, const Variant& arg2);

// Writes the entry of an accepted operation, done by the session's actor.
// REQUIRES: the operation's write transaction is open on the session's database; the
// entry commits or rolls back with it.
void RecordAccepted(Session& session, const std::string& progId, AuditOperation operation,
                    const std::string& key, const std::string& changes);
// Writes the entry of a refused or failed operation (an outcome that is not ok) in a
// transaction of its own, once the operation's has rolled back. An operation run
// inside another one's transaction writes none: the enclosing operation answers for
// it. Never throws: when the trail cannot be written the failure is told as it was,
// not replaced by the trail's own.
void RecordFailure(Session& session, const std::string& progId, AuditOperation operation,
                   const std::string& key, const Outcome& failure) noexcept;

// A bill's entries, oldest first (the key compared without regard to case, as keys
// are).
std::vector<AuditEntry> BillHistory(Database& db, const std::string& progId, const std::string& key);

// The operating-system user this process runs as, acting through `via` ("command",
// "library"), with every right.
Actor OperatingSystemActor(const std::string& via);

}  // namespace humrs
