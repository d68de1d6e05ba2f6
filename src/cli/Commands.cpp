#include "cli/Commands.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "core/Errors.h"
#include "db/Schema.h"
#include "db/SqlTranslator.h"
#include "suite/Seed.h"
#include "framework/Bill.h"
#include "hosting/ClassTable.h"
#include "hosting/Registration.h"
#include "leave/CoExcuse.h"
#include "personnel/CoChangeInsurance.h"
#include "core/Convert.h"
#include "core/Text.h"

namespace humrs::cli {

namespace {

// The database of one command and the session that carries the global options.
struct Connection {
    std::unique_ptr<Database> db;
    std::unique_ptr<Session> session;
};

enum class Mode { Existing, Create };

// Makes sure an existing file is a humrs database before it is opened for writing:
// opening it normally switches its journal to WAL, which another application's
// database must never get from a command that then fails.
void RequireHumrsDatabase(const std::string& path) {
    bool tables = false;
    try {
        tables = !OpenSQLiteReadOnly(path)->TableColumns("humSchemaVersion").empty();
    } catch (const DatabaseError& e) {
        throw DatabaseError(path + " is not a humrs database (" + e.what() + ")");
    }
    if (!tables)
        throw DatabaseError(
            path + " is not a humrs database: it has no humrs tables (create them with `humrs init`)");
}

Connection Connect(const GlobalOptions& options, Mode mode) {
    const std::string& path = options.dbPath;
    const bool memory = path == ":memory:";
    if (mode == Mode::Existing) {
        if (!memory && !std::filesystem::exists(path))
            throw DatabaseError("database " + path + " does not exist; create it with `humrs init`");
        RequireHumrsDatabase(path);
    }
    Connection c;
    c.db = OpenSQLite(path);
    c.session = std::make_unique<Session>(*c.db, ComponentRegistry());
    c.session->loginType = options.loginType;
    c.session->mergeIn = options.mergeIn;
    c.session->localType = options.localType;
    c.session->serverDate = options.serverDate;
    return c;
}

// Refuses an unknown ProgID, or one whose class is not built, before the database is
// touched.
void RequireKnownProgId(const std::string& progId) {
    const ClassRegistry& classes = ComponentRegistry();
    const ClassDescriptor* c = classes.Find(progId);
    if (!c) throw InputError("unknown ProgID: " + progId + "; available: " + classes.Available());
    if (!c->create)
        throw InputError("the business object " + progId + " is not available yet; available: " +
                         classes.Available());
}

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
        return Failure(ExitCodeOf(failed), failed.error);
    }
}

std::string ReadInput(const std::string& file) {
    if (file == "-") {
        std::ostringstream text;
        text << std::cin.rdbuf();
        return text.str();
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError("cannot read the bill file " + file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

std::string DefaultLibraryPath() {
    if (const char* env = std::getenv("HUMRS_LIBRARY"); env && *env) return env;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const auto dir = ec ? std::filesystem::current_path() : self.parent_path();
    return (dir / "libQVXHumrs.so").string();
}

}  // namespace

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

Answer RunCheck(const GlobalOptions& options, const std::string& progId, int dataset,
                const std::string& names, const std::string& values) {
    return Guard([&] {
        const VariantArray nameList = ArrayArgument(names, "--names");
        const VariantArray valueList = ArrayArgument(values, "--values");
        // A check may read more values than it names (the leave request's person check
        // takes the person, then the span's begin and end), never fewer.
        if (valueList.size() < nameList.size())
            throw InputError("--names gives " + std::to_string(nameList.size()) + " name(s) but --values only " +
                             std::to_string(valueList.size()) + " value(s); give at least one value per name");
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        // Dataset 0 is always accepted: a query class keeps no datasets, yet serves the
        // checks of its header fields there.
        if (dataset < 0 || (dataset > 0 && dataset >= object->DatasetCount()))
            throw InputError("--dataset " + std::to_string(dataset) + ": " + progId + " has " +
                             std::to_string(object->DatasetCount()) + " dataset(s), numbered from 0");
        const Outcome out = object->CheckFieldValues(dataset, nameList, valueList);
        Json body = Ok();
        body["fields"] = ToJson(out.fields);
        return FromOutcome(out, std::move(body));
    });
}

Answer RunProc(const GlobalOptions& options, const std::string& progId, int number, const std::string& arg1,
               const std::string& arg2) {
    return Guard([&] {
        const Variant a1 = OptionalArgument(arg1, "--arg");
        const Variant a2 = OptionalArgument(arg2, "--arg2");
        RequireKnownProgId(progId);
        Connection c = Connect(options, Mode::Existing);
        auto object = Create(progId, c);
        // Rebuilding every person's compensatory leave is long work: show how far it got.
        if (auto* leave = dynamic_cast<TExcuse*>(object.get()); leave && number == 11) {
            leave->SetProgress([](size_t done, size_t total) {
                const size_t step = std::max<size_t>(1, total / 20);
                if (done % step == 0 || done == total)
                    std::fprintf(stderr, "compensatory leave: %zu of %zu persons\n", done, total);
            });
        }
        // The daily transfer of insurance changes may go over many rows.
        if (auto* insurance = dynamic_cast<TChangeInsurance*>(object.get()); insurance && number == 2)
            insurance->SetProgress([](size_t done, size_t total) {
                if (done % std::max<size_t>(1, total / 20) == 0 || done == total)
                    std::fprintf(stderr, "insurance changes: %zu of %zu rows\n", done, total);
            });
        const Outcome out = object->ExecuteProc(number, a1, a2);
        Json body = Ok();
        body["result"] = ToJson(out.result);
        return FromOutcome(out, std::move(body));
    });
}

Answer RunSql(const GlobalOptions& options, const std::string& statement) {
    return Guard([&] {
        if (Trim(statement).empty()) throw InputError("no SQL statement given");
        // A statement the dialect cannot express is the user's to fix.
        try {
            SqlTranslator(Backend::SQLite).Translate(statement);
        } catch (const DatabaseError& e) {
            throw InputError(e.what());
        }
        Connection c = Connect(options, Mode::Existing);
        Json body = Ok();
        Json fields = Json::array();
        Json rows = Json::array();
        try {
            RunStatement(*c.db, statement, body, fields, rows);
        } catch (const DatabaseError& e) {
            if (IsStatementFault(e)) throw InputError(e.what());
            throw;
        }
        body["fields"] = std::move(fields);
        body["rows"] = std::move(rows);
        return Done(std::move(body));
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

}  // namespace humrs::cli
