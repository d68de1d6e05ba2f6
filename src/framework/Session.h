#pragma once
// What a client's connection to the component carries: the database, the login,
// the installation's local type, a fixable server date, and the notices gathered
// during one operation. Objects created for each other (DoCOMMethod) share it.
#include <optional>
#include <string>
#include <vector>

#include "db/Database.h"

namespace humrs {

struct Notice {
    std::string text;
    int kind = 0;  // 0 information, 1 warning, 2 error shown without stopping
    int flag = 0;
};

struct Session {
    explicit Session(Database& database) : db(&database) {}
    Database* db;
    int contextNumber = 1;
    int loginType = 0;
    bool mergeIn = false;
    std::optional<int> localType;  // unset: the system parameter "LocalType"
    int serverDate = 0;            // fixed yyyymmdd; 0 means today
    std::vector<Notice> notices;
};

}  // namespace humrs
