#include "db/SqlTranslator.h"

#include <iterator>

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

}  // namespace humrs
