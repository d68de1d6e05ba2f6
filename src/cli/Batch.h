#pragma once
// `humrs batch`: several operations on named business objects in one process, so
// that what an object keeps between calls (a class chosen by a procedure, then a
// save checked against it) lasts from one operation to the next.
#include <iosfwd>

#include "framework/ComBase.h"
#include "framework/Json.h"
#include "framework/Outcome.h"
#include "framework/Session.h"

namespace humrs::cli {

// Runs one operation {"op": "new" | "open" | "edit" | "save" | "delete" | "proc" |
// "check", ...its members} on `object`; what it answers besides ok, error and
// notices goes into `body`. Throws InputError for a malformed operation.
Outcome RunObjectOperation(TQVXComBase& object, const Json& op, Json& body);

// Reads one JSON operation per line from `in` and writes one JSON result line per
// operation to `out` (flushed after each, so a client may read an answer before it
// sends the next operation). Blank lines are passed over. Every operation runs in
// its own transaction; a failed one does not stop the others. Returns 0 when every
// operation was accepted, else the exit code of the first that was not.
int RunBatchLines(Session& session, std::istream& in, std::ostream& out, bool pretty);

}  // namespace humrs::cli
