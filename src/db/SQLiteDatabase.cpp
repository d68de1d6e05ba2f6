// The SQLite backend: one connection to one database file, running the component's
// statements after translation. The literals of a translated statement become bound
// parameters and compiled statements are kept per resulting text, so a statement a
// business class runs again and again, with whatever values, is compiled once.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>

#include "db/Database.h"
#include "db/SQLiteValues.h"
#include "db/SqlTranslator.h"
#include "core/Errors.h"
#include "core/Text.h"

namespace humrs {

namespace {

using sqlite_values::ColumnText;
using sqlite_values::ReadValue;
using sqlite_values::TypeFromDeclared;
using sqlite_values::TypeFromStorage;

constexpr int kBusyTimeoutMs = 10000;
// Amounts in ten-thousandths below this magnitude survive a round trip through a
// binary floating-point column digit for digit (15 significant digits).
constexpr int64_t kMaxExactCurrencyUnits = 1000000000000000;
constexpr size_t kStatementCacheSize = 256;
// How many virtual machine steps a statement takes between two looks at its clock: a
// look costs a read of the clock, a thousand steps a few microseconds.
constexpr int kStepsBetweenClockLooks = 1000;

struct StatementDeleter {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

struct CachedStatement {
    StatementPtr stmt;
    TranslatedStatement translated;
    std::list<std::string>::iterator lruPos;
    // Its result columns (see Describe), and the compilation they were read from.
    std::vector<ResultColumn> columns;
    std::vector<ColumnType> declared;
    int describedAt = -1;
};

// Leaves a statement ready for its next use whatever happens while it runs: a
// statement that is not reset keeps its read snapshot open.
class ResetOnExit {
public:
    explicit ResetOnExit(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~ResetOnExit() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    sqlite3_stmt* stmt_;
};

class SQLiteDatabase final : public Database {
public:
    // A read-only connection neither creates the file nor sets the journal mode: it
    // leaves a file that is not ours exactly as it found it.
    explicit SQLiteDatabase(const std::string& path, bool readOnly = false)
        : translator_(Backend::SQLite, [this](std::string_view table, std::string_view column) {
              return DeclaredType(table, column);
          }) {
        translator_.SetLiftLiterals(true);
        // One thread at a time uses a connection (a Database is not shared between
        // threads at once: its caches and its transaction's memory are its own), so
        // SQLite need not lock the connection at every call.
        const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                          SQLITE_OPEN_NOMUTEX;
        int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            db_ = nullptr;
            throw DatabaseError("cannot open database " + path + ": " + message);
        }
        // A writer waiting for the lock looks again every millisecond (SQLite's own
        // wait sleeps up to 100 ms, and misses the short gaps a long run leaves between
        // its blocks), up to kBusyTimeoutMs.
        sqlite3_busy_handler(
            db_,
            [](void*, int tries) -> int {
                if (tries >= kBusyTimeoutMs) return 0;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return 1;
            },
            nullptr);
        ApplyStatementTimeLimit();
        if (readOnly) return;
        try {
            Control("PRAGMA journal_mode = WAL");
        } catch (...) {
            sqlite3_close_v2(db_);
            throw;
        }
    }

    ~SQLiteDatabase() override {
        cache_.clear();
        schemaVersionStmt_.reset();
        sqlite3_close_v2(db_);
    }

    SQLiteDatabase(const SQLiteDatabase&) = delete;
    SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

    Backend Kind() const override { return Backend::SQLite; }

    int64_t RunExecute(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) override {
        std::vector<Variant> lifted;
        CachedStatement& entry = Prepare(sql, lifted, facts);
        sqlite3_stmt* stmt = entry.stmt.get();
        StatementKind kind = entry.translated.kind;
        int64_t changed = 0;
        {
            StatementClock clock(*this);
            ResetOnExit reset(stmt);
            Bind(entry, params, lifted, sql);
            int rc;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) Fail(sql, entry.translated.sql);
            if (kind == StatementKind::Insert || kind == StatementKind::Update || kind == StatementKind::Delete)
                changed = sqlite3_changes64(db_);
        }
        if (kind == StatementKind::Other) {
            schemaChecked_ = false;  // it may have begun or ended a transaction
            schemaSeen_ = false;     // or changed the schema
            if (ChangesSchema(sql)) ForgetStatements();
        }
        return changed;
    }

    ResultSet RunQuery(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) override {
        std::vector<Variant> lifted;
        CachedStatement& entry = Prepare(sql, lifted, facts);
        if (facts.Read())
            if (auto kept = FromRememberedRow(facts, params, lifted)) return std::move(*kept);
        sqlite3_stmt* stmt = entry.stmt.get();
        StatementClock clock(*this);
        ResetOnExit reset(stmt);
        Bind(entry, params, lifted, sql);
        ResultSet rs;
        // Described after the first step: a statement that SQLite compiled again for a
        // changed schema has its new columns only then.
        int rc = sqlite3_step(stmt);
        const std::vector<ColumnType>& declared = Describe(entry, &rs.columns);
        for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) rs.rows.push_back(ReadRow(stmt, &rs.columns, declared));
        if (rc != SQLITE_DONE) Fail(sql, entry.translated.sql);
        return rs;
    }

    std::optional<std::vector<Variant>> RunQueryFirst(const std::string& sql, const std::vector<Variant>& params,
                                                      StatementFacts& facts) override {
        std::vector<Variant> lifted;
        CachedStatement& entry = Prepare(sql, lifted, facts);
        if (facts.Read()) {
            if (auto kept = FromRememberedRow(facts, params, lifted)) {
                if (kept->rows.empty()) return std::nullopt;
                return std::move(kept->rows.front());
            }
        }
        sqlite3_stmt* stmt = entry.stmt.get();
        StatementClock clock(*this);
        ResetOnExit reset(stmt);
        Bind(entry, params, lifted, sql);
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) return std::nullopt;
        if (rc != SQLITE_ROW) Fail(sql, entry.translated.sql);
        return ReadRow(stmt, nullptr, Describe(entry, nullptr));
    }

    size_t PreparedStatementCount() const override { return cache_.size(); }

    void DoBeginWrite() override {
        schemaChecked_ = false;
        AllowWrites();
        Control("BEGIN IMMEDIATE");
        writing_ = true;
    }
    void DoBeginRead() override {
        writing_ = false;
        schemaChecked_ = false;
        AllowWrites();
        Control("BEGIN");
    }
    // A deferred transaction takes no lock before its first read, and the connection
    // refuses writes until it ends.
    void DoBeginReadOnly() override {
        writing_ = false;
        schemaChecked_ = false;
        Control("PRAGMA query_only = 1");
        readOnly_ = true;
        try {
            Control("BEGIN");
        } catch (const DatabaseError&) {
            AllowWrites();
            throw;
        }
    }
    void PauseForWaiters() override { std::this_thread::sleep_for(std::chrono::milliseconds(3)); }
    // The write lock is taken and the file read: its data version has not moved since
    // this connection's last commit (DoCommit), and nothing ran between (a statement
    // outside a transaction, a read transaction or a rollback clears schemaSeen_).
    bool UnchangedSinceOwnCommit() override {
        unsigned now = 0;
        return writing_ && schemaSeen_ && DataVersion(now) && now == schemaSeenAt_;
    }

    void DoCommit() override {
        schemaChecked_ = false;
        Control("COMMIT");
        // What the schema was found to be holds past this commit, which changed no
        // table's shape (a schema change forgets it): until another connection commits.
        if (writing_ && schemaSeen_) schemaSeen_ = DataVersion(schemaSeenAt_);
        writing_ = false;
        AllowWrites();
    }
    // Nothing to undo when SQLite already ended the transaction (some errors roll back
    // on their own), so an error handler can always call it.
    void DoRollback() override {
        writing_ = false;
        schemaSeen_ = false;  // a schema change undone: the version tells
        schemaChecked_ = false;
        if (InTransaction()) Control("ROLLBACK");
        AllowWrites();
    }

    void ApplyStatementTimeLimit() override {
        if (StatementTimeLimit().count() > 0)
            sqlite3_progress_handler(db_, kStepsBetweenClockLooks, &SQLiteDatabase::LookAtClock, this);
        else
            sqlite3_progress_handler(db_, 0, nullptr, nullptr);
    }
    bool InTransaction() const override { return sqlite3_get_autocommit(db_) == 0; }

    // The declared columns of a table, read once while the schema stays as it is: the
    // forms of a bill ask for them on every save.
    std::vector<ResultColumn> TableColumns(const std::string& table) override {
        ForgetSchemaIfChanged();
        return Columns(table);
    }
    std::vector<ResultColumn> FormColumns(const std::string& table) override {
        if (!InTransaction()) {
            if (auto known = schemaCache_.find(UpperAscii(table)); known != schemaCache_.end()) return known->second;
        }
        return TableColumns(table);
    }

private:
    // Times the statement that runs while it lives: past the limit, the next look at
    // the clock (LookAtClock) interrupts it.
    class StatementClock {
    public:
        explicit StatementClock(SQLiteDatabase& db) : db_(db) {
            db_.timedOut_ = false;
            db_.deadline_ = std::chrono::steady_clock::now() + db_.StatementTimeLimit();
            db_.timing_ = true;
        }
        ~StatementClock() { db_.timing_ = false; }
        StatementClock(const StatementClock&) = delete;
        StatementClock& operator=(const StatementClock&) = delete;

    private:
        SQLiteDatabase& db_;
    };

    // SQLite's progress handler: non-zero interrupts the statement.
    static int LookAtClock(void* self) {
        auto* db = static_cast<SQLiteDatabase*>(self);
        if (!db->timing_ || std::chrono::steady_clock::now() < db->deadline_) return 0;
        db->timedOut_ = true;
        return 1;
    }

    void CountStatement() {
        ++traffic_.statements;
        ++traffic_.roundTrips;
    }
    void CountPrepare() {
        ++traffic_.prepares;
        ++traffic_.roundTrips;
    }

    void AllowWrites() {
        if (!readOnly_) return;
        readOnly_ = false;
        Control("PRAGMA query_only = 0");
    }

    [[noreturn]] void Fail(const std::string& original, const std::string& translated) const {
        if (timedOut_ && sqlite3_errcode(db_) == SQLITE_INTERRUPT)
            throw StatementTimeLimitError(StatementTimeLimit(), original);
        std::string message = sqlite3_errmsg(db_);
        if (translated != original) message += " (ran as: " + translated + ")";
        throw DatabaseError(message, original);
    }

    void Control(const std::string& sql) override {
        CountStatement();
        char* error = nullptr;
        int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
        if (rc != SQLITE_OK) {
            std::string message = error ? error : sqlite3_errstr(rc);
            sqlite3_free(error);
            throw DatabaseError(message, sql);
        }
    }

    // The translated, compiled statement for a text. Its literals are lifted into
    // parameters (their values go to `lifted`), so texts that differ only in their
    // values share one compiled statement from the cache.
    CachedStatement& Prepare(const std::string& sql, std::vector<Variant>& lifted, StatementFacts& facts) {
        // SQLite reads a statement only up to a NUL character: refuse it rather than
        // run the part before it.
        if (sql.find('\0') != std::string::npos)
            throw DatabaseError("a statement must not hold the NUL character", sql);
        // A translation may read declared column types: they must be today's. A
        // statement outside a transaction looks for itself alone.
        const bool alone = !InTransaction();
        if (alone) schemaChecked_ = false;
        ForgetSchemaIfChanged();
        if (alone) schemaChecked_ = false;
        // A text that ran before, or one that differs from it only in the values of
        // the literals its translation lifted, needs no translation while its
        // statement is kept.
        std::vector<SqlToken> literals;
        std::string shape;
        if (const TranslationCache::Entry* known = translations_.Find(sql, literals, shape, &lifted)) {
            if (auto kept = cache_.find(known->key); kept != cache_.end()) {
                facts = known->facts;
                lru_.splice(lru_.begin(), lru_, kept->second.lruPos);
                return kept->second;
            }
        }
        TranslatedStatement translated = translator_.Translate(sql);
        auto found = cache_.find(translated.sql);
        facts = FactsOf(translated);
        if (const TranslationCache::Entry* known = translations_.Keep(sql, std::move(shape), literals, translated, facts))
            LiftedValues(*known, literals, lifted);
        else
            lifted = std::move(translated.lifted);
        if (found != cache_.end()) {
            lru_.splice(lru_.begin(), lru_, found->second.lruPos);
            return found->second;
        }
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        CountPrepare();
        int rc = sqlite3_prepare_v3(db_, translated.sql.data(), static_cast<int>(translated.sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &raw, &tail);
        StatementPtr stmt(raw);
        if (rc != SQLITE_OK) Fail(sql, translated.sql);
        if (!raw) throw DatabaseError("empty statement", sql);
        const char* end = translated.sql.data() + translated.sql.size();
        for (const char* p = tail; p && p < end; ++p) {
            if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r' && *p != ';')
                throw DatabaseError("a second statement is not allowed: one call runs one statement", sql);
        }
        const std::string key = translated.sql;
        lru_.push_front(key);
        CachedStatement& entry = cache_[key];
        entry.stmt = std::move(stmt);
        entry.translated = std::move(translated);
        entry.lruPos = lru_.begin();
        while (cache_.size() > kStatementCacheSize) {
            cache_.erase(lru_.back());
            lru_.pop_back();
        }
        return entry;
    }

    static bool ChangesSchema(const std::string& sql) {
        size_t i = sql.find_first_not_of(" \t\r\n");
        if (i == std::string::npos) return false;
        std::string head = UpperAscii(sql.substr(i, 6));
        return head.rfind("CREATE", 0) == 0 || head.rfind("ALTER", 0) == 0 || head.rfind("DROP", 0) == 0;
    }

    // After a schema change every statement is translated and prepared again: a
    // translation may have read declared column types, and the table columns kept
    // describe the old schema.
    void ForgetStatements() {
        schemaSeen_ = false;
        translations_.Clear();
        cache_.clear();
        lru_.clear();
        schemaCache_.clear();
    }

    static void LiftedValues(const TranslationCache::Entry& known, const std::vector<SqlToken>& literals,
                             std::vector<Variant>& lifted) {
        lifted.clear();
        for (size_t ordinal : known.liftedFrom) lifted.push_back(*LiteralAsParameter(literals[ordinal]));
    }

    // Every change of the schema, by this connection or another, moves the file's
    // schema version; what was learnt of the old schema is then dropped. It is looked
    // at once per transaction (no other connection can change the schema within one);
    // outside one, by each statement, and once by the column lists asked for between
    // two statements (a form built from them is checked again by its save).
    //
    // A write transaction has begun its read of the file: the file's data version then
    // tells whether any connection has committed since the version was last looked at
    // (every commit moves it), and when none has, the schema is as it was.
    void ForgetSchemaIfChanged() {
        if (schemaChecked_) return;
        unsigned now = 0;
        if (writing_ && schemaSeen_ && DataVersion(now) && now == schemaSeenAt_) {
            schemaChecked_ = true;
            return;
        }
        static const char* const kSql = "PRAGMA schema_version";
        if (!schemaVersionStmt_) {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v3(db_, kSql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr) != SQLITE_OK)
                Fail(kSql, kSql);
            schemaVersionStmt_.reset(raw);
        }
        sqlite3_stmt* stmt = schemaVersionStmt_.get();
        CountStatement();
        ResetOnExit reset(stmt);
        if (sqlite3_step(stmt) != SQLITE_ROW) Fail(kSql, kSql);
        const int64_t version = sqlite3_column_int64(stmt, 0);
        if (version != schemaVersion_) {
            schemaVersion_ = version;
            ForgetStatements();
        }
        schemaChecked_ = true;
        schemaSeen_ = writing_ && DataVersion(schemaSeenAt_);
    }

    // Moves with every commit to the file, by this connection or another.
    bool DataVersion(unsigned& version) {
        return sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK;
    }

    const std::vector<ResultColumn>& Columns(const std::string& table) {
        std::string key = UpperAscii(table);
        auto it = schemaCache_.find(key);
        if (it == schemaCache_.end()) it = schemaCache_.emplace(std::move(key), ReadColumns(table)).first;
        return it->second;
    }

    std::vector<ResultColumn> ReadColumns(const std::string& table) {
        static const char* const kSql = "SELECT name, type FROM pragma_table_info(?1) ORDER BY cid";
        CountPrepare();
        CountStatement();
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, kSql, -1, &raw, nullptr) != SQLITE_OK) Fail(kSql, kSql);
        StatementPtr stmt(raw);
        sqlite3_bind_text(raw, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
        std::vector<ResultColumn> columns;
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            ResultColumn col;
            col.name = ColumnText(raw, 0);
            col.type = TypeFromDeclared(reinterpret_cast<const char*>(sqlite3_column_text(raw, 1)));
            columns.push_back(std::move(col));
        }
        if (rc != SQLITE_DONE) Fail(kSql, kSql);
        return columns;
    }

    ColumnType DeclaredType(std::string_view table, std::string_view column) {
        for (const auto& col : Columns(std::string(table)))
            if (SameText(col.name, column)) return col.type;
        return ColumnType::Unknown;
    }

    // The caller's values bind to the statement's own markers, the lifted literals to
    // the markers that follow them.
    void Bind(const CachedStatement& entry, const std::vector<Variant>& params, const std::vector<Variant>& lifted,
              const std::string& sql) {
        sqlite3_stmt* stmt = entry.stmt.get();
        CountStatement();
        const int expected = sqlite3_bind_parameter_count(stmt);
        const int own = expected - static_cast<int>(lifted.size());
        if (own < 0 || static_cast<size_t>(own) != params.size())
            throw DatabaseError("the statement has " + std::to_string(std::max(own, 0)) + " parameter(s), " +
                                    std::to_string(params.size()) + " given",
                                sql);
        for (int i = 1; i <= expected; ++i) {
            const Variant& v = i <= own ? params[static_cast<size_t>(i - 1)] : lifted[static_cast<size_t>(i - own - 1)];
            int rc = SQLITE_OK;
            switch (v.Type()) {
                case VarType::Empty:
                case VarType::Null: rc = sqlite3_bind_null(stmt, i); break;
                case VarType::Bool: rc = sqlite3_bind_int64(stmt, i, v.AsBool() ? 1 : 0); break;
                case VarType::Int: rc = sqlite3_bind_int64(stmt, i, v.AsInt()); break;
                case VarType::Float: rc = sqlite3_bind_double(stmt, i, v.AsFloat()); break;
                case VarType::Currency: {
                    // An amount is stored as a binary floating-point number, which holds
                    // 15 significant digits exactly: at four decimals, amounts below 10^11.
                    // A larger one would come back with other digits, so it is refused.
                    const int64_t units = v.AsCurrency().Units();
                    if (units >= kMaxExactCurrencyUnits || units <= -kMaxExactCurrencyUnits)
                        throw InputError("the amount " + v.AsCurrency().ToString() +
                                         " is too large to be stored exactly (at most 99999999999.9999)");
                    rc = sqlite3_bind_double(stmt, i, static_cast<double>(units) / 10000.0);
                    break;
                }
                case VarType::String: {
                    const std::string& s = v.AsString();
                    rc = sqlite3_bind_text64(stmt, i, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
                    break;
                }
                case VarType::Array:
                case VarType::Packet:
                    throw DatabaseError("parameter " + std::to_string(i) + ": an array or data packet cannot be bound",
                                        sql);
            }
            if (rc != SQLITE_OK) Fail(sql, entry.translated.sql);
        }
    }

    // The result columns of a statement and their declared types, read once per
    // compilation of the statement (SQLite counts how often it compiled one again).
    static const std::vector<ColumnType>& Describe(CachedStatement& entry, std::vector<ResultColumn>* columns) {
        sqlite3_stmt* stmt = entry.stmt.get();
        const int compiled = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_REPREPARE, 0);
        if (entry.describedAt != compiled) {
            const int n = sqlite3_column_count(stmt);
            entry.columns.assign(static_cast<size_t>(n), ResultColumn{});
            entry.declared.assign(static_cast<size_t>(n), ColumnType::Unknown);
            for (int i = 0; i < n; ++i) {
                const char* name = sqlite3_column_name(stmt, i);
                entry.columns[static_cast<size_t>(i)].name = name ? name : "";
                entry.declared[static_cast<size_t>(i)] = TypeFromDeclared(sqlite3_column_decltype(stmt, i));
                entry.columns[static_cast<size_t>(i)].type = entry.declared[static_cast<size_t>(i)];
            }
            entry.describedAt = compiled;
        }
        if (columns) *columns = entry.columns;
        return entry.declared;
    }

    // An expression column has no declared type: its values keep their storage class,
    // and the column takes the type of its first value that is not Null.
    static std::vector<Variant> ReadRow(sqlite3_stmt* stmt, std::vector<ResultColumn>* columns,
                                        const std::vector<ColumnType>& declared) {
        std::vector<Variant> row;
        row.reserve(declared.size());
        for (size_t i = 0; i < declared.size(); ++i) {
            int col = static_cast<int>(i);
            row.push_back(ReadValue(stmt, col, declared[i]));
            if (columns && (*columns)[i].type == ColumnType::Unknown)
                (*columns)[i].type = TypeFromStorage(sqlite3_column_type(stmt, col));
        }
        return row;
    }

    sqlite3* db_ = nullptr;
    SqlTranslator translator_;
    std::list<std::string> lru_;  // most recently used first
    std::unordered_map<std::string, CachedStatement> cache_;
    TranslationCache translations_;
    std::map<std::string, std::vector<ResultColumn>> schemaCache_;
    StatementPtr schemaVersionStmt_;
    int64_t schemaVersion_ = -1;
    bool schemaChecked_ = false;  // the version was looked at (see ForgetSchemaIfChanged)
    bool writing_ = false;        // in a transaction of BEGIN IMMEDIATE
    bool schemaSeen_ = false;     // the schema was found unchanged at data version schemaSeenAt_
    unsigned schemaSeenAt_ = 0;
    bool readOnly_ = false;       // in a transaction of BeginReadOnly: query_only is on
    // The statement being timed (StatementClock) and whether the clock interrupted it.
    bool timing_ = false;
    bool timedOut_ = false;
    std::chrono::steady_clock::time_point deadline_;
};

}  // namespace

std::unique_ptr<Database> OpenSQLite(const std::string& path) { return std::make_unique<SQLiteDatabase>(path); }

std::unique_ptr<Database> OpenSQLiteReadOnly(const std::string& path) {
    return std::make_unique<SQLiteDatabase>(path, true);
}

}  // namespace humrs
