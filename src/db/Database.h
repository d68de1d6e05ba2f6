#pragma once
// The database layer behind one interface. Business classes hand it SQL Server
// dialect text; each backend translates that text to its own dialect before it runs.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "db/TableDef.h"

namespace humrs {

// A failure of the database itself (syntax, constraint, lock, I/O): not a business
// refusal. Carries the original statement text for the message.
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(const std::string& message, std::string statement = {})
        : std::runtime_error(message), statement_(std::move(statement)) {}
    const std::string& Statement() const { return statement_; }

private:
    std::string statement_;
};


struct ResultColumn {
    std::string name;
    ColumnType type = ColumnType::Unknown;
};

struct ResultSet {
    std::vector<ResultColumn> columns;
    std::vector<std::vector<Variant>> rows;
    // Index of a column by name, without regard to case; -1 when absent.
    int ColumnIndex(std::string_view name) const;
};

// Records the exact statement texts (as the caller gave them, before translation)
// that ran on a connection, so that tests can assert what a class emitted.
class StatementRecorder {
public:
    void Record(const std::string& text) {
        if (enabled_) statements_.push_back(text);
    }
    void Start() { enabled_ = true; statements_.clear(); }
    void Stop() { enabled_ = false; }
    void Clear() { statements_.clear(); }
    const std::vector<std::string>& Statements() const { return statements_; }

private:
    bool enabled_ = false;
    std::vector<std::string> statements_;
};

enum class Backend { SQLite, PostgreSQL };

class Database {
public:
    virtual ~Database() = default;
    virtual Backend Kind() const = 0;

    // Runs one statement of the component's dialect. `params` bind to `?` markers in
    // order. Returns the number of rows changed. Text after the statement (a second
    // statement) is refused with DatabaseError.
    virtual int64_t Execute(const std::string& sql, const std::vector<Variant>& params = {}) = 0;
    // All rows of a select.
    virtual ResultSet Query(const std::string& sql, const std::vector<Variant>& params = {}) = 0;
    // The first row of a select, or nullopt when it gives no row.
    virtual std::optional<std::vector<Variant>> QueryFirst(const std::string& sql,
                                                           const std::vector<Variant>& params = {});

    // Transactions. BeginWrite takes the database's write lock at once, so two
    // processes saving at the same time wait for each other instead of both passing
    // their checks on the same old data. Savepoints nest inside a transaction.
    virtual void BeginWrite() = 0;
    virtual void BeginRead() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool InTransaction() const = 0;
    // A savepoint name is a plain identifier (letters, digits after the first, _) of at
    // most 63 characters, the shortest limit of the backends; any other is refused.
    void Savepoint(const std::string& name);
    void ReleaseSavepoint(const std::string& name);
    void RollbackToSavepoint(const std::string& name);

    // Declared columns of a table in table order; empty when the table does not exist.
    virtual std::vector<ResultColumn> TableColumns(const std::string& table) = 0;
    // The tables the component declares, for a backend that needs their spelling
    // (PostgreSQL folds unquoted names to lower case). Others ignore it.
    virtual void KnowTables(const std::vector<TableDef>& tables) { (void)tables; }

protected:
    // Runs a transaction-control statement (BEGIN, SAVEPOINT, …) as it is: not the
    // component's SQL, so neither translated nor recorded.
    virtual void Control(const std::string& sql) = 0;
public:

    StatementRecorder& Recorder() { return recorder_; }

protected:
    StatementRecorder recorder_;
};

// Opens (creating when missing) an SQLite database file; ":memory:" for a private
// in-memory database. WAL journal and a busy timeout are set on open.
std::unique_ptr<Database> OpenSQLite(const std::string& path);

// Opens an existing SQLite database file for reading only: a missing file is not
// created and no journal mode is set, so the file is left exactly as it was. A file
// that is not an SQLite database fails on the first statement.
std::unique_ptr<Database> OpenSQLiteReadOnly(const std::string& path);

// Opens the database a location names: a PostgreSQL connection URL
// (postgresql://user@host:port/dbname) or else the path of an SQLite file.
std::unique_ptr<Database> OpenDatabase(const std::string& pathOrUrl);

}  // namespace humrs
