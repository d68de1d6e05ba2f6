// The PostgreSQL backend on libpq. Statements are translated once and prepared on the
// server under a name, so a statement a business class runs again and again is
// parsed and planned once per connection. The literals of a text are lifted into
// parameters as on SQLite, so the texts of one shape that differ only in their values
// (a person's number, a date) share one prepared statement. Values travel as text:
// the caller's parameters and lifted texts are sent with no declared type, so the
// server gives each the type of the column it is compared with or stored into (a text
// compared with a case-blind text column stays case-blind); a lifted number keeps the
// type the server gives the literal itself (integer, bigint or numeric), so that it
// divides, compares and picks functions as written.
//
// Writes: every write transaction first takes one advisory lock of the database.
// Exclusively (BeginWrite) it runs alone, as SQLite's BEGIN IMMEDIATE does for the
// processes of one machine; shared (BeginSharedWrite) it runs beside other shared
// writers and locks each person and bill it touches, so that saves of different
// persons go on together and saves of one person one after the other.
//
// Round trips: a statement is prepared in the round trip that first runs it, and a
// write whose count of changed rows nobody reads (ExecuteLater) waits for the next
// statement or the COMMIT and goes with it, all sent as one pipeline.
#include "db/PostgresDatabase.h"

#include <libpq-fe.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <unordered_map>

#include "db/PostgresValues.h"
#include "db/Schema.h"
#include "db/SqlTranslator.h"

namespace humrs {

namespace {

using namespace pg_values;

constexpr size_t kStatementCacheSize = 256;

std::string Lower(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

// The column spellings of the tables the component declares, by lower-case name:
// the server reports the names of unquoted columns folded to lower case. Every
// connection of the process learns them (KnowTables); they are the same for all.
struct KnownSpellings {
    std::mutex mu;
    std::unordered_map<std::string, std::string> columns;                  // any table
    std::unordered_map<std::string, std::vector<std::string>> byTable;     // a table's own
};

KnownSpellings& Known() {
    static KnownSpellings known;
    return known;
}

void LearnTables(const std::vector<TableDef>& tables) {
    KnownSpellings& k = Known();
    std::lock_guard lock(k.mu);
    for (const TableDef& table : tables) {
        std::vector<std::string>& own = k.byTable[Lower(table.name)];
        own.clear();
        for (const ColumnDef& column : table.columns) {
            k.columns.emplace(Lower(column.name), column.name);
            own.push_back(column.name);
        }
    }
}

std::string Spelled(const std::string& folded, const std::unordered_map<std::string, std::string>& statementNames) {
    auto own = statementNames.find(folded);
    if (own != statementNames.end()) return own->second;
    KnownSpellings& k = Known();
    std::lock_guard lock(k.mu);
    auto it = k.columns.find(folded);
    return it != k.columns.end() ? it->second : folded;
}

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;

struct CachedStatement {
    std::string name;  // of the prepared statement on the server; empty for DDL
    bool prepared = false;  // sent to the server (or queued to be, before its first run)
    std::vector<Oid> types;  // of its parameters: the caller's left to the server, the lifted ones
    std::string key;   // of the cache: the translated text and the types of its lifted values
    TranslatedStatement translated;
    std::unordered_map<std::string, std::string> spellings;  // folded -> as written
    std::list<std::string>::iterator lruPos;
};

class PostgresDatabase final : public Database {
public:
    explicit PostgresDatabase(const std::string& url)
        : translator_(Backend::PostgreSQL, [this](std::string_view table, std::string_view column) {
              return DeclaredType(table, column);
          }) {
        translator_.SetLiftLiterals(true);
        conn_ = PQconnectdb(url.c_str());
        if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
            std::string message = conn_ ? PQerrorMessage(conn_) : "out of memory";
            PQfinish(conn_);
            conn_ = nullptr;
            throw DatabaseError("cannot connect to " + RedactedUrl(url) + ": " + Trimmed(message));
        }
        StartSession();
    }

    ~PostgresDatabase() override { PQfinish(conn_); }

    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    Backend Kind() const override { return Backend::PostgreSQL; }

    bool IsSuperuser() override {
        EnsureConnected();
        static const char* const kSql = "SELECT rolsuper FROM pg_roles WHERE rolname = current_user";
        CountStatement();
        ResultPtr res(PQexec(conn_, kSql));
        if (PQresultStatus(res.get()) != PGRES_TUPLES_OK) Fail(res.get(), kSql, kSql);
        return PQntuples(res.get()) > 0 && PQgetvalue(res.get(), 0, 0)[0] == 't';
    }

    int64_t RunExecute(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) override {
        std::vector<LiftedValue> lifted;
        CachedStatement& entry = Prepare(sql, lifted, facts);
        ResultPtr res = Run(entry, params, lifted, sql);
        StatementKind kind = entry.translated.kind;
        int64_t changed = 0;
        if (kind == StatementKind::Insert || kind == StatementKind::Update || kind == StatementKind::Delete)
            changed = std::strtoll(PQcmdTuples(res.get()), nullptr, 10);
        if (entry.name.empty()) ForgetStatements();
        return changed;
    }

    // Held back until the next statement or the COMMIT (outside a transaction, and for
    // a schema statement, it runs at once).
    void RunExecuteLater(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) override {
        std::vector<LiftedValue> lifted;
        CachedStatement& entry = Prepare(sql, lifted, facts);
        if (!transactionOpen_ || entry.name.empty()) {
            ResultPtr res = Run(entry, params, lifted, sql);
            if (entry.name.empty()) ForgetStatements();
            return;
        }
        queue_.push_back(ToSend(entry, params, lifted, sql));
    }

    ResultSet RunQuery(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) override {
        std::vector<LiftedValue> lifted;
        CachedStatement& entry = Prepare(sql, lifted, facts);
        if (auto kept = FromRememberedRow(facts, params, lifted)) return std::move(*kept);
        ResultPtr res = Run(entry, params, lifted, sql);
        return ReadRows(res.get(), entry.spellings, PQntuples(res.get()));
    }

    // The reads go as one pipeline after the writes held back. A read of a remembered
    // row is answered first (which may send that row's read on its own).
    std::vector<ResultSet> RunQueries(const std::vector<const Read*>& reads,
                                      std::vector<StatementFacts>& facts) override {
        std::vector<ResultSet> out(reads.size());
        std::vector<std::unordered_map<std::string, std::string>> spellings(reads.size());
        std::vector<bool> sent(reads.size(), false);
        answers_.clear();
        answers_.resize(reads.size());
        struct Done {
            PostgresDatabase& db;
            ~Done() {
                // Reads still queued after a failure are dropped, not sent with a later statement.
                while (!db.queue_.empty() && db.queue_.back().answer >= 0) {
                    if (db.queue_.back().prepare) db.Unprepare(db.queue_.back());
                    db.queue_.pop_back();
                }
                db.answers_.clear();
            }
        } done{*this};
        for (size_t i = 0; i < reads.size(); ++i) {
            std::vector<LiftedValue> lifted;
            CachedStatement& entry = Prepare(reads[i]->sql, lifted, facts[i]);
            if (auto kept = FromRememberedRow(facts[i], reads[i]->params, lifted)) {
                out[i] = std::move(*kept);
                continue;
            }
            Outgoing o = ToSend(entry, reads[i]->params, lifted, reads[i]->sql);
            o.answer = static_cast<int>(i);
            spellings[i] = entry.spellings;
            sent[i] = true;
            queue_.push_back(std::move(o));
        }
        if (!queue_.empty() && queue_.back().answer >= 0) SendQueued();
        for (size_t i = 0; i < reads.size(); ++i) {
            if (!sent[i]) continue;
            const PGresult* res = answers_[i].get();
            if (!res) throw DatabaseError("the server gave no result", reads[i]->sql);
            out[i] = ReadRows(res, spellings[i], PQntuples(res));
        }
        return out;
    }

    std::optional<std::vector<Variant>> RunQueryFirst(const std::string& sql, const std::vector<Variant>& params,
                                                      StatementFacts& facts) override {
        std::vector<LiftedValue> lifted;
        CachedStatement& entry = Prepare(sql, lifted, facts);
        if (auto kept = FromRememberedRow(facts, params, lifted)) {
            if (kept->rows.empty()) return std::nullopt;
            return std::move(kept->rows.front());
        }
        ResultPtr res = Run(entry, params, lifted, sql);
        if (PQntuples(res.get()) == 0) return std::nullopt;
        ResultSet rs = ReadRows(res.get(), entry.spellings, 1);
        return std::move(rs.rows.front());
    }

    // The lock is taken in the same round trip as BEGIN; when it cannot be had in time
    // the transaction is ended again, so the connection is ready for the next operation.
    // The wait for it is bounded by lock_timeout alone, the statement time limit
    // applying again once the lock is held.
    void DoBeginWrite() override {
        Begin("BEGIN; SET LOCAL statement_timeout = 0; SELECT pg_advisory_xact_lock(" +
              std::to_string(kWriteLockKey) + "); SET LOCAL statement_timeout = " + TimeoutSetting());
    }
    // The database lock shared, then the entity locks one statement each in their
    // order, all in the round trip of BEGIN. Entity locks use the two-number form of
    // the advisory locks, a key space apart from the database lock's single number.
    bool DoBeginSharedWrite(const std::vector<std::pair<int, int32_t>>& locks) override {
        Begin("BEGIN; SET LOCAL statement_timeout = 0; SELECT pg_advisory_xact_lock_shared(" +
              std::to_string(kWriteLockKey) + ");" + EntityLockStatements(locks) +
              " SET LOCAL statement_timeout = " + TimeoutSetting());
        return true;
    }
    void DoLockEntities(const std::vector<std::pair<int, int32_t>>& locks) override {
        Control("SET LOCAL statement_timeout = 0;" + EntityLockStatements(locks) +
                " SET LOCAL statement_timeout = " + TimeoutSetting());
    }
    // A read sees one snapshot of the database from its first statement to its end.
    void DoBeginRead() override { Begin("BEGIN ISOLATION LEVEL REPEATABLE READ"); }
    void DoBeginReadOnly() override { Begin("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"); }
    // The writes held back go with the COMMIT; when one of them fails the COMMIT is
    // skipped, the failure raised, and the transaction is left to be rolled back.
    void DoCommit() override {
        schemaChangedInTransaction_ = false;
        if (queue_.empty()) {
            transactionOpen_ = false;
            return Control("COMMIT");
        }
        // Still open while the writes go: a connection lost on the way is a lost
        // transaction, never writes run on a new connection outside it.
        Outgoing commit;
        commit.text = "COMMIT";
        commit.original = "COMMIT";
        queue_.push_back(std::move(commit));
        struct Ended {
            bool& open;
            ~Ended() { open = false; }
        } ended{transactionOpen_};
        SendQueued();
    }
    // On a lost connection there is nothing to end: the server rolled the transaction back.
    // The writes held back are undone before they were sent.
    void DoRollback() override {
        DropQueue();
        transactionOpen_ = false;
        if (InTransaction()) Control("ROLLBACK");
        // What was learnt of a schema change the rollback undid is forgotten with it.
        if (schemaChangedInTransaction_) ForgetStatements();
        schemaChangedInTransaction_ = false;
    }

    void ApplyStatementTimeLimit() override {
        // A SET inside a transaction would be undone with it: the limit is set between
        // transactions, so from the next one on.
        sessionStale_ = true;
        if (!transactionOpen_ && PQstatus(conn_) == CONNECTION_OK) ApplySessionSettings();
    }
    bool InTransaction() const override {
        PGTransactionStatusType status = PQtransactionStatus(conn_);
        return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
    }

    void LearnTableSpellings(const std::vector<TableDef>& tables) override { LearnTables(tables); }

    size_t PreparedStatementCount() const override { return cache_.size(); }

    // The declared columns of a table, read from the catalog once per connection: the
    // forms of a bill ask for them on every save. A schema change run through this
    // connection, or a new connection after a lost one, reads them again.
    std::vector<ResultColumn> TableColumns(const std::string& table) override { return Columns(table); }

private:
    // A remembered row's answer for a read by its key (see Database::FromRememberedRow).
    std::optional<ResultSet> FromRememberedRow(const StatementFacts& facts, const std::vector<Variant>& params,
                                               const std::vector<LiftedValue>& lifted) {
        if (!facts.Read()) return std::nullopt;
        std::vector<Variant> values;
        for (const LiftedValue& value : lifted) values.emplace_back(value.text);
        return Database::FromRememberedRow(facts, params, values);
    }

    static std::string Trimmed(std::string s) {
        while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
        return s;
    }

    // A connection URL without its password, for messages.
    static std::string RedactedUrl(const std::string& url) {
        size_t scheme = url.find("://");
        size_t at = url.find('@', scheme == std::string::npos ? 0 : scheme + 3);
        if (scheme == std::string::npos || at == std::string::npos) return url;
        size_t colon = url.find(':', scheme + 3);
        if (colon == std::string::npos || colon > at) return url;
        return url.substr(0, colon) + ":***" + url.substr(at);
    }

    // One statement per lock, so that the server takes them in the order given.
    static std::string EntityLockStatements(const std::vector<std::pair<int, int32_t>>& locks) {
        std::string sql;
        for (const auto& [space, number] : locks)
            sql += " SELECT pg_advisory_xact_lock(" + std::to_string(space) + ", " + std::to_string(number) + ");";
        return sql;
    }
    std::string TimeoutSetting() const { return std::to_string(StatementTimeLimit().count()); }

    // Literals keep backslashes as they are, as the component's dialect does; a save
    // waits for another one's write lock as long as SQLite waits for its own; a
    // statement runs at most the statement time limit.
    void ApplySessionSettings() {
        Control("SET standard_conforming_strings = on; SET client_encoding = 'UTF8'; SET lock_timeout = '10s'; "
                "SET statement_timeout = " + TimeoutSetting());
        sessionStale_ = false;
    }

    void StartSession() {
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
        ApplySessionSettings();
    }

    // A connection the server dropped (a restart, a terminated backend) is opened again
    // before the first statement of a transaction, or of a statement outside one; what
    // the old session held (prepared statements, settings) is set up anew. Inside a
    // transaction the loss is reported, and again on every statement, until the
    // transaction is rolled back: its work is gone and nothing may run in its place.
    void EnsureConnected() {
        if (PQstatus(conn_) == CONNECTION_OK) {
            if (sessionStale_ && !transactionOpen_) ApplySessionSettings();
            return;
        }
        if (transactionOpen_)
            throw DatabaseError("the connection to the database server was lost; the transaction was rolled back");
        Reconnect();
    }

    void Reconnect() {
        PQreset(conn_);
        cache_.clear();
        lru_.clear();
        schemaCache_.clear();
        translations_.Clear();
        if (PQstatus(conn_) != CONNECTION_OK)
            throw DatabaseError("cannot reconnect to the database server: " + Trimmed(PQerrorMessage(conn_)));
        StartSession();
    }

    // Opens a transaction. A connection found dead by its first statement is opened
    // again and the transaction begun once more: nothing of it had run.
    void Begin(const std::string& sql) {
        EnsureConnected();
        try {
            Control(sql);
        } catch (const DatabaseError&) {
            if (PQstatus(conn_) != CONNECTION_BAD) {
                if (InTransaction()) Control("ROLLBACK");
                throw;
            }
            Reconnect();
            try {
                Control(sql);
            } catch (const DatabaseError&) {
                if (InTransaction()) Control("ROLLBACK");
                throw;
            }
        }
        transactionOpen_ = true;
    }

    [[noreturn]] void Fail(const PGresult* res, const std::string& original, const std::string& translated) const {
        std::string message = Trimmed(res ? PQresultErrorMessage(res) : PQerrorMessage(conn_));
        if (message.empty()) message = Trimmed(PQerrorMessage(conn_));
        if (translated != original) message += " (ran as: " + translated + ")";
        throw DatabaseError(message, original);
    }

    void CountStatement() {
        ++traffic_.statements;
        ++traffic_.roundTrips;
    }

    // The writes held back go first, in a round trip of their own: a transaction-control
    // statement may hold several statements, which a pipeline does not take. A write
    // held back after a savepoint is undone with it, not sent.
    void Control(const std::string& sql) override {
        if (sql.rfind("ROLLBACK TO SAVEPOINT ", 0) == 0) DropQueue();
        if (!queue_.empty()) SendQueued();
        CountStatement();
        ResultPtr res(PQexec(conn_, sql.c_str()));
        ExecStatusType status = PQresultStatus(res.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(res.get(), sql, sql);
    }

    // The prepared statement for a text, and the values of the literals its
    // translation lifted (to `lifted`). A text that differs from one run before only
    // in those values is neither translated nor prepared again.
    CachedStatement& Prepare(const std::string& sql, std::vector<LiftedValue>& lifted, StatementFacts& facts) {
        EnsureConnected();
        std::vector<SqlToken> literals;
        std::string shape;
        const TranslationCache::Entry* known = translations_.Find(sql, literals, shape);
        TranslatedStatement translated;
        if (known) {
            facts = known->facts;
        } else {
            translated = translator_.Translate(sql);
            facts = FactsOf(translated);
            known = translations_.Keep(sql, std::move(shape), literals, translated, facts);
        }
        lifted.clear();
        if (known) {
            for (size_t ordinal : known->liftedFrom) lifted.push_back(LiftedFromLiteral(literals[ordinal]));
        } else {
            // Values that could not be traced back to the text's literals: typed by their own.
            for (const Variant& v : translated.lifted) {
                LiftedValue value;
                ParameterText(v, value.text);
                if (v.Type() == VarType::Int) value.type = NumberType(value.text, true);
                if (v.Type() == VarType::Float) value.type = kNumericOid;
                lifted.push_back(std::move(value));
            }
        }
        // One prepared statement per translation and types of the lifted values.
        std::string key = known ? known->key : translated.sql;
        for (const LiftedValue& value : lifted) key += '\x1f' + std::to_string(value.type);
        auto found = cache_.find(key);
        if (found != cache_.end()) {
            lru_.splice(lru_.begin(), lru_, found->second.lruPos);
            return found->second;
        }
        if (known && translated.sql.empty()) translated = translator_.Translate(sql);
        CachedStatement entry;
        entry.key = key;
        entry.translated = std::move(translated);
        for (const std::string& name : entry.translated.names) entry.spellings.emplace(Lower(name), name);
        // Schema statements run once and change what prepared statements see. Others
        // are prepared in the round trip of their first run.
        if (entry.translated.kind != StatementKind::Other) {
            entry.name = "humrs_" + std::to_string(++statementCounter_);
            // The caller's parameters are left to the server; the lifted ones follow.
            entry.types.assign(static_cast<size_t>(entry.translated.parameterCount), kUnknownOid);
            for (const LiftedValue& value : lifted) entry.types.push_back(value.type);
        }
        lru_.push_front(key);
        entry.lruPos = lru_.begin();
        CachedStatement& stored = cache_[key] = std::move(entry);
        while (cache_.size() > kStatementCacheSize) {
            auto last = cache_.find(lru_.back());
            if (!last->second.name.empty() && last->second.prepared) Control("DEALLOCATE " + last->second.name);
            cache_.erase(last);
            lru_.pop_back();
        }
        return stored;
    }

    // After a schema change: every prepared statement is forgotten, so that none keeps
    // the shape of a table as it was.
    void ForgetStatements() {
        schemaChangedInTransaction_ = transactionOpen_;
        if (!cache_.empty() && PQtransactionStatus(conn_) != PQTRANS_INERROR) Control("DEALLOCATE ALL");
        cache_.clear();
        lru_.clear();
        schemaCache_.clear();
        translations_.Clear();
    }

    // A statement on its way to the server: a prepared one with its values, or a
    // plain text without parameters (the COMMIT that ends a pipeline).
    struct Outgoing {
        std::string name;        // the prepared statement; empty: `text` as it is
        std::string text;        // the translated text (prepared with it when `prepare`)
        std::string original;    // as the caller wrote it, for messages
        std::string cacheKey;    // of its prepared statement, forgotten when preparing fails
        bool prepare = false;    // prepared in the same round trip, before it runs
        int answer = -1;         // a read of RunQueries: where its result goes in answers_
        std::vector<Oid> types;  // of the parameters, when prepared
        std::vector<std::string> texts;
        std::vector<bool> isNull;
    };

    // The statement with its values, its parameters checked; marks the prepared
    // statement as sent with it when it is not yet on the server.
    static Outgoing ToSend(CachedStatement& entry, const std::vector<Variant>& params,
                             const std::vector<LiftedValue>& lifted, const std::string& sql) {
        const int own = entry.translated.parameterCount;
        if (static_cast<size_t>(own) != params.size())
            throw DatabaseError("the statement has " + std::to_string(own) + " parameter(s), " +
                                    std::to_string(params.size()) + " given",
                                sql);
        Outgoing out;
        out.name = entry.name;
        out.text = entry.translated.sql;
        out.original = sql;
        out.cacheKey = entry.key;
        out.texts.resize(params.size());
        out.isNull.assign(params.size(), true);
        for (size_t i = 0; i < params.size(); ++i) {
            try {
                out.isNull[i] = !ParameterText(params[i], out.texts[i]);
            } catch (const DatabaseError& e) {
                throw DatabaseError("parameter " + std::to_string(i + 1) + ": " + e.what(), sql);
            }
        }
        for (const LiftedValue& value : lifted) {
            out.texts.push_back(value.text);
            out.isNull.push_back(false);
        }
        if (!entry.name.empty() && !entry.prepared) {
            out.prepare = true;
            out.types = entry.types;
            entry.prepared = true;
        }
        return out;
    }

    static std::vector<const char*> Values(const Outgoing& o) {
        std::vector<const char*> values(o.texts.size(), nullptr);
        for (size_t i = 0; i < o.texts.size(); ++i)
            if (!o.isNull[i]) values[i] = o.texts[i].c_str();
        return values;
    }

    // Raises the failure of a statement: the statement time limit when the server
    // cancelled it after the limit had passed (57014, by statement_timeout rather than
    // by another session's cancel request), else a database error.
    [[noreturn]] void FailStatement(const PGresult* res, const std::string& original, const std::string& translated,
                                    std::chrono::steady_clock::time_point started) const {
        const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
        if (state && std::string_view(state) == "57014" && StatementTimeLimit().count() > 0 &&
            std::chrono::steady_clock::now() - started >= StatementTimeLimit())
            throw StatementTimeLimitError(StatementTimeLimit(), original);
        Fail(res, original, translated);
    }

    ResultPtr Run(CachedStatement& entry, const std::vector<Variant>& params, const std::vector<LiftedValue>& lifted,
                  const std::string& sql) {
        Outgoing out = ToSend(entry, params, lifted, sql);
        // Prepared and run in one round trip, after the writes held back.
        if (out.prepare || !queue_.empty()) {
            queue_.push_back(std::move(out));
            return SendQueued();
        }
        const std::vector<const char*> values = Values(out);
        const int count = static_cast<int>(values.size());
        CountStatement();
        const auto started = std::chrono::steady_clock::now();
        ResultPtr res(entry.name.empty()
                          ? PQexecParams(conn_, out.text.c_str(), count, nullptr, values.data(), nullptr, nullptr, 0)
                          : PQexecPrepared(conn_, entry.name.c_str(), count, values.data(), nullptr, nullptr, 0));
        ExecStatusType status = PQresultStatus(res.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) FailStatement(res.get(), sql, out.text, started);
        return res;
    }

    // Sends the statements queued as one pipeline, in one round trip, and reads every
    // result up to the pipeline's end, so that the connection is ready for the next
    // statement whatever failed. Answers the last statement's result; raises the first
    // failure (the server skips every statement after it). A prepared statement that
    // could not be prepared is forgotten, to be prepared again on its next run.
    ResultPtr SendQueued() {
        std::vector<Outgoing> sending;
        sending.swap(queue_);
        EnsureConnected();
        if (!PQenterPipelineMode(conn_)) Fail(nullptr, sending.back().original, sending.back().text);
        const auto started = std::chrono::steady_clock::now();
        bool sent = true;
        for (const Outgoing& o : sending) {
            const std::vector<const char*> values = Values(o);
            const int count = static_cast<int>(values.size());
            if (o.prepare) {
                ++traffic_.prepares;
                sent = sent && PQsendPrepare(conn_, o.name.c_str(), o.text.c_str(), static_cast<int>(o.types.size()),
                                             o.types.data());
            }
            ++traffic_.statements;
            sent = sent && (o.name.empty() ? PQsendQueryParams(conn_, o.text.c_str(), count, nullptr, values.data(),
                                                               nullptr, nullptr, 0)
                                           : PQsendQueryPrepared(conn_, o.name.c_str(), count, values.data(), nullptr,
                                                                 nullptr, 0));
        }
        ++traffic_.roundTrips;
        sent = sent && PQpipelineSync(conn_);
        // The results in the order sent: each command's result and the null that ends
        // it, a statement skipped after a failure answering "aborted"; then the sync.
        ResultPtr last, failed;
        const Outgoing* failedAt = nullptr;
        bool synced = false;
        auto take = [&](const Outgoing& o, bool isPrepare) {
            ResultPtr res(synced ? nullptr : PQgetResult(conn_));
            if (res && PQresultStatus(res.get()) == PGRES_PIPELINE_SYNC) synced = true, res.reset();
            while (!synced && res) {
                PGresult* extra = PQgetResult(conn_);
                if (!extra) break;
                if (PQresultStatus(extra) == PGRES_PIPELINE_SYNC) synced = true;
                PQclear(extra);
            }
            const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
            const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
            if (!ok && isPrepare) Unprepare(o);
            if (!ok && !failedAt && status != PGRES_PIPELINE_ABORTED) {
                failed = std::move(res);
                failedAt = &o;
            } else if (ok && !isPrepare && o.answer >= 0) {
                if (static_cast<size_t>(o.answer) < answers_.size()) answers_[static_cast<size_t>(o.answer)] = std::move(res);
            } else if (ok && !isPrepare) {
                last = std::move(res);
            }
        };
        if (sent) {
            for (const Outgoing& o : sending) {
                if (o.prepare) take(o, true);
                take(o, false);
            }
            for (int read = 0; !synced && read < 4; ++read) {
                ResultPtr res(PQgetResult(conn_));
                if (res && PQresultStatus(res.get()) == PGRES_PIPELINE_SYNC) synced = true;
                if (!res && PQstatus(conn_) != CONNECTION_OK) break;
            }
        } else {
            for (const Outgoing& o : sending)
                if (o.prepare) Unprepare(o);
        }
        PQexitPipelineMode(conn_);
        if (failedAt) FailStatement(failed.get(), failedAt->original, failedAt->text, started);
        if (!sent || !synced || (!last && sending.back().answer < 0))
            Fail(nullptr, sending.back().original, sending.back().text);
        return last;
    }

    // The writes held back, dropped unsent; a statement that was to be prepared with
    // one of them is prepared on its next run.
    void DropQueue() {
        for (const Outgoing& o : queue_)
            if (o.prepare) Unprepare(o);
        queue_.clear();
    }

    void Unprepare(const Outgoing& o) {
        auto it = cache_.find(o.cacheKey);
        if (it != cache_.end() && it->second.name == o.name) it->second.prepared = false;
    }

    static ResultSet ReadRows(const PGresult* res, const std::unordered_map<std::string, std::string>& spellings,
                          int rows) {
        ResultSet rs;
        const int n = PQnfields(res);
        rs.columns.resize(static_cast<size_t>(n));
        std::vector<ColumnType> types(static_cast<size_t>(n));
        for (int c = 0; c < n; ++c) {
            auto& col = rs.columns[static_cast<size_t>(c)];
            col.name = Spelled(PQfname(res, c), spellings);
            types[static_cast<size_t>(c)] = TypeOfResult(PQftype(res, c), PQfmod(res, c), PQftable(res, c) != InvalidOid);
            col.type = types[static_cast<size_t>(c)];
        }
        rs.rows.reserve(static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            std::vector<Variant> row;
            row.reserve(static_cast<size_t>(n));
            for (int c = 0; c < n; ++c) {
                Variant v = ReadValue(res, r, c, types[static_cast<size_t>(c)]);
                // A computed decimal takes the type of its first value, as on SQLite.
                auto& col = rs.columns[static_cast<size_t>(c)];
                if (col.type == ColumnType::Unknown && !v.IsNull())
                    col.type = v.Type() == VarType::Int ? ColumnType::Integer : ColumnType::Float;
                row.push_back(std::move(v));
            }
            rs.rows.push_back(std::move(row));
        }
        return rs;
    }

    // Stored columns only: a generated column is never written, as on SQLite.
    std::vector<ResultColumn> ReadColumns(const std::string& table) {
        static const char* const kSql =
            "SELECT a.attname, format_type(a.atttypid, a.atttypmod) FROM pg_attribute a "
            "JOIN pg_class c ON c.oid = a.attrelid WHERE c.relname = lower($1) AND c.relkind IN ('r', 'v', 'p') "
            "AND pg_table_is_visible(c.oid) AND a.attnum > 0 AND NOT a.attisdropped AND a.attgenerated = '' "
            "ORDER BY a.attnum";
        EnsureConnected();
        CountStatement();
        const char* values[] = {table.c_str()};
        ResultPtr res(PQexecParams(conn_, kSql, 1, nullptr, values, nullptr, nullptr, 0));
        if (PQresultStatus(res.get()) != PGRES_TUPLES_OK) Fail(res.get(), kSql, kSql);
        // Spellings of the table's own definition first, then of any table.
        std::unordered_map<std::string, std::string> own;
        {
            KnownSpellings& k = Known();
            std::lock_guard lock(k.mu);
            if (auto def = k.byTable.find(Lower(table)); def != k.byTable.end())
                for (const std::string& column : def->second) own.emplace(Lower(column), column);
        }
        std::vector<ResultColumn> columns;
        for (int r = 0; r < PQntuples(res.get()); ++r) {
            ResultColumn col;
            col.name = Spelled(PQgetvalue(res.get(), r, 0), own);
            col.type = TypeFromDeclared(PQgetvalue(res.get(), r, 1));
            columns.push_back(std::move(col));
        }
        return columns;
    }

    const std::vector<ResultColumn>& Columns(const std::string& table) {
        std::string key = Lower(table);
        auto it = schemaCache_.find(key);
        if (it == schemaCache_.end()) {
            std::vector<ResultColumn> columns = ReadColumns(table);
            it = schemaCache_.emplace(std::move(key), std::move(columns)).first;
        }
        return it->second;
    }

    ColumnType DeclaredType(std::string_view table, std::string_view column) {
        std::string wanted = Lower(column);
        for (const auto& col : Columns(std::string(table)))
            if (Lower(col.name) == wanted) return col.type;
        return ColumnType::Unknown;
    }

    PGconn* conn_ = nullptr;
    SqlTranslator translator_;
    long long statementCounter_ = 0;
    std::list<std::string> lru_;  // most recently used first
    std::unordered_map<std::string, CachedStatement> cache_;
    std::map<std::string, std::vector<ResultColumn>> schemaCache_;
    TranslationCache translations_;
    std::vector<Outgoing> queue_;  // writes held back, in their order (ExecuteLater)
    std::vector<ResultPtr> answers_;  // results of the reads of RunQueries, by their place
    bool transactionOpen_ = false;  // begun and not yet committed or rolled back
    bool sessionStale_ = false;     // the statement time limit changed since it was set
    bool schemaChangedInTransaction_ = false;  // a schema statement ran in the open transaction
};

}  // namespace

bool IsPostgresUrl(const std::string& location) {
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Database> OpenPostgres(const std::string& url) { return std::make_unique<PostgresDatabase>(url); }

std::unique_ptr<Database> OpenDatabase(const std::string& pathOrUrl) {
    if (IsPostgresUrl(pathOrUrl)) return OpenPostgres(pathOrUrl);
    return OpenSQLite(pathOrUrl);
}

}  // namespace humrs
