#pragma once
// What a client's connection to the component carries: the database, the classes
// it can create, the login, the installation's local type, a fixable server date,
// and the notices gathered during one operation. Objects created for each other (DoCOMMethod) share it.
#include <optional>
#include <string>
#include <vector>

#include "db/Database.h"

namespace humrs {

class ClassRegistry;

struct Notice {
    std::string text;
    int kind = 0;  // 0 information, 1 warning, 2 error shown without stopping
    int flag = 0;
};

// Who runs an operation, and through what: the permission check and the audit
// trail read it. The command and the library run as the operating-system user and
// hold every right (whoever can open the database already holds everything); the
// service fills it from the account that signed in.
struct Actor {
    std::string name;                // user or service account; the OS user otherwise
    std::string via = "command";     // "command", "service" or "library"
    std::vector<std::string> roles;  // the account's roles; unused when allRights
    bool allRights = true;
};

struct Session {
    // Tells the database the tables of the classes (their spelling, for a backend
    // that folds names).
    Session(Database& database, const ClassRegistry& classes);
    Database* db;
    const ClassRegistry* registry;  // the classes objects are created from
    int contextNumber = 1;
    int loginType = 0;
    bool mergeIn = false;
    std::optional<int> localType;  // unset: the system parameter "LocalType"
    int serverDate = 0;            // fixed yyyymmdd; 0 means today
    std::vector<Notice> notices;
    Actor actor;
};

}  // namespace humrs
