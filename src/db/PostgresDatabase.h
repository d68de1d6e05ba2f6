#pragma once
// The PostgreSQL backend: one connection to a database server that several
// application servers share.
#include <memory>
#include <string>

#include "db/Database.h"

namespace humrs {

// Whether a database location names a PostgreSQL server (postgresql://... or
// postgres://...) rather than an SQLite file.
bool IsPostgresUrl(const std::string& location);

// Connects to a PostgreSQL database given by a connection URL
// (postgresql://user@host:port/dbname). Throws DatabaseError when the server cannot
// be reached or refuses the connection.
std::unique_ptr<Database> OpenPostgres(const std::string& url);

// The numeric key of the advisory lock that every write transaction takes first:
// exclusively, or shared by the saves that lock their persons.
constexpr long long kWriteLockKey = 0x68756d7273;  // "humrs"

}  // namespace humrs
