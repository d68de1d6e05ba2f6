#pragma once
// The database of one command (or of one service connection) and the session that
// carries the global options.
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "db/Database.h"
#include "framework/Session.h"

namespace humrs::cli {

struct Connection {
    std::unique_ptr<Database> db;
    std::unique_ptr<Session> session;
};

// Existing: the database must hold the humrs tables of this version. Create: `init`
// is about to add what is missing.
enum class Mode { Existing, Create };

// Opens --db (a SQLite file or a postgresql:// URL) after checking that it is what it
// should be; throws DatabaseError or InputError naming what is wrong.
Connection Connect(const GlobalOptions& options, Mode mode);

// Refuses an unknown ProgID, or one whose class is not built, before the database is
// touched.
void RequireKnownProgId(const std::string& progId);

}  // namespace humrs::cli
