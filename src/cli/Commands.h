#pragma once
// The subcommands of the humrs program. Each one returns its answer (the JSON
// object to print and the exit code) and never throws: every failure becomes an
// answer {"ok": false, "error": ...}. Input is checked before the database is
// opened for writing, so a command that fails leaves the database as it was.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/Database.h"
#include "framework/Json.h"

namespace humrs::cli {

struct GlobalOptions {
    std::string dbPath = "humrs.db";
    std::optional<int> localType;  // unset: the "LocalType" system parameter
    int loginType = 0;
    bool mergeIn = false;
    int serverDate = 0;  // yyyymmdd; 0: today
    bool pretty = false;
};

struct Answer {
    int exitCode = 0;
    Json body;  // {"ok": ..., ..., "notices": [...]}
    // Printed instead of the JSON when set (the demo's plain narration).
    std::optional<std::string> text;
};

// An answer for a failure outside any business object (usage, files, database).
Answer Failure(int exitCode, const std::string& message);
// Runs `body`; whatever it throws becomes the failure's answer.
Answer Guarded(const std::function<Answer()>& body);

Answer RunInit(const GlobalOptions& options);
Answer RunNew(const GlobalOptions& options, const std::string& progId);
Answer RunOpen(const GlobalOptions& options, const std::string& progId, const std::string& key);
// `file` is a path, or "-" for standard input.
Answer RunSave(const GlobalOptions& options, const std::string& progId, const std::string& file);
Answer RunEdit(const GlobalOptions& options, const std::string& progId, const std::string& key);
Answer RunDelete(const GlobalOptions& options, const std::string& progId, const std::string& key);
Answer RunCheck(const GlobalOptions& options, const std::string& progId, int64_t dataset,
                const std::string& names, const std::string& values);
// Arguments are JSON texts; an empty text passes no value (Empty).
Answer RunProc(const GlobalOptions& options, const std::string& progId, int64_t number, const std::string& arg1,
               const std::string& arg2);
Answer RunSql(const GlobalOptions& options, const std::string& statement);
// The sql subcommand's work on an open database: one Select, Insert, Update or Delete
// on the component's tables; the body {"ok": true, "fields", "rows"} or "changed".
// Throws InputError for a statement it does not run.
Json RunSqlStatement(Database& db, const std::string& statement);
Answer RunParamGet(const GlobalOptions& options, const std::string& key);
Answer RunParamSet(const GlobalOptions& options, const std::string& key, const std::string& value);
// Registers (or unregisters) the server library: `library` is its path, empty for
// $HUMRS_LIBRARY or the libQVXHumrs.so beside this program.
Answer RunRegister(bool reg, const std::string& library);
// Builds the demo database afresh and walks the scenes (Demo.cpp); `text` gives the
// narration as plain lines instead of JSON. The database is written only where
// nothing exists yet or where the demo made it; `force` lets it replace another
// regular file, never anything else.
Answer RunDemo(const GlobalOptions& options, bool text, bool force = false);
// Runs the JSON-line operations of standard input on named objects (Batch.h); the
// result lines are printed as they come, so the answer carries only the exit code.
Answer RunBatch(const GlobalOptions& options);

// The accounts of the service (Users.cpp). A password is read from the terminal,
// without echo and twice, or else from the first line of standard input; never
// from the command line.
Answer RunUserAdd(const GlobalOptions& options, const std::string& name, const std::vector<std::string>& roles,
                  bool service);
Answer RunUserList(const GlobalOptions& options);
Answer RunUserDisable(const GlobalOptions& options, const std::string& name, bool disabled);
Answer RunUserPasswd(const GlobalOptions& options, const std::string& name);
Answer RunUserRoles(const GlobalOptions& options, const std::string& name, const std::vector<std::string>& roles);
// Prints a new token of the account, replacing its earlier one.
Answer RunUserToken(const GlobalOptions& options, const std::string& name);

}  // namespace humrs::cli
