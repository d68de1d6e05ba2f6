#pragma once
// A fresh database with the whole schema for one test, on the backend the
// environment chooses:
//   HUMRS_TEST_BACKEND=postgresql and HUMRS_TEST_PG_URL=postgresql://user@host:port
//     a new database on that server, copied from a template that the first test of a
//     run builds (CREATE DATABASE ... TEMPLATE), dropped again when the test process ends;
//   anything else: a private in-memory SQLite database.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/PostgresDatabase.h"
#include "db/Schema.h"
#include "hosting/ClassTable.h"

namespace humrs::testing {

inline bool TestOnPostgres() {
    const char* backend = std::getenv("HUMRS_TEST_BACKEND");
    return backend && (std::string(backend) == "postgresql" || std::string(backend) == "postgres");
}

inline std::string PostgresServerUrl() {
    const char* url = std::getenv("HUMRS_TEST_PG_URL");
    if (!url || !*url) throw DatabaseError("HUMRS_TEST_BACKEND=postgresql needs HUMRS_TEST_PG_URL");
    std::string base = url;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

// The databases this process created, dropped when it ends.
class TestDatabases {
public:
    static TestDatabases& Instance() {
        static TestDatabases instance;
        return instance;
    }
    void Add(std::string name) { names_.push_back(std::move(name)); }
    ~TestDatabases() {
        if (names_.empty()) return;
        try {
            auto admin = OpenPostgres(PostgresServerUrl() + "/postgres");
            for (const std::string& name : names_) admin->Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
        } catch (...) {
            // The server is gone already; its folder goes with it.
        }
    }

private:
    std::vector<std::string> names_;
};

// A name for a new database of this test process; dropped when the process ends.
inline std::string NewPostgresDatabaseName(Database& admin) {
    static int counter = 0;
    const std::string name = "humrs_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    admin.Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    TestDatabases::Instance().Add(name);
    return name;
}

// A new database without any table on the PostgreSQL test server; its URL.
inline std::string CreateEmptyPostgresDatabase() {
    const std::string server = PostgresServerUrl();
    auto admin = OpenPostgres(server + "/postgres");
    const std::string name = NewPostgresDatabaseName(*admin);
    admin->Execute("CREATE DATABASE " + name);
    return server + "/" + name;
}

// A new database with the schema on the PostgreSQL test server; its URL.
inline std::string CreatePostgresTestDatabase() {
    const std::string server = PostgresServerUrl();
    auto admin = OpenPostgres(server + "/postgres");
    // The template is named after its DDL, so a changed schema never reuses an old one.
    std::string ddl;
    for (const std::string& statement : SchemaDdl(ComponentRegistry().Tables(), ComponentRegistry().Indexes(), Backend::PostgreSQL)) ddl += statement + ";";
    const std::string templ = "humrs_template_" + std::to_string(std::hash<std::string>{}(ddl) % 1000000007ULL);
    admin->Execute("Select pg_advisory_lock(7304)");
    try {
        if (!admin->QueryFirst("Select 1 From pg_database Where datname = ?", {Variant(templ)})) {
            admin->Execute("DROP DATABASE IF EXISTS " + templ + "_new WITH (FORCE)");  // left by a stopped run
            admin->Execute("CREATE DATABASE " + templ + "_new");
            {
                auto db = OpenPostgres(server + "/" + templ + "_new");
                CreateComponentSchema(*db);
            }
            // Renamed only when complete: a test stopped halfway leaves no broken template.
            admin->Execute("ALTER DATABASE " + templ + "_new RENAME TO " + templ);
        }
    } catch (...) {
        admin->Execute("DROP DATABASE IF EXISTS " + templ + "_new");
        admin->Execute("Select pg_advisory_unlock(7304)");
        throw;
    }
    admin->Execute("Select pg_advisory_unlock(7304)");
    const std::string name = NewPostgresDatabaseName(*admin);
    admin->Execute("CREATE DATABASE " + name + " TEMPLATE " + templ + " STRATEGY FILE_COPY");
    return server + "/" + name;
}

// A fresh database with the schema on the chosen backend.
inline std::unique_ptr<Database> OpenTestDatabase() {
    if (TestOnPostgres()) return OpenPostgres(CreatePostgresTestDatabase());
    auto db = OpenSQLite(":memory:");
    CreateComponentSchema(*db);
    return db;
}

// A fresh database with the schema that other processes can open too: its location
// (a URL, or the path of an SQLite file under `folder`) for OpenDatabase.
inline std::string CreateSharedTestDatabase(const std::filesystem::path& folder) {
    if (TestOnPostgres()) return CreatePostgresTestDatabase();
    const std::string path = (folder / "shared.db").string();
    auto db = OpenSQLite(path);
    CreateComponentSchema(*db);
    return path;
}

}  // namespace humrs::testing
