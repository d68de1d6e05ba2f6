#include "db/Database.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>

#include "core/Text.h"

namespace humrs {

namespace {

// "10 s", "1.5 s", "250 ms".
std::string LimitText(std::chrono::milliseconds limit) {
    const long long ms = limit.count();
    if (ms < 1000) return std::to_string(ms) + " ms";
    return DecimalText(static_cast<double>(ms) / 1000.0) + " s";
}

}  // namespace

StatementTimeLimitError::StatementTimeLimitError(std::chrono::milliseconds limit, std::string statement)
    : DatabaseError("the statement was cancelled: it ran longer than the time limit of " + LimitText(limit),
                    std::move(statement)),
      limit_(limit) {}

int ResultSet::ColumnIndex(std::string_view name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (SameText(columns[i].name, name)) return static_cast<int>(i);
    return -1;
}

namespace {

// Results larger than this are not worth keeping: reference reads are a few rows, and
// a read of other tables asked twice in one operation (a person's shift, the leave
// of a span) a few more.
constexpr size_t kMemoMaxRows = 4096;
constexpr size_t kMemoMaxOtherRows = 64;
constexpr size_t kMemoMaxResults = 1024;
constexpr size_t kMemoMaxKeptRows = 65536;  // rows of all results kept, counted as they come

}  // namespace

// ---- reference data within a transaction

bool TransactionMemo::NameLess::operator()(std::string_view a, std::string_view b) const {
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return fold(x) < fold(y); });
}

void TransactionMemo::Remember(const std::vector<TableDef>& tables) {
    for (const auto& t : tables) {
        if (!t.rememberedInTransaction) continue;
        remembered_.insert(UpperAscii(t.name));
        if (!t.primaryKey.empty()) keys_[t.name] = t.primaryKey;
    }
}

bool TransactionMemo::IsWholeKey(std::string_view table, const std::vector<std::pair<std::string, int>>& columns) const {
    auto key = keys_.find(table);
    if (key == keys_.end() || key->second.size() != columns.size()) return false;
    // Each key column compared once: as many distinct columns as the key has.
    for (const std::string& column : key->second) {
        int found = 0;
        for (const auto& compared : columns) found += SameText(compared.first, column) ? 1 : 0;
        if (found != 1) return false;
    }
    return true;
}

// `tables`: what the read read, in upper case.
void TransactionMemo::Keep(std::string key, ResultSet result, std::shared_ptr<const StatementFacts::Names> tables) {
    if (key.empty()) return;
    // Bounded: reads of reference tables may be kept from one transaction to the next.
    if (results_.size() >= kMemoMaxResults || indexed_ >= 4 * kMemoMaxResults ||
        keptRows_ + result.rows.size() > kMemoMaxKeptRows)
        Clear();
    keptRows_ += result.rows.size();
    bool reference = true;
    for (const std::string& table : *tables) {
        byTable_[table].push_back(key);
        ++indexed_;
        reference = reference && RemembersUpper(table);
    }
    if (!reference) transient_.push_back(key);
    results_.emplace(std::move(key), Kept{std::move(result), std::move(tables)});
}

void TransactionMemo::KeepRow(const std::string& key, std::string_view table, ResultSet row) {
    Keep(key, std::move(row), std::make_shared<const StatementFacts::Names>(1, UpperAscii(table)));
}

bool TransactionMemo::Remembers(std::string_view table) const { return RemembersUpper(UpperAscii(table)); }

std::string TransactionMemo::Key(char how, const std::string& sql, const std::vector<Variant>& params) {
    std::string key(1, how);
    key += sql;
    for (const Variant& v : params) {
        key += '\x1f';
        switch (v.Type()) {
            case VarType::Empty:
            case VarType::Null: key += 'n'; break;
            case VarType::Bool: key += v.AsBool() ? "b1" : "b0"; break;
            case VarType::Int: key += 'i' + std::to_string(v.AsInt()); break;
            case VarType::Float: {
                char buf[40];
                std::snprintf(buf, sizeof buf, "f%.17g", v.AsFloat());
                key += buf;
                break;
            }
            case VarType::Currency: key += 'c' + std::to_string(v.AsCurrency().Units()); break;
            case VarType::String: key += 's' + v.AsString(); break;
            case VarType::Array:
            case VarType::Packet: return {};  // never kept
        }
    }
    return key;
}

const ResultSet* TransactionMemo::Find(const std::string& key) const {
    auto it = results_.find(key);
    return it == results_.end() ? nullptr : &it->second.result;
}

void TransactionMemo::Stop(bool keepReference) {
    if (keepReference) {
        for (const std::string& key : transient_) results_.erase(key);
        transient_.clear();
    } else {
        Clear();
    }
    active_ = false;
    NextEpoch();
}

void TransactionMemo::NextEpoch() {
    static std::atomic<uint64_t> last{0};
    epoch_ = ++last;
}

void TransactionMemo::AfterWrite(const StatementFacts& facts) {
    NextEpoch();
    // A write whose tables are not all known (or a schema change, which names no
    // table it reads) may touch anything.
    if (!facts.TablesComplete() || facts.Tables().empty()) {
        Clear();
        return;
    }
    if (results_.empty()) {
        byTable_.clear();
        indexed_ = 0;
        return;
    }
    // Every name the write spells, its tables among them, forgets the reads of a table
    // of that name.
    const StatementFacts::Names& named = facts.UpperNames();
    for (auto it = byTable_.begin(); it != byTable_.end();) {
        if (!std::binary_search(named.begin(), named.end(), it->first)) {
            ++it;
            continue;
        }
        for (const std::string& key : it->second) results_.erase(key);
        indexed_ -= it->second.size();
        it = byTable_.erase(it);
    }
}

bool TransactionMemo::Keeps(const StatementFacts& facts, const std::string& key, const ResultSet& result) const {
    if (key.empty() || !facts.TablesComplete() || facts.Tables().empty()) return false;
    bool reference = true;
    for (const auto& table : facts.UpperTables()) reference = reference && RemembersUpper(table);
    if (result.rows.size() > (reference ? kMemoMaxRows : kMemoMaxOtherRows)) return false;
    // A function whose value changes from one call to the next: asked anew every time.
    return !facts.NamesVolatileFunction();
}

void TransactionMemo::After(const StatementFacts& facts, std::string key, const ResultSet* result) {
    if (!facts.Select()) return AfterWrite(facts);
    if (result && Keeps(facts, key, *result)) Keep(std::move(key), *result, facts.SharedUpperTables());
}

void TransactionMemo::AfterTaking(const StatementFacts& facts, std::string key, ResultSet result) {
    if (!facts.Select()) return AfterWrite(facts);
    if (Keeps(facts, key, result)) Keep(std::move(key), std::move(result), facts.SharedUpperTables());
}

// ---- statements

int64_t Database::Execute(const std::string& sql, const std::vector<Variant>& params) {
    recorder_.Record(sql);
    recorder_.RecordSent(sql, params);
    StatementFacts facts;
    const int64_t changed = RunExecute(sql, params, facts);
    if (memo_.Active()) memo_.After(facts, {}, nullptr);
    return changed;
}

void Database::ExecuteLater(const std::string& sql, const std::vector<Variant>& params) {
    recorder_.Record(sql);
    recorder_.RecordSent(sql, params);
    StatementFacts facts;
    RunExecuteLater(sql, params, facts);
    if (memo_.Active()) memo_.After(facts, {}, nullptr);
}

ResultSet Database::Query(const std::string& sql, const std::vector<Variant>& params) {
    recorder_.Record(sql);
    const bool remembering = Remembering();
    std::string key;
    if (remembering) {
        key = TransactionMemo::Key('q', sql, params);
        if (const ResultSet* kept = memo_.Find(key)) return *kept;
    }
    recorder_.RecordSent(sql, params);
    StatementFacts facts;
    ResultSet rs = RunQuery(sql, params, facts);
    if (memo_.Active()) memo_.After(facts, remembering ? std::move(key) : std::string(), &rs);
    return rs;
}

std::optional<std::vector<Variant>> Database::QueryFirst(const std::string& sql, const std::vector<Variant>& params) {
    recorder_.Record(sql);
    const bool remembering = Remembering();
    std::string key;
    if (remembering) {
        key = TransactionMemo::Key('f', sql, params);
        if (const ResultSet* kept = memo_.Find(key)) {
            if (kept->rows.empty()) return std::nullopt;
            return kept->rows.front();
        }
    }
    recorder_.RecordSent(sql, params);
    StatementFacts facts;
    std::optional<std::vector<Variant>> row = RunQueryFirst(sql, params, facts);
    if (memo_.Active()) {
        ResultSet kept;
        if (row) kept.rows.push_back(*row);
        memo_.AfterTaking(facts, remembering ? std::move(key) : std::string(), std::move(kept));
    }
    return row;
}

std::vector<ResultSet> Database::QueryEach(const std::vector<Read>& reads) {
    std::vector<ResultSet> out(reads.size());
    const bool remembering = Remembering();
    std::vector<std::string> keys;
    std::vector<const Read*> pending;
    std::vector<size_t> at;  // where each pending read's result goes
    for (size_t i = 0; i < reads.size(); ++i) {
        recorder_.Record(reads[i].sql);
        std::string key;
        if (remembering) {
            key = TransactionMemo::Key('q', reads[i].sql, reads[i].params);
            if (const ResultSet* kept = memo_.Find(key)) {
                out[i] = *kept;
                continue;
            }
        }
        recorder_.RecordSent(reads[i].sql, reads[i].params);
        pending.push_back(&reads[i]);
        at.push_back(i);
        keys.push_back(std::move(key));
    }
    if (pending.empty()) return out;
    std::vector<StatementFacts> facts(pending.size());
    std::vector<ResultSet> results = RunQueries(pending, facts);
    for (size_t j = 0; j < pending.size(); ++j) {
        if (memo_.Active()) memo_.After(facts[j], remembering ? std::move(keys[j]) : std::string(), &results[j]);
        out[at[j]] = std::move(results[j]);
    }
    return out;
}

std::vector<ResultSet> Database::RunQueries(const std::vector<const Read*>& reads, std::vector<StatementFacts>& facts) {
    std::vector<ResultSet> out;
    out.reserve(reads.size());
    for (size_t i = 0; i < reads.size(); ++i) out.push_back(RunQuery(reads[i]->sql, reads[i]->params, facts[i]));
    return out;
}

std::optional<std::vector<Variant>> Database::RunQueryFirst(const std::string& sql,
                                                            const std::vector<Variant>& params,
                                                            StatementFacts& facts) {
    ResultSet rs = RunQuery(sql, params, facts);
    if (rs.rows.empty()) return std::nullopt;
    return std::move(rs.rows.front());
}

std::optional<ResultSet> Database::FromRememberedRow(const StatementFacts& facts, const std::vector<Variant>& params,
                                                     const std::vector<Variant>& lifted) {
    const KeyRead* read = facts.Read();
    if (!read || !Remembering()) return std::nullopt;
    const std::string table = UpperAscii(read->table);
    if (!memo_.RemembersUpper(table) || !memo_.IsWholeKey(read->table, read->keys)) return std::nullopt;
    // Each parameter of such a read is a key's value: any other count of values is the
    // caller's mistake, which the statement itself reports.
    if (params.size() + lifted.size() != read->keys.size()) return std::nullopt;
    std::vector<Variant> values;
    for (const auto& [column, number] : read->keys) {
        const size_t i = static_cast<size_t>(number - 1);
        if (number < 1 || i >= params.size() + lifted.size()) return std::nullopt;
        values.push_back(i < params.size() ? params[i] : lifted[i - params.size()]);
    }
    // One read of the whole row serves every read of its columns until the
    // transaction writes to the table (which forgets what was kept) or ends.
    const std::string key = TransactionMemo::Key('r', table, values);
    if (key.empty()) return std::nullopt;
    const ResultSet* row = memo_.Find(key);
    if (!row) {
        std::string where;
        for (const auto& [column, number] : read->keys) where += (where.empty() ? " Where " : " And ") + column + " = ?";
        StatementFacts rowFacts;
        memo_.KeepRow(key, read->table, RunQuery("Select * From " + read->table + where, values, rowFacts));
        row = memo_.Find(key);
        if (!row) return std::nullopt;
    }
    ResultSet out;
    std::vector<int> at;
    for (const std::string& column : read->columns) {
        const int i = row->ColumnIndex(column);
        if (i < 0) return std::nullopt;  // no such column: the statement itself says so
        at.push_back(i);
        out.columns.push_back({column, row->columns[static_cast<size_t>(i)].type});
    }
    for (const auto& stored : row->rows) {
        std::vector<Variant>& projected = out.rows.emplace_back();
        for (int i : at) projected.push_back(stored[static_cast<size_t>(i)]);
    }
    return out;
}

void Database::KnowTables(const std::vector<TableDef>& tables) {
    memo_.Remember(tables);
    LearnTableSpellings(tables);
}

// ---- transactions: what was remembered lives as long as the transaction, reads of
// reference tables until the database changes behind the connection's back

void Database::BeginWrite() {
    DoBeginWrite();
    writeLock_ = WriteLock::Exclusive;
    heldLocks_.clear();
    memo_.Start(UnchangedSinceOwnCommit());
}

int32_t LockNumber(std::string_view name) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (char c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return static_cast<int32_t>(hash);
}

std::vector<std::pair<int, int32_t>> Database::NewLocks(const std::vector<EntityLock>& locks) const {
    std::set<std::pair<int, int32_t>> wanted;
    for (const EntityLock& lock : locks) {
        std::pair<int, int32_t> number{static_cast<int>(lock.space), LockNumber(lock.name)};
        if (!heldLocks_.count(number)) wanted.insert(number);
    }
    return {wanted.begin(), wanted.end()};
}

void Database::BeginSharedWrite(std::vector<EntityLock> locks) {
    heldLocks_.clear();
    const auto numbers = NewLocks(locks);
    writeLock_ = DoBeginSharedWrite(numbers) ? WriteLock::Shared : WriteLock::Exclusive;
    if (writeLock_ == WriteLock::Shared) heldLocks_.insert(numbers.begin(), numbers.end());
    memo_.Start(UnchangedSinceOwnCommit());
}

void Database::LockEntities(std::vector<EntityLock> locks) {
    if (writeLock_ != WriteLock::Shared || !InTransaction()) return;
    const auto numbers = NewLocks(locks);
    if (numbers.empty()) return;
    DoLockEntities(numbers);
    heldLocks_.insert(numbers.begin(), numbers.end());
}

void Database::BeginRead() {
    DoBeginRead();
    writeLock_ = WriteLock::None;
    memo_.Start();
}

void Database::BeginReadOnly() {
    DoBeginReadOnly();
    writeLock_ = WriteLock::None;
    memo_.Start();
}

void Database::SetStatementTimeLimit(std::chrono::milliseconds limit) {
    timeLimit_ = limit.count() > 0 ? limit : std::chrono::milliseconds(0);
    ApplyStatementTimeLimit();
}

void Database::Commit() {
    memo_.Stop(true);
    writeLock_ = WriteLock::None;
    heldLocks_.clear();
    try {
        DoCommit();
    } catch (...) {
        memo_.Stop();  // what was read may have been undone
        throw;
    }
}

void Database::YieldWriteLock() {
    Commit();
    PauseForWaiters();
    BeginWrite();
}

void Database::Rollback() {
    memo_.Stop();
    writeLock_ = WriteLock::None;
    heldLocks_.clear();
    DoRollback();
}

namespace {

bool IsSavepointName(const std::string& name) {
    if (name.empty() || name.size() > 63) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!(letter || (digit && i > 0))) return false;
    }
    return true;
}

void CheckSavepoint(const std::string& name) {
    if (!IsSavepointName(name)) throw DatabaseError("invalid savepoint name: " + name);
}

}  // namespace

void Database::Savepoint(const std::string& name) {
    CheckSavepoint(name);
    if (!InTransaction()) throw DatabaseError("savepoint " + name + " outside a transaction");
    Control("SAVEPOINT " + name);
}

void Database::ReleaseSavepoint(const std::string& name) {
    CheckSavepoint(name);
    Control("RELEASE SAVEPOINT " + name);
}

void Database::RollbackToSavepoint(const std::string& name) {
    CheckSavepoint(name);
    // The rows read since the savepoint may be undone with it.
    memo_.Forget();
    Control("ROLLBACK TO SAVEPOINT " + name);
}

}  // namespace humrs
