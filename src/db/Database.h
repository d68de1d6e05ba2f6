#pragma once
// The database layer behind one interface. Business classes hand it SQL Server
// dialect text; each backend translates that text to its own dialect before it runs.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <stdexcept>
#include <string>
#include <string_view>
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

// A statement cancelled because it ran longer than the connection's statement time
// limit (Database::SetStatementTimeLimit). The operation is refused, not failed: the
// database is well, the request asked too much of it.
class StatementTimeLimitError : public DatabaseError {
public:
    StatementTimeLimitError(std::chrono::milliseconds limit, std::string statement);
    std::chrono::milliseconds Limit() const { return limit_; }

private:
    std::chrono::milliseconds limit_;
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
// Beside them, the statements that went to the server (not answered from what the
// transaction remembers) with their values, so that a benchmark can send the same.
class StatementRecorder {
public:
    struct Sent {
        std::string sql;
        std::vector<Variant> params;
    };
    void Record(const std::string& text) {
        if (enabled_) statements_.push_back(text);
    }
    void RecordSent(const std::string& text, const std::vector<Variant>& params) {
        if (enabled_) sent_.push_back({text, params});
    }
    void Start() { enabled_ = true; Clear(); }
    void Stop() { enabled_ = false; }
    void Clear() { statements_.clear(); sent_.clear(); }
    const std::vector<std::string>& Statements() const { return statements_; }
    const std::vector<Sent>& SentStatements() const { return sent_; }

private:
    bool enabled_ = false;
    std::vector<std::string> statements_;
    std::vector<Sent> sent_;
};

enum class Backend { SQLite, PostgreSQL };

// A select of plain columns of one table whose condition is only equalities of its
// columns with parameters: "Select a, b From T X Where X.k = ? And X.j = ?".
struct KeyRead {
    std::string table;
    std::vector<std::string> columns;  // selected, as the statement spells them
    // The compared columns and the parameter each is compared with (numbered from 1:
    // the caller's, then the literals lifted from the text).
    std::vector<std::pair<std::string, int>> keys;
};

// What a write transaction may lock besides the database: a person whose rows it
// reads and writes, a bill by its key, and the date a bill number is taken for.
// Locks are taken in the order of this list (bill, persons, date) and, within one
// kind, in the order of their numbers, so that two transactions never wait for each
// other in a circle.
enum class LockSpace : int { Bill = 1, Person = 2, BillDate = 3 };

// One lock of a transaction: a name in its space, compared without regard to ASCII
// case (as keys and person numbers are), held exclusively until the transaction ends.
struct EntityLock {
    LockSpace space = LockSpace::Person;
    std::string name;
};

// How a write transaction holds the database.
//   Exclusive: alone (master data, procedures, schema): as SQLite always does.
//   Shared: beside other shared writers; each locks what it touches (EntityLock).
enum class WriteLock { None, Exclusive, Shared };

// What a backend learned about a statement while it ran it. Worked out once per
// text with its translation and shared by every run of it: handing facts on copies
// one pointer. Facts of nothing known (the default) describe a write that may have
// touched anything.
struct StatementFacts {
    using Names = std::vector<std::string>;
    struct Known {
        bool select = false;          // a select: it changed nothing
        bool tablesComplete = false;  // `tables` names every table the statement reads
        Names tables;                 // tables of its FROM lists, joins and write target
        Names names;                  // every name the statement spells
        std::shared_ptr<const KeyRead> keyRead;  // set when the statement is such a read
        // For the transaction's memory to ask at every statement: `tables` in upper
        // case, every name (tables included) in upper case and sorted, and whether a
        // name is a function whose value changes from one call to the next.
        Names upperTables;
        Names upperNames;
        bool namesVolatileFunction = false;
    };
    std::shared_ptr<const Known> known;

    bool Select() const { return known && known->select; }
    bool TablesComplete() const { return known && known->tablesComplete; }
    const Names& Tables() const { return known ? known->tables : None(); }
    const Names& AllNames() const { return known ? known->names : None(); }
    const Names& UpperTables() const { return known ? known->upperTables : None(); }
    const Names& UpperNames() const { return known ? known->upperNames : None(); }
    const KeyRead* Read() const { return known ? known->keyRead.get() : nullptr; }
    bool NamesVolatileFunction() const { return known && known->namesVolatileFunction; }
    // `UpperTables`, kept alive as long as the pointer is held.
    std::shared_ptr<const Names> SharedUpperTables() const {
        return known ? std::shared_ptr<const Names>(known, &known->upperTables) : nullptr;
    }

private:
    static const Names& None() {
        static const Names none;
        return none;
    }
};

// What a transaction has read, kept until it ends or writes to what a kept read read:
// the result of a select whose tables are all known is answered from memory when the
// same text is asked again with the same values, and every result that read a table
// a write names is forgotten at that write. Tables declared as remembered (system
// parameters, categories, persons) are besides read by their whole key as one row
// (KeyRead). What was read of reference tables alone outlives a commit only into a
// write transaction of the same connection that finds the database unchanged since
// (Database::UnchangedSinceOwnCommit); anything else starts from nothing.
class TransactionMemo {
public:
    void Remember(const std::vector<TableDef>& tables);
    bool Remembers(std::string_view table) const;
    bool RemembersUpper(const std::string& upperTable) const { return remembered_.count(upperTable) > 0; }
    bool Empty() const { return remembered_.empty(); }

    // Starts a transaction's memory, empty unless `takeKept`: the reads of reference
    // tables the last transaction kept at its commit, which the caller knows still hold.
    void Start(bool takeKept = false) {
        if (!takeKept) Clear();
        active_ = true;
        NextEpoch();
    }
    // Ends it. A commit (`keepReference`) keeps the reads of reference tables alone for
    // Start; anything else forgets all.
    void Stop(bool keepReference = false);
    void Forget() {
        Clear();
        NextEpoch();
    }
    bool Active() const { return active_; }
    // Moves at every write and whenever the memory starts, stops or forgets: what was
    // worked out from reads at one epoch still holds while the epoch stays. No two
    // epochs of any connections of the process are the same.
    uint64_t Epoch() const { return epoch_; }
    void NextEpoch();

    static std::string Key(char how, const std::string& sql, const std::vector<Variant>& params);
    const ResultSet* Find(const std::string& key) const;
    // Whether `columns` are exactly the declared key of a remembered table.
    bool IsWholeKey(std::string_view table, const std::vector<std::pair<std::string, int>>& columns) const;
    // Keeps a row of a remembered table (or that there is none), read by its key.
    void KeepRow(const std::string& key, std::string_view table, ResultSet row);
    // Keeps the result of a select whose tables are all known; a statement that changed
    // anything drops what was read from the tables it names (everything, when its
    // tables are not all known or it changed the schema).
    void After(const StatementFacts& facts, std::string key, const ResultSet* result);
    // The same for a result the caller does not read again: it is kept without a copy.
    void AfterTaking(const StatementFacts& facts, std::string key, ResultSet result);

private:
    // Table names compared without regard to case, looked up without a copy.
    struct NameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Kept {
        ResultSet result;
        std::shared_ptr<const StatementFacts::Names> tables;  // what the read read
    };
    void Keep(std::string key, ResultSet result, std::shared_ptr<const StatementFacts::Names> tables);
    // After a write: forgets what it may have changed. Whether a read's result may be
    // kept (its tables are all known and it reads no changing function).
    void AfterWrite(const StatementFacts& facts);
    bool Keeps(const StatementFacts& facts, const std::string& key, const ResultSet& result) const;
    std::unordered_set<std::string> remembered_;  // in upper case, as facts name tables
    std::map<std::string, std::vector<std::string>, NameLess> keys_;  // remembered table -> key columns
    void Clear() {
        results_.clear();
        byTable_.clear();
        indexed_ = 0;
        transient_.clear();
        keptRows_ = 0;
    }
    std::unordered_map<std::string, Kept> results_;
    // The keys of the results that read each table (upper case), for a write to find
    // what it makes stale by the few tables read rather than every result kept. A key
    // may outlive its result: forgetting a key that is no longer there, or that was
    // kept again since, only forgets more.
    std::unordered_map<std::string, std::vector<std::string>> byTable_;
    size_t indexed_ = 0;  // keys in byTable_
    std::vector<std::string> transient_;  // keys of results that read more than reference tables
    size_t keptRows_ = 0;
    bool active_ = false;
    uint64_t epoch_ = 0;
};

class Database {
public:
    virtual ~Database() = default;
    virtual Backend Kind() const = 0;

    // Runs one statement of the component's dialect. `params` bind to `?` markers in
    // order. Returns the number of rows changed. Text after the statement (a second
    // statement) is refused with DatabaseError.
    int64_t Execute(const std::string& sql, const std::vector<Variant>& params = {});
    // Runs a write whose count of changed rows the caller does not read. A backend with
    // a server may hold it back and send it with the next statement (or the COMMIT), in
    // one round trip; a failure of it is then raised by that statement, by Commit at the
    // latest, never lost. Writes held back run in their order, before any statement
    // asked for after them; a savepoint sends them first, so a failure stays within
    // the part of the transaction that wrote it. Outside a transaction it runs at once.
    void ExecuteLater(const std::string& sql, const std::vector<Variant>& params = {});
    // All rows of a select.
    ResultSet Query(const std::string& sql, const std::vector<Variant>& params = {});
    // The first row of a select, or nullopt when it gives no row.
    std::optional<std::vector<Variant>> QueryFirst(const std::string& sql, const std::vector<Variant>& params = {});
    // Selects none of which needs another's result: all their rows, in the order asked.
    // A backend with a server sends them together, after the writes held back, in one
    // round trip; the first that fails raises, as Query does.
    struct Read {
        std::string sql;
        std::vector<Variant> params;
    };
    std::vector<ResultSet> QueryEach(const std::vector<Read>& reads);

    // Transactions. BeginWrite takes the database's write lock at once, so two
    // processes saving at the same time wait for each other instead of both passing
    // their checks on the same old data. Savepoints nest inside a transaction.
    void BeginWrite();
    // A write transaction that holds the database shared with other such transactions
    // and takes `locks` at once (sorted, in the same round trip where the backend can),
    // each exclusively until the transaction ends. Whatever it reads of an entity
    // nobody else locks must be data only exclusive writers change. A backend with one
    // writer at a time (SQLite) takes its write lock, as BeginWrite does.
    void BeginSharedWrite(std::vector<EntityLock> locks);
    // Takes more locks inside a shared write transaction: those not yet held, sorted.
    // Does nothing in an exclusive one (it holds everything already). A lock taken out
    // of the order above may meet a transaction waiting the other way round: the
    // backend then fails one of them with DatabaseError rather than wait for ever.
    void LockEntities(std::vector<EntityLock> locks);
    WriteLock WriteLockHeld() const { return writeLock_; }
    // BeginRead takes no write lock: it reads one consistent state of the database
    // while others save.
    void BeginRead();
    // As BeginRead, and any write until the transaction ends fails with DatabaseError:
    // for operations that only read.
    void BeginReadOnly();
    void Commit();
    void Rollback();
    // Commits a write transaction and begins another, letting a writer that waits for
    // the lock go first: for long runs that commit block by block.
    void YieldWriteLock();
    virtual bool InTransaction() const = 0;
    // A savepoint name is a plain identifier (letters, digits after the first, _) of at
    // most 63 characters, the shortest limit of the backends; any other is refused.
    void Savepoint(const std::string& name);
    void ReleaseSavepoint(const std::string& name);
    void RollbackToSavepoint(const std::string& name);

    // Declared columns of a table in table order; empty when the table does not exist.
    virtual std::vector<ResultColumn> TableColumns(const std::string& table) = 0;
    // The same for building an empty form: the columns as the connection last learnt
    // them, read from the database only for a table it has not learnt. Outside a
    // transaction this spares the look at the schema's version a fresh answer needs;
    // a form built from columns another connection has since changed is still saved
    // right, because the save writes only the table's columns as its transaction
    // finds them.
    virtual std::vector<ResultColumn> FormColumns(const std::string& table) { return TableColumns(table); }
    // The tables the component declares: their spelling for a backend that needs it
    // (PostgreSQL folds unquoted names to lower case), and which of them hold reference
    // data read once per transaction.
    void KnowTables(const std::vector<TableDef>& tables);
    // Stays the same while the transaction writes nothing (TransactionMemo::Epoch):
    // a caller may keep what it worked out from its reads until it moves. 0 when
    // nothing is remembered (outside a transaction): nothing may be kept then.
    uint64_t ReadEpoch() const { return Remembering() ? memo_.Epoch() : 0; }

    // Compiled statements kept for reuse (0 for a backend that keeps none).
    virtual size_t PreparedStatementCount() const { return 0; }

    // What the connection has sent since it opened: statements run (the component's
    // and the transaction control), statements compiled (on PostgreSQL prepared on the
    // server, each a round trip of its own), and the round trips to the server (on
    // SQLite, which has no server, the statements run and compiled).
    struct Traffic {
        uint64_t statements = 0;
        uint64_t prepares = 0;
        uint64_t roundTrips = 0;
    };
    const Traffic& Sent() const { return traffic_; }

    // Every statement is cancelled with StatementTimeLimitError once it has run this
    // long; zero or less: never. Default: kDefaultStatementTimeLimit.
    void SetStatementTimeLimit(std::chrono::milliseconds limit);
    std::chrono::milliseconds StatementTimeLimit() const { return timeLimit_; }
    static constexpr std::chrono::milliseconds kDefaultStatementTimeLimit{10000};

    // Whether the connection's role may do anything on the server (and so read any
    // file of it). SQLite has no roles: false.
    virtual bool IsSuperuser() { return false; }

protected:
    virtual int64_t RunExecute(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) = 0;
    virtual ResultSet RunQuery(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) = 0;
    virtual std::optional<std::vector<Variant>> RunQueryFirst(const std::string& sql,
                                                              const std::vector<Variant>& params,
                                                              StatementFacts& facts);
    // Runs the reads of QueryEach that were not answered from memory; `facts` has one
    // entry for each. The default runs them one after another.
    virtual std::vector<ResultSet> RunQueries(const std::vector<const Read*>& reads, std::vector<StatementFacts>& facts);
    virtual void DoBeginWrite() = 0;
    // The shared database lock and the first entity locks, already sorted and with
    // their numbers (LockNumber). The default takes the exclusive lock instead and
    // answers false: the transaction then holds the database alone.
    virtual bool DoBeginSharedWrite(const std::vector<std::pair<int, int32_t>>& locks) {
        (void)locks;
        DoBeginWrite();
        return false;
    }
    // Entity locks, sorted, none of them held yet; the default has nothing to lock.
    virtual void DoLockEntities(const std::vector<std::pair<int, int32_t>>& locks) { (void)locks; }
    virtual void DoBeginRead() = 0;
    virtual void DoBeginReadOnly() = 0;
    // Makes the backend cancel statements after StatementTimeLimit().
    virtual void ApplyStatementTimeLimit() = 0;
    virtual void DoCommit() = 0;
    virtual void DoRollback() = 0;
    // Asked just after a write transaction has begun: whether the database is as this
    // connection's last commit left it, no other connection having committed since
    // (and this one having run nothing outside a transaction). What that transaction
    // read of reference tables then holds still. The default cannot tell: false.
    virtual bool UnchangedSinceOwnCommit() { return false; }
    // Between the commit and the next write lock of YieldWriteLock: time enough for a
    // waiting writer to take the lock where the backend does not queue waiters.
    virtual void PauseForWaiters() {}
    virtual void LearnTableSpellings(const std::vector<TableDef>& tables) { (void)tables; }
    // Runs a transaction-control statement (BEGIN, SAVEPOINT, …) as it is: not the
    // component's SQL, so neither translated nor recorded.
    virtual void Control(const std::string& sql) = 0;
    // Runs a write for ExecuteLater; the default runs it at once.
    virtual void RunExecuteLater(const std::string& sql, const std::vector<Variant>& params, StatementFacts& facts) {
        (void)RunExecute(sql, params, facts);
    }
    // A backend asks this between preparing a select and running it. For a read of
    // plain columns of a remembered table by its whole key (facts.Read()) within a
    // transaction, the answer taken from the one read of that row the transaction
    // keeps (the row is read first when it has not been); nothing for any other
    // statement, which then runs. `lifted`: the values of the literals lifted from the
    // text, numbered after the caller's `params`.
    std::optional<ResultSet> FromRememberedRow(const StatementFacts& facts, const std::vector<Variant>& params,
                                               const std::vector<Variant>& lifted);
public:

    StatementRecorder& Recorder() { return recorder_; }

protected:
    StatementRecorder recorder_;
    Traffic traffic_;

private:
    std::chrono::milliseconds timeLimit_ = kDefaultStatementTimeLimit;
    // Entity locks to take: their numbers, sorted, without those already held.
    std::vector<std::pair<int, int32_t>> NewLocks(const std::vector<EntityLock>& locks) const;
    WriteLock writeLock_ = WriteLock::None;
    std::set<std::pair<int, int32_t>> heldLocks_;  // of the current shared write transaction
    bool Remembering() const { return memo_.Active() && !memo_.Empty() && InTransaction(); }
    TransactionMemo memo_;
};

// The number of an entity lock within its space: a hash of the name folded to lower
// case. Two names of one number share a lock, which costs waiting, never correctness.
int32_t LockNumber(std::string_view name);

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
