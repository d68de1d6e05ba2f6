#include "cli/Connection.h"

#include "core/Errors.h"
#include "db/DatabaseFile.h"
#include "db/PostgresDatabase.h"
#include "framework/AuditTrail.h"
#include "framework/InputChecks.h"
#include "hosting/ClassTable.h"

namespace humrs::cli {

namespace {

// Makes sure an existing file is a humrs database before it is opened for writing:
// opening it normally switches its journal to WAL, which another application's
// database must never get from a command that then fails.
// A database of a newer schema is refused too, and, unless `init` is about to add
// them, one that lacks tables of this version.
void RequireHumrsDatabase(const std::string& path, bool requireTables) {
    std::unique_ptr<Database> db;
    bool tables = false;
    try {
        db = OpenSQLiteReadOnly(path);
        tables = !db->TableColumns("humSchemaVersion").empty();
    } catch (const DatabaseError& e) {
        throw DatabaseError(path + " is not a humrs database (" + e.what() + ")");
    }
    if (!tables)
        throw DatabaseError(
            path + " is not a humrs database: it has no humrs tables (create them with `humrs init`)");
    if (requireTables)
        CheckSchemaVersion(*db, path, ComponentRegistry().Tables());
    else
        CheckSchemaVersion(*db, path);
}

}  // namespace

Connection Connect(const GlobalOptions& options, Mode mode) {
    const std::string& path = options.dbPath;
    const bool memory = path == ":memory:";
    const bool server = IsPostgresUrl(path);
    if (!server) {
        // What --db names is looked at before SQLite opens it: a folder, a pipe (which
        // would block the open) or a missing permission is named as such.
        const bool exists = CheckDatabaseFile(path, FileAccess::Write);
        if (mode == Mode::Existing) {
            if (!exists) throw DatabaseError("database " + path + " does not exist; create it with `humrs init`");
            RequireHumrsDatabase(path, true);
        } else if (exists && !memory) {
            // `init` adds what is missing to a humrs database but never lowers its version;
            // another application's database gets the humrs tables only by its owner's choice.
            std::unique_ptr<Database> db = OpenSQLiteReadOnly(path);
            CheckSchemaVersion(*db, path);
        }
    }
    Connection c;
    c.db = OpenDatabase(path);
    if (server && mode == Mode::Existing) {
        if (c.db->TableColumns("humSchemaVersion").empty())
            throw DatabaseError("the database has no humrs tables (create them with `humrs init`)");
        CheckSchemaVersion(*c.db, path, ComponentRegistry().Tables());
    }
    c.session = std::make_unique<Session>(*c.db, ComponentRegistry());
    c.session->loginType = options.loginType;
    c.session->mergeIn = options.mergeIn;
    c.session->localType = options.localType;
    c.session->serverDate = options.serverDate;
    // The command runs as the operating-system user, and the trail records it so.
    c.session->actor = OperatingSystemActor("command");
    return c;
}

void RequireKnownProgId(const std::string& progId) {
    CheckProgIdText(progId, "the ProgID");
    const ClassRegistry& classes = ComponentRegistry();
    const ClassDescriptor* c = classes.Find(progId);
    if (!c) throw InputError("unknown ProgID: " + progId + "; available: " + classes.Available());
    if (!c->create)
        throw InputError("the business object " + progId + " is not available yet; available: " +
                         classes.Available());
}

}  // namespace humrs::cli
