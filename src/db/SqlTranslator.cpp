#include "db/SqlTranslator.h"

#include <algorithm>
#include <iterator>

#include "core/Text.h"
#include "db/sql/FromList.h"
#include "db/sql/Passes.h"

namespace humrs {

namespace {

using namespace sql;

// The statement kinds and backends a pass applies to, as sets of bits.
constexpr unsigned Of(StatementKind kind) { return 1u << static_cast<unsigned>(kind); }
constexpr unsigned Of(Backend backend) { return 1u << static_cast<unsigned>(backend); }

constexpr unsigned kSelect = Of(StatementKind::Select), kInsert = Of(StatementKind::Insert),
                   kUpdate = Of(StatementKind::Update), kDelete = Of(StatementKind::Delete),
                   kOther = Of(StatementKind::Other);
constexpr unsigned kData = kSelect | kInsert | kUpdate | kDelete;
constexpr unsigned kSQLite = Of(Backend::SQLite), kPostgres = Of(Backend::PostgreSQL);
constexpr unsigned kBoth = kSQLite | kPostgres;

struct Pass {
    void (*run)(Statement&);
    unsigned kinds;
    unsigned backends;
};

// The passes in the order they run. The order matters: the hints go before the FROM
// lists are read, UPDATE ... FROM is taken apart before anything counts its tables,
// TOP becomes LIMIT before the arithmetic passes look for the ends of operands.
constexpr Pass kPasses[] = {
    {CheckNoHiddenStatement, kData, kBoth},
    {RewriteSingleTokens, kData | kOther, kBoth},
    {DropTableHints, kData, kBoth},
    {AddDeleteFrom, kDelete, kBoth},
    {AddInsertInto, kInsert, kBoth},
    {RewriteUpdateFrom, kUpdate, kBoth},
    // PostgreSQL's planner turns such negations round itself; SQLite's does not.
    {RewriteNegatedComparisons, kData, kSQLite},
    {RewriteTopToLimit, kData, kBoth},
    // PostgreSQL divides like the dialect: only integer by integer truncates.
    {RewriteDivision, kData, kSQLite},
    {RewriteWholeAggregates, kData, kBoth},
    {RewriteTextConcatenation, kData, kBoth},
};

}  // namespace

SqlTranslator::SqlTranslator(Backend target, ColumnTypeLookup columnTypes)
    : target_(target), columnTypes_(std::move(columnTypes)) {}

TranslatedStatement SqlTranslator::Translate(std::string_view sql) const {
    Statement s(sql, target_, columnTypes_);
    CheckSingleStatement(s);
    s.kind = KindOf(s.tokens);
    for (const Pass& pass : kPasses)
        if ((pass.kinds & Of(s.kind)) && (pass.backends & Of(target_))) pass.run(s);

    TranslatedStatement r;
    if (s.kind != StatementKind::Other) {
        // The tables of the statement as it now reads.
        s.tables.clear();
        s.aliases.clear();
        s.tablesComplete = true;
        CollectTables(s);
        r.tables = s.tables;
        r.tablesComplete = s.tablesComplete;
        if (liftLiterals_) r.lifted = LiftLiterals(s, r.liftedOffsets);
        if (s.kind == StatementKind::Select) r.keyRead = FindKeyRead(s);
    } else {
        r.tablesComplete = false;
    }
    r.sql = Render(s);
    r.kind = s.kind;
    r.parameterCount = s.parameterCount;
    r.usedColumnTypes = s.usedColumnTypes;
    for (const auto& tok : s.tokens)
        if ((tok.kind == SqlTokenKind::Word || tok.kind == SqlTokenKind::QuotedName) && !tok.verbatim)
            r.names.push_back(tok.value);
    return r;
}

StatementFacts FactsOf(const TranslatedStatement& translated) {
    auto known = std::make_shared<StatementFacts::Known>();
    known->select = translated.kind == StatementKind::Select;
    known->tablesComplete = translated.tablesComplete;
    known->tables = translated.tables;
    known->names = translated.names;
    known->keyRead = translated.keyRead;
    for (const auto& table : translated.tables) known->upperTables.push_back(UpperAscii(table));
    // Every name, the tables among them, sorted once: a write asks it for each table
    // a kept read read.
    StatementFacts::Names& named = known->upperNames;
    for (const auto& name : translated.names) named.push_back(UpperAscii(name));
    named.insert(named.end(), known->upperTables.begin(), known->upperTables.end());
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    static constexpr std::string_view kVolatile[] = {"GETDATE", "GETUTCDATE", "SYSDATETIME", "NEWID", "RAND",
                                                     "CURRENT_TIMESTAMP", "RANDOM"};
    for (const auto& name : named)
        for (std::string_view f : kVolatile) known->namesVolatileFunction = known->namesVolatileFunction || name == f;
    return StatementFacts{std::move(known)};
}

const TranslationCache::Entry* TranslationCache::Find(const std::string& sql, std::vector<SqlToken>& literals,
                                                      std::string& shape, std::vector<Variant>* lifted) const {
    if (lifted) lifted->clear();
    if (auto plan = plans_.find(sql); plan != plans_.end()) return &plan->second;
    literals.clear();
    shape = StatementShape(sql, literals);
    if (literals.empty()) return nullptr;
    auto known = shapes_.find(shape);
    if (known == shapes_.end()) return nullptr;
    const Entry& e = known->second;
    if (e.literalCount != literals.size()) return nullptr;
    for (const auto& [ordinal, text] : e.kept)
        if (literals[ordinal].text != text) return nullptr;
    for (size_t ordinal : e.liftedFrom) {
        std::optional<Variant> value = LiteralAsParameter(literals[ordinal]);
        if (!value) return nullptr;
        if (lifted) lifted->push_back(std::move(*value));
    }
    return &e;
}

const TranslationCache::Entry* TranslationCache::Keep(const std::string& sql, std::string shape,
                                                      const std::vector<SqlToken>& literals,
                                                      const TranslatedStatement& translated, StatementFacts facts) {
    Entry out;
    out.key = translated.sql;
    out.facts = std::move(facts);
    out.literalCount = literals.size();
    if (literals.empty()) {
        if (plans_.size() >= kMaxEntries) plans_.clear();
        return &(plans_[sql] = std::move(out));
    }
    // Which literal of the text each lifted value came from; the rest stay as written.
    if (translated.liftedOffsets.size() != translated.lifted.size()) return nullptr;
    std::vector<bool> lifted(literals.size(), false);
    for (size_t i = 0; i < translated.lifted.size(); ++i) {
        auto at = std::find_if(literals.begin(), literals.end(),
                               [&](const SqlToken& tok) { return tok.offset == translated.liftedOffsets[i]; });
        if (at == literals.end()) return nullptr;
        const size_t ordinal = static_cast<size_t>(at - literals.begin());
        std::optional<Variant> value = LiteralAsParameter(*at);
        if (!value || !(*value == translated.lifted[i])) return nullptr;
        out.liftedFrom.push_back(ordinal);
        lifted[ordinal] = true;
    }
    for (size_t k = 0; k < literals.size(); ++k)
        if (!lifted[k]) out.kept.emplace_back(k, literals[k].text);
    if (shapes_.size() >= kMaxEntries) shapes_.clear();
    return &(shapes_[std::move(shape)] = std::move(out));
}

void TranslationCache::Clear() {
    plans_.clear();
    shapes_.clear();
}

}  // namespace humrs
