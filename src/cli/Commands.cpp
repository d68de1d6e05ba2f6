#include "cli/Commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "cli/Batch.h"
#include "cli/Connection.h"
#include "cli/PayStatementText.h"
#include "db/DatabaseFile.h"
#include "db/PostgresDatabase.h"
#include "core/Errors.h"
#include "db/Schema.h"
#include "db/SqlTranslator.h"
#include "suite/Seed.h"
#include "framework/AuditTrail.h"
#include "framework/Bill.h"
#include "hosting/ClassTable.h"
#include "hosting/Registration.h"
#include "leave/CoExcuse.h"
#include "payroll/CoHumMonthSalaryQuery.h"
#include "personnel/CoChangeSalary.h"
#include "personnel/CoChangeInsurance.h"
#include "core/Convert.h"
#include "core/Text.h"
#include "framework/InputChecks.h"

namespace humrs::cli {

namespace {

std::unique_ptr<TQVXComBase> Create(const std::string& progId, Connection& c) {
    return CreateBusinessObject(progId, *c.session);
}

Json Ok() { return Json{{"ok", true}}; }

Answer Done(Json body, const std::vector<Notice>& notices = {}) {
    body["notices"] = ToJson(notices);
    return Answer{kAccepted, std::move(body)};
}

// The answer of a business-object operation: `body` on success, its refusal or
// failure otherwise.
Answer FromOutcome(const Outcome& out, Json body) {
    if (out.ok) return Done(std::move(body), out.notices);
    Answer a = Failure(ExitCodeOf(out), out.error);
    PutRefusal(a.body, out);
    a.body["notices"] = ToJson(out.notices);
    return a;
}

// Runs a command body, turning whatever it throws into a failed answer.
template <class F>
Answer Guard(F&& body) {
    try {
        return body();
    } catch (...) {
        const Outcome failed = FailureOutcome(std::current_exception());
        return FromOutcome(failed, Json());
    }
}

std::string ReadInput(const std::string& file) {
    if (file == "-") {
        std::ostringstream text;
        text << std::cin.rdbuf();
        return text.str();
    }
    // A pipe (`<(...)`) is read like a file; a folder is the user's mistake.
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
        throw InputError("the bill file " + file +
                         " is a folder; give the path of a JSON file, or - for standard input");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError("cannot read the bill file " + file + ": " + std::strerror(errno));
    std::string text;
    try {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception& e) {
        throw InputError("cannot read the bill file " + file + ": " + e.what());
    }
    if (in.bad()) throw InputError("cannot read the bill file " + file);
    return text;
}

VariantArray ArrayArgument(const std::string& text, const std::string& what) {
    const Json json = ParseJson(text, what);
    // A single value stands for a list of one.
    if (!json.is_array()) return VariantArray{FromJson(json, what)};
    VariantArray out;
    for (size_t i = 0; i < json.size(); ++i)
        out.push_back(FromJson(json[i], what + "[" + std::to_string(i) + "]"));
    return out;
}

Variant OptionalArgument(const std::string& text, const std::string& what) {
    if (Trim(text).empty()) return Variant();
    return FromJson(ParseJson(text, what), what);
}

// Whether a statement reads rows: its first word is SELECT (or WITH of a CTE).
bool IsQuery(const std::string& statement) {
    for (const SqlToken& token : TokenizeSql(statement)) {
        if (token.kind != SqlTokenKind::Word) continue;
        return SameText(token.value, "select") || SameText(token.value, "with");
    }
    return false;
}

bool IsName(const SqlToken& token) {
    return token.kind == SqlTokenKind::Word || token.kind == SqlTokenKind::QuotedName;
}

// The table a data statement writes: the name after INSERT [INTO], UPDATE or DELETE
// [FROM]; an alias (`Update a Set ... From humX a`) is followed to its table and
// handed back in `alias`.
std::string WrittenTable(const std::vector<SqlToken>& tokens, const std::string& verb, std::string& alias) {
    size_t i = 1;
    static const char* const kSkip[] = {"into", "from", "or", "replace", "ignore", "abort", "fail", "rollback"};
    auto skipped = [&](const SqlToken& t) {
        return t.kind == SqlTokenKind::Word &&
               std::any_of(std::begin(kSkip), std::end(kSkip), [&](const char* w) { return SameText(t.value, w); });
    };
    while (i < tokens.size() && skipped(tokens[i])) ++i;
    if (i >= tokens.size() || !IsName(tokens[i]))
        throw InputError("the " + verb + " statement names no table it writes");
    if (i + 1 < tokens.size() && tokens[i + 1].kind == SqlTokenKind::Dot)
        throw InputError("the " + verb + " statement may write only the component's own tables, not " +
                         tokens[i].value + "." + (i + 2 < tokens.size() ? tokens[i + 2].value : ""));
    const std::string target = tokens[i].value;
    if (ComponentRegistry().FindTable(target)) return target;
    for (size_t j = i + 1; j + 1 < tokens.size(); ++j) {
        const bool tablePosition = SameText(tokens[j - 1].value, "from") || SameText(tokens[j - 1].value, "join") ||
                                   tokens[j - 1].kind == SqlTokenKind::Comma;
        if (!tablePosition || !IsName(tokens[j])) continue;
        size_t k = j + 1;
        if (k < tokens.size() && SameText(tokens[k].value, "as")) ++k;
        if (k < tokens.size() && IsName(tokens[k]) && SameText(tokens[k].value, target)) {
            alias = target;
            return tokens[j].value;
        }
    }
    return target;
}

// Parentheses nested deeper than any statement of the component needs; the
// database's parser gives up somewhat deeper (SQLite's "parser stack overflow").
constexpr int kMaxNesting = 64;

void RequireShallowNesting(const std::vector<SqlToken>& tokens) {
    int depth = 0;
    for (const SqlToken& t : tokens) {
        if (t.kind == SqlTokenKind::LeftParen && ++depth > kMaxNesting)
            throw InputError("the statement nests parentheses more than " + std::to_string(kMaxNesting) + " deep");
        if (t.kind == SqlTokenKind::RightParen) --depth;
    }
}

// The `sql` subcommand runs selects and the data statements on the component's
// tables, nothing else: ATTACH, VACUUM INTO and PRAGMA could write files anywhere the
// process may, and schema statements would change what the business objects rely on.
// Returns the alias the statement writes through, if any: the caller makes sure it
// names no table of the database.
std::string RequireAllowedStatement(const std::string& statement) {
    const std::vector<SqlToken> tokens = TokenizeSql(statement);
    if (tokens.empty()) throw InputError("no SQL statement given");
    RequireShallowNesting(tokens);
    const SqlToken& first = tokens.front();
    static const char* const kVerbs[] = {"select", "insert", "update", "delete"};
    const bool allowed = first.kind == SqlTokenKind::Word &&
                         std::any_of(std::begin(kVerbs), std::end(kVerbs),
                                     [&](const char* w) { return SameText(first.value, w); });
    if (!allowed)
        throw InputError("the sql subcommand runs only Select, Insert, Update and Delete statements, not \"" +
                         first.text + "\"");
    // Nothing inside a statement may change the schema: `Select ... Into` makes a table
    // on PostgreSQL, and the words below begin the statements that make, change or
    // remove one.
    static const char* const kSchemaWords[] = {"create", "alter", "drop", "truncate"};
    for (const SqlToken& t : tokens) {
        if (t.kind != SqlTokenKind::Word) continue;
        if (SameText(first.value, "select") && SameText(t.value, "into"))
            throw InputError("the sql subcommand does not run Select ... Into: it would make a table");
        for (const char* w : kSchemaWords)
            if (SameText(t.value, w))
                throw InputError("the sql subcommand does not change tables: \"" + t.text + "\" is refused");
    }
    if (SameText(first.value, "select")) return "";
    // The audit trail is only ever added to, by the operations it records: a statement
    // that writes may not so much as name it, however the name is spelt or quoted.
    for (const SqlToken& t : tokens)
        if (IsName(t) && IsAuditTable(t.value))
            throw InputError("the audit trail cannot be changed: the sql subcommand only reads \"" + t.value + "\"");
    std::string alias;
    const std::string table = WrittenTable(tokens, first.value, alias);
    if (!ComponentRegistry().FindTable(table))
        throw InputError("the sql subcommand writes only the component's tables; \"" + table + "\" is not one");
    return alias;
}

// Runs the `sql` subcommand's statement: a query's columns and rows, or the number
// of rows another statement changed.
void RunStatement(Database& db, const std::string& statement, Json& body, Json& fields, Json& rows) {
    if (!IsQuery(statement)) {
        body["changed"] = db.Execute(statement);
        return;
    }
    const ResultSet rs = db.Query(statement);
    for (const ResultColumn& col : rs.columns) fields.push_back(col.name);
    for (const auto& row : rs.rows) {
        Json values = Json::array();
        for (const Variant& v : row) values.push_back(ToJson(v));
        rows.push_back(std::move(values));
    }
}

// Whether the database refused a statement for what its text says (a typo, a table
// or column that does not exist) rather than failed running it (a lock, the disk, a
// constraint): SQLite's messages when it compiles a statement.
bool IsStatementFault(const DatabaseError& e) {
    static const char* const kFaults[] = {
        "syntax error",        "incomplete input",     "unrecognized token",        "no such table",
        "no such column",      "no such function",     "ambiguous column name",     "has no column named",
        "values for",          "values were supplied", "wrong number of arguments", "misuse of",
        "no tables specified",
    };
    std::string_view message = e.what();
    // Leave out the translated text the message may quote.
    message = message.substr(0, message.find(" (ran as: "));
    for (const char* fault : kFaults)
        if (message.find(fault) != std::string_view::npos) return true;
    return false;
}

// A progress callback that prints "<what>: <done> of <total> <unit>" about twenty
// times over a run, and at its end.
std::function<void(size_t, size_t)> ProgressPrinter(const char* what, const char* unit) {
    return [what, unit](size_t done, size_t total) {
        if (done % std::max<size_t>(1, total / 20) == 0 || done == total)
            std::fprintf(stderr, "%s: %zu of %zu %s\n", what, done, total, unit);
    };
}

std::string DefaultLibraryPath() {
    if (const char* env = std::getenv("HUMRS_LIBRARY"); env && *env) return env;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const auto dir = ec ? std::filesystem::current_path() : self.parent_path();
    return (dir / "libQVXHumrs.so").string();
}

}  // namespace

Answer Guarded(const std::function<Answer()>& body) { return Guard(body); }

Answer Failure(int exitCode, const std::string& message) {
    Json body = {{"ok", false}, {"error", message}, {"notices", Json::array()}};
    return Answer{exitCode, std::move(body)};
}

Answer RunInit(const GlobalOptions& options) {
    return Guard([&] {
        Connection c = Connect(options, Mode::Create);
        int missing = 0;
        const ClassRegistry& classes = ComponentRegistry();
        for (const TableDef& table : classes.Tables())
            if (c.db->TableColumns(table.name).empty()) ++missing;
        CreateOrUpgradeSchema(*c.db, classes.Tables(), classes.Indexes());
        Json body = Ok();
        body["database"] = options.dbPath;
        body["schemaVersion"] = SchemaVersion();
        body["tablesCreated"] = missing;
        return Done(std::move(body));
    });
}

Answer RunNew(const GlobalOptions& options, const std::string& progId) {
    return Guard([&] {
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        const Outcome out = object->AddNew();
        Json body = Ok();
        body["datasets"] = DatasetsToJson(*object);
        return FromOutcome(out, std::move(body));
    });
}

Answer RunOpen(const GlobalOptions& options, const std::string& progId, const std::string& key) {
    return Guard([&] {
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        const Outcome out = object->Open(Variant(key));
        Json body = Ok();
        body["key"] = key;
        body["datasets"] = DatasetsToJson(*object);
        return FromOutcome(out, std::move(body));
    });
}

Answer RunSave(const GlobalOptions& options, const std::string& progId, const std::string& file) {
    return Guard([&] {
        const std::string what = file == "-" ? "standard input" : file;
        const BillInput bill = BillFromJson(ParseJson(ReadInput(file), what));
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        const Outcome out = SaveBill(*object, bill);
        Json body = Ok();
        if (out.ok) {
            const Variant key = HeldKey(*object);
            // Read back what was stored, column defaults and posted values included.
            if (!key.IsNullOrEmpty()) object->Open(key);
            body["key"] = ToJson(key);
        }
        body["datasets"] = DatasetsToJson(*object);
        return FromOutcome(out, std::move(body));
    });
}

Answer RunEdit(const GlobalOptions& options, const std::string& progId, const std::string& key) {
    return Guard([&] {
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        const Outcome out = object->Edit(Variant(key));
        Json body = Ok();
        body["key"] = key;
        body["datasets"] = DatasetsToJson(*object);
        return FromOutcome(out, std::move(body));
    });
}

Answer RunDelete(const GlobalOptions& options, const std::string& progId, const std::string& key) {
    return Guard([&] {
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        const Outcome out = object->Delete(Variant(key));
        Json body = Ok();
        body["key"] = key;
        return FromOutcome(out, std::move(body));
    });
}

Answer RunCheck(const GlobalOptions& options, const std::string& progId, int64_t dataset,
                const std::string& names, const std::string& values) {
    return Guard([&] {
        const VariantArray nameList = ArrayArgument(names, "--names");
        const VariantArray valueList = ArrayArgument(values, "--values");
        const FieldCheckLabels labels{"--dataset", "--names", "--values"};
        // The counts first, before the database is opened; the dataset once the
        // object says how many it has.
        CheckFieldArguments(progId, 1, 0, nameList.size(), valueList.size(), labels);
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        CheckFieldArguments(progId, object->DatasetCount(), dataset, nameList.size(), valueList.size(), labels);
        const Outcome out = object->CheckFieldValues(static_cast<int>(dataset), nameList, valueList);
        Json body = Ok();
        body["fields"] = ToJson(out.fields);
        return FromOutcome(out, std::move(body));
    });
}

Answer RunProc(const GlobalOptions& options, const std::string& progId, int64_t wideNumber,
               const std::string& arg1, const std::string& arg2) {
    return Guard([&] {
        const int number = CheckProcedureNumber(wideNumber, "NUMBER");
        const Variant a1 = OptionalArgument(arg1, "--arg");
        const Variant a2 = OptionalArgument(arg2, "--arg2");
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        // Long procedures tell how far they got, in twentieths, on standard error.
        if (auto* leave = dynamic_cast<TExcuse*>(object.get()); leave && number == 11)
            leave->SetProgress(ProgressPrinter("compensatory leave", "persons"));
        if (auto* salary = dynamic_cast<TChangeSalary*>(object.get()); salary && number == 1)
            salary->SetProgress(ProgressPrinter("salary adjustments", "rows"));
        if (auto* insurance = dynamic_cast<TChangeInsurance*>(object.get()); insurance && number == 2)
            insurance->SetProgress(ProgressPrinter("insurance changes", "rows"));
        const Outcome out = object->ExecuteProc(number, a1, a2);
        Json body = Ok();
        body["result"] = ToJson(out.result);
        Answer answer = FromOutcome(out, std::move(body));
        // A pay statement is read by a person: --pretty prints it as tables.
        if (options.pretty && out.ok && number == 1 && dynamic_cast<THumMonthSalaryQuery*>(object.get()))
            answer.text = PayStatementText(out.result);
        return answer;
    });
}

// Checks a statement of the sql subcommand before any database is opened; returns
// the alias it writes through, if any.
static std::string CheckSqlStatement(const std::string& statement) {
    if (Trim(statement).empty()) throw InputError("no SQL statement given");
    // A statement the dialect cannot express is the user's to fix.
    try {
        RequireShallowNesting(TokenizeSql(statement));
        SqlTranslator(Backend::SQLite).Translate(statement);
        return RequireAllowedStatement(statement);
    } catch (const DatabaseError& e) {
        throw InputError(e.what());
    }
}

Json RunSqlStatement(Database& db, const std::string& statement) {
    const std::string alias = CheckSqlStatement(statement);
    // An alias that is also a table's name would write that table instead.
    if (!alias.empty() && !db.TableColumns(alias).empty())
        throw InputError("the sql subcommand writes only the component's tables; \"" + alias +
                         "\" names a table of its own");
    Json body = Ok();
    Json fields = Json::array();
    Json rows = Json::array();
    try {
        RunStatement(db, statement, body, fields, rows);
    } catch (const DatabaseError& e) {
        if (IsStatementFault(e)) throw InputError(e.what());
        throw;
    }
    body["fields"] = std::move(fields);
    body["rows"] = std::move(rows);
    return body;
}

Answer RunSql(const GlobalOptions& options, const std::string& statement) {
    return Guard([&] {
        CheckSqlStatement(statement);
        Connection c = Connect(options, Mode::Existing);
        return Done(RunSqlStatement(*c.db, statement));
    });
}

Answer RunParamGet(const GlobalOptions& options, const std::string& key) {
    return Guard([&] {
        Connection c = Connect(options, Mode::Existing);
        const std::optional<std::string> value = FindParam(*c.db, key);
        Json body = Ok();
        body["key"] = key;
        body["value"] = value ? Json(*value) : Json(nullptr);
        return Done(std::move(body));
    });
}

Answer RunParamSet(const GlobalOptions& options, const std::string& key, const std::string& value) {
    return Guard([&] {
        if (Trim(key).empty()) throw InputError("a parameter key must not be empty");
        Connection c = Connect(options, Mode::Existing);
        c.db->BeginWrite();
        try {
            SetParam(*c.db, key, value);
            c.db->Commit();
        } catch (...) {
            c.db->Rollback();
            throw;
        }
        Json body = Ok();
        body["key"] = key;
        body["value"] = value;
        return Done(std::move(body));
    });
}

Answer RunRegister(bool reg, const std::string& library) {
    return Guard([&] {
        const std::string path =
            std::filesystem::absolute(library.empty() ? DefaultLibraryPath() : library).string();
        if (reg && !std::filesystem::exists(path))
            throw InputError(
                "server library " + path +
                " not found; build the QVXHumrs target or name it with --library or HUMRS_LIBRARY");
        std::string error;
        if (RegisterServer(reg, path, &error) < 0)  // a failed HRESULT
            throw DatabaseError(std::string(reg ? "registering " : "unregistering ") + path + " failed" +
                                (error.empty() ? "" : ": " + error));
        Json body = Ok();
        body["library"] = path;
        body["registry"] = RegistryFilePath();
        body["registered"] = reg;
        return Done(std::move(body));
    });
}

Answer RunBatch(const GlobalOptions& options) {
    return Guard([&] {
        Connection c = Connect(options, Mode::Existing);
        return Answer{RunBatchLines(*c.session, std::cin, std::cout, options.pretty), Json(), std::string()};
    });
}

}  // namespace humrs::cli
