#pragma once
// The reading side of the workspace's pages: the classes a caller may read with what
// a form needs to draw them, a class's bills found page by page, reference data for
// type-ahead, a person's month and a pay statement. Each routine answers the JSON of
// its endpoint (without "ok" and "notices"); a query value that is unknown, given
// twice or malformed raises InputError naming it. The caller checks permissions.
#include <string>
#include <utility>
#include <vector>

#include "framework/ClassDescriptor.h"
#include "framework/Json.h"
#include "framework/Outcome.h"
#include "framework/Session.h"

namespace humrs::cli {

// The arguments of a URL, decoded, in order.
using QueryArguments = std::vector<std::pair<std::string, std::string>>;

// The registered classes of `registry` that `actor` may read, in the registry's
// order: {"classes": [...]}. A field without a label is labelled with its name.
Json ClassesJson(const ClassRegistry& registry, const Actor& actor);

// The bills of class `c`, newest first, one page: {"rows", "page", "size", "more"}.
// Arguments: progid, billNo (the key begins with it), from and to (yyyymmdd on the
// class's find date), person (a row of this person), page (from 1), size (1..100).
Json FindBills(Database& db, const ClassDescriptor& c, const QueryArguments& query);

// Codes and names of reference data whose code or name contains `q`:
// {"items": [{"code", "name", "detail"}]}. Arguments: kind, q, limit (1..50).
Json PickItems(Database& db, const QueryArguments& query);

// A person's month: the person, the days with leave or overtime, the balances of the
// capped leave categories and the free compensatory hours. Arguments: id, month
// (yyyymm). Runs the leave service's procedures on `session`; a procedure that fails
// ends it with its outcome.
Outcome PersonMonth(Session& session, const QueryArguments& query, Json& body);

// The pay statement of a person-month, procedure 1 of the pay statement query:
// {"statement": ...}. Arguments: person, month (yyyymm). Returns the procedure's
// outcome; the statement is put into `body` when it is accepted.
Outcome PayStatement(Session& session, const QueryArguments& query, Json& body);

}  // namespace humrs::cli
