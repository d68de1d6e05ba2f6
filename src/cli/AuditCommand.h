#pragma once
// A bill's audit trail as the command (`humrs audit PROGID KEY`) and the service
// (GET /v1/audit?progid=&key=) show it: every entry, oldest first.
#include <string>

#include "cli/Commands.h"
#include "db/Database.h"
#include "framework/Json.h"

namespace humrs::cli {

// The body {"ok": true, "progid", "key", "entries": [...]} for the bill `key` of
// `progId`; each entry's "changes" is given as the JSON it was written as. Throws
// InputError for a ProgID the component does not know or a key no bill can have.
Json AuditHistory(Database& db, const std::string& progId, const std::string& key);

Answer RunAudit(const GlobalOptions& options, const std::string& progId, const std::string& key);

}  // namespace humrs::cli
