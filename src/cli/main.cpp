// humrs: the HR component's business objects from the command line. Every
// subcommand prints one JSON object and ends with the exit code of its outcome:
// 0 accepted, 1 refused by a business rule, 2 bad input or usage, 3 database error.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "framework/Outcome.h"
#include "cli/AuditCommand.h"
#include "cli/Commands.h"
#include "cli/Serve.h"
#include "utils/DateUtils.h"

using namespace humrs;
using namespace humrs::cli;

namespace {

int Print(const Answer& answer, bool pretty) {
    if (answer.text)
        std::cout << *answer.text;
    else
        std::cout << Dump(answer.body, pretty) << "\n";
    std::cout.flush();
    return answer.exitCode;
}

// The message when a subcommand is missing: the word given in its place, if any
// (a typo), and the subcommands there are.
std::string MissingSubcommand(const CLI::App& parent, const std::vector<std::string>& extras) {
    std::string names;
    for (const CLI::App* sub : parent.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
    for (const std::string& word : extras)
        if (!word.empty() && word[0] != '-')
            return "unknown subcommand \"" + word + "\"; the subcommands are: " + names;
    return "a subcommand is required: " + names;
}

// Completes the service's options from the command line and the environment, then
// serves until interrupted.
Answer Serve(const GlobalOptions& options, ServeOptions serve, const std::string& listen,
             const std::string& tokenFile, const std::string& adminTokenFile, size_t maxBody, size_t maxObjects,
             int objectIdle, int timeout, int sessionIdle) {
    try {
        ParseListen(listen, serve);
        auto fromEnv = [](const char* name) {
            const char* value = std::getenv(name);
            return value ? std::string(value) : std::string();
        };
        serve.token = tokenFile.empty() ? fromEnv("HUMRS_TOKEN") : ReadTokenFile(tokenFile);
        serve.adminToken = adminTokenFile.empty() ? fromEnv("HUMRS_ADMIN_TOKEN") : ReadTokenFile(adminTokenFile);
        serve.maxBodyBytes = maxBody;
        serve.maxHandles = maxObjects;
        serve.handleIdle = std::chrono::seconds(objectIdle);
        serve.requestTimeout = std::chrono::seconds(timeout);
        serve.sessionIdle = std::chrono::seconds(sessionIdle);
    } catch (const std::exception& e) {
        return Failure(kBadInput, e.what());
    }
    return RunServe(options, serve);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "humrs: the HR business objects (leave, overtime, payroll documents, personnel records) on a "
        "local database.\n"
        "Prints one JSON object: {\"ok\": true, ..., \"notices\": [...]} or {\"ok\": false, \"error\": "
        "...}.\n"
        "Exit codes: 0 accepted, 1 refused by a business rule, 2 bad input or usage, 3 database error, 4 internal error.",
        "humrs"};
    app.require_subcommand(1);
    app.fallthrough();  // global options may also follow the subcommand

    GlobalOptions options;
    if (const char* env = std::getenv("HUMRS_DB"); env && *env) options.dbPath = env;
    int localType = 0;
    std::string date;
    app.add_option("--db", options.dbPath, "the database: an SQLite file path, or a postgresql:// URL (libpq's form, e.g. postgresql://hr@dbhost:5432/hrdb) (default: $HUMRS_DB, else humrs.db)");
    auto* localTypeOption =
        app.add_option("--local-type", localType,
                       "installation local type (1: overtime segments A/B/C and the sick-leave cap); "
                       "default: the LocalType parameter");
    app.add_option("--login-type", options.loginType, "login type of the session (5 skips most save checks)");
    app.add_flag("--merge-in", options.mergeIn, "save as merged-in data (most save checks are skipped)");
    app.add_option("--date", date, "fix the server date, YYYYMMDD (default: today)");
    app.add_flag("--pretty", options.pretty,
                 "indent the JSON output; the pay statement (QVXHumrs.HumMonthSalaryQuery procedure 1) prints as text tables");

    std::string progId, key, file, names, values, arg1, arg2, statement, paramKey, paramValue, library;
    int64_t dataset = 0, procNo = 0;  // checked as every entry point checks them
    bool demoText = false, demoForce = false;

    auto* init = app.add_subcommand("init",
                                    "Create the database tables, or add the missing ones; running it "
                                    "again changes nothing.\nExample: humrs --db hr.db init");
    auto* add = app.add_subcommand("new",
                                   "Print the default record of a new bill (AddNew).\n"
                                   "Example: humrs new QVXHumrs.ExcuseCls");
    add->add_option("PROGID", progId, "business object, e.g. QVXHumrs.ExcuseCls")->required();

    auto* open = app.add_subcommand("open",
                                    "Print the datasets of a stored bill.\n"
                                    "Example: humrs open QVXHumrs.ExcuseCls L09");
    open->add_option("PROGID", progId, "business object, e.g. QVXHumrs.ExcuseCls")->required();
    open->add_option("KEY", key, "the bill's key (BillNo, or the master's ID column)")->required();

    auto* save = app.add_subcommand(
        "save",
        "Save a bill given as {\"datasets\": [[rows of dataset 0], [rows of dataset 1], ...]}, each row an "
        "object of field values by name (any letter case). The stored bill with the same key is opened for a "
        "change (with the check of `edit`) and the rows merged over it: rows that match a stored row change "
        "it, others are added, stored rows left out are deleted, fields left out keep their stored value; a "
        "dataset left out stays as stored. Without a key (or with an unknown one) the bill is new. "
        "`humrs new PROGID` prints a new bill of the class with every field name its rows take.\n"
        "Example: humrs save QVXHumrs.ExcuseCls bill.json");
    save->add_option("PROGID", progId, "business object, e.g. QVXHumrs.ExcuseCls")->required();
    save->add_option("FILE", file, "JSON file of the bill, or - for standard input")->required();

    auto* edit = app.add_subcommand("edit",
                                    "Open a stored bill for a change: runs the check that may forbid "
                                    "changing it (e.g. a bill already posted).\n"
                                    "Example: humrs edit QVXHumrs.ExcuseCls L09");
    edit->add_option("PROGID", progId, "business object")->required();
    edit->add_option("KEY", key, "the bill's key")->required();

    auto* del = app.add_subcommand("delete",
                                   "Delete a stored bill, with the checks and postings of its class.\n"
                                   "Example: humrs delete QVXHumrs.ExcuseCls L09");
    del->add_option("PROGID", progId, "business object")->required();
    del->add_option("KEY", key, "the bill's key")->required();

    auto* check = app.add_subcommand(
        "check",
        "Run the field check a client runs when a value is entered; prints the values it fills in.\n"
        "Example: humrs check QVXHumrs.Excuse --dataset 0 --names '[\"PersonID\"]' "
        "--values '[\"E001\",20240611,20240612]'");
    check->add_option("PROGID", progId, "business object")->required();
    check->add_option("--dataset", dataset, "dataset the field belongs to (0 the header)")->default_val(0);
    check->add_option("--names", names, "JSON array of field names")->required();
    check->add_option("--values", values, "JSON array of values, one per name")->required();

    auto* proc = app.add_subcommand(
        "proc",
        "Run a server procedure of a business object (ExecuteProc). Arguments are JSON: null, true/false, "
        "numbers, texts, arrays, or a data packet {\"fields\": [...], \"rows\": [[...], ...]}.\n"
        "Example: humrs proc QVXHumrs.Excuse 3 --arg '[0,\"202405\",\"\"]'");
    proc->add_option("PROGID", progId, "business object")->required();
    proc->add_option("NUMBER", procNo, "procedure number")->required();
    proc->add_option("--arg", arg1, "first argument (JSON); left out: no value");
    proc->add_option("--arg2", arg2, "second argument (JSON); left out: no value");

    auto* sql = app.add_subcommand(
        "sql",
        "Run one statement of the component's SQL dialect (SQL Server style) through the same "
        "translation the business objects use. A second statement is refused.\n"
        "Example: humrs sql \"Select Top 3 PersonID, PersonName From comPerson Order By PersonID\"");
    sql->add_option("STATEMENT", statement, "one SQL statement")->required();

    auto* audit = app.add_subcommand("audit",
                                     "Show the audit trail of a bill, oldest first: who saved, changed or deleted "
                                     "it, when, through what, and the fields changed.\n"
                                     "Example: humrs audit QVXHumrs.Excuse QJ001");
    audit->add_option("PROGID", progId, "business object")->required();
    audit->add_option("KEY", key, "the bill's key")->required();

    auto* param = app.add_subcommand("param", "Read or write a system parameter (table comSysParam).");
    param->require_subcommand(1);
    auto* paramGet = param->add_subcommand("get",
                                           "Print the stored text of a parameter (null when unset).\n"
                                           "Example: humrs param get HumExcuseBeginMonth");
    paramGet->add_option("KEY", paramKey, "parameter key")->required();
    auto* paramSet = param->add_subcommand("set",
                                           "Store the text of a parameter.\n"
                                           "Example: humrs param set AllowSickLeaveYear 1");
    paramSet->add_option("KEY", paramKey, "parameter key")->required();
    paramSet->add_option("VALUE", paramValue, "parameter text")->required();

    auto* reg = app.add_subcommand("register",
                                   "Register the server library libQVXHumrs.so and its classes.\n"
                                   "Example: humrs register --library build/libQVXHumrs.so");
    reg->add_option("--library", library,
                    "the library (default: $HUMRS_LIBRARY, else libQVXHumrs.so beside this program)");
    auto* unreg = app.add_subcommand("unregister",
                                     "Remove the registration of the server library.\n"
                                     "Example: humrs unregister");
    unreg->add_option("--library", library,
                      "the library (default: $HUMRS_LIBRARY, else libQVXHumrs.so beside this program)");

    auto* demo = app.add_subcommand(
        "demo",
        "Build a small demo company (departments, persons, shifts, leave categories, holidays, "
        "parameters) in a new database file, or rebuild the one an earlier demo made, and walk a "
        "narrated scenario through the bills, showing each save accepted or refused with its message. The demo's date is 20240610 unless "
        "--date is given. Any other existing file is refused unless --force is given.\n"
        "Example: humrs --db demo.db demo --text");
    demo->add_flag("--text", demoText, "print the narration as plain lines instead of JSON");
    demo->add_flag("--force", demoForce,
                   "replace a regular file that the demo did not make (never a folder, device or pipe)");

    auto* batch = app.add_subcommand(
        "batch",
        "Run several operations on named business objects in one process, one JSON object per line of "
        "standard input; prints one JSON result line per operation as it runs. An object is created by the "
        "first operation that names it (with \"progid\") and keeps what it holds between operations. Ops: "
        "new, open, edit, save (\"bill\"), delete (\"key\"), proc (\"number\", \"arg\", \"arg2\"), check "
        "(\"dataset\", \"names\", \"values\"). Each operation is its own transaction; a failed one does not "
        "stop the rest; the exit code is that of the first failure. See docs/cli.md.\n"
        "Example: printf '%s\\n' '{\"object\":\"o1\",\"progid\":\"QVXHumrs.Overtime\",\"op\":\"proc\","
        "\"number\":4,\"arg\":\"A\"}' | humrs batch");

    std::string userName;
    std::vector<std::string> userRoles;
    bool userService = false;
    auto* user = app.add_subcommand(
        "user",
        "Manage the accounts of the service (humrs serve): people sign in with a name and a password, "
        "programs hold a token. Roles: attendance (leave and overtime), payroll (allowances, vouchers, "
        "the pay statement), personnel (personnel, salary and insurance changes), viewer (reads every "
        "class), admin (everything, sql). The humrs command itself needs no account.\n"
        "Example: humrs user add clerk1 --role attendance   (asks for the password)");
    user->require_subcommand(1);
    auto* userAdd = user->add_subcommand(
        "add",
        "Add an account. The password is asked twice on the terminal, or read from the first line of "
        "standard input; never give it on the command line.\n"
        "Example: humrs user add pay1 --role payroll --role viewer");
    userAdd->add_option("NAME", userName, "account name: letters, digits and . _ - @")->required();
    userAdd->add_option("--role", userRoles, "a role (repeat the option, or separate roles by commas)")->required();
    userAdd->add_flag("--service", userService, "a program's account: no password, it uses `humrs user token`");
    auto* userList = user->add_subcommand("list", "List the accounts with their roles.\nExample: humrs user list");
    auto* userDisable = user->add_subcommand(
        "disable", "Disable an account: it can no longer sign in or use its token, and its sessions end.\n"
                   "Example: humrs user disable clerk1");
    userDisable->add_option("NAME", userName, "account name")->required();
    auto* userEnable = user->add_subcommand("enable", "Enable a disabled account again.\nExample: humrs user enable clerk1");
    userEnable->add_option("NAME", userName, "account name")->required();
    auto* userPasswd = user->add_subcommand(
        "passwd", "Set a person's password (asked on the terminal, or the first line of standard input).\n"
                  "Example: humrs user passwd clerk1");
    userPasswd->add_option("NAME", userName, "account name")->required();
    auto* userRolesCmd = user->add_subcommand(
        "roles", "Replace the roles of an account.\nExample: humrs user roles clerk1 --role attendance,viewer");
    userRolesCmd->add_option("NAME", userName, "account name")->required();
    userRolesCmd->add_option("--role", userRoles, "a role (repeat, or separate by commas)")->required();
    auto* userToken = user->add_subcommand(
        "token", "Print a new bearer token for the account, once; it replaces the account's earlier token.\n"
                 "Example: humrs user token payroll-export");
    userToken->add_option("NAME", userName, "account name")->required();

    ServeOptions serveOptions;
    std::string listen = "127.0.0.1:8470", tokenFile, adminTokenFile;
    size_t maxBody = serveOptions.maxBodyBytes, maxObjects = serveOptions.maxHandles;
    int objectIdle = static_cast<int>(serveOptions.handleIdle.count());
    int timeout = static_cast<int>(serveOptions.requestTimeout.count());
    int sessionIdle = static_cast<int>(serveOptions.sessionIdle.count());
    auto* serve = app.add_subcommand(
        "serve",
        "Serve the business objects over HTTP with JSON bodies until interrupted: the operations of this "
        "command as endpoints (POST /v1/save, /v1/open, /v1/new, /v1/edit, /v1/delete, /v1/check, /v1/proc, "
        "/v1/sql), and object handles that keep one object between calls (POST /v1/objects, POST and DELETE "
        "/v1/objects/HANDLE). Every request carries \"Authorization: Bearer TOKEN\" (an account's token "
        "from `humrs user token`, or the installation's tokens from a file or the environment: HUMRS_TOKEN, "
        "HUMRS_ADMIN_TOKEN; never the command line), or the session cookie of POST /v1/login with the header "
        "X-CSRF-Token. Each operation is checked against the account's roles (see humrs user --help). "
        "--tls-cert and --tls-key serve HTTPS. Prints one JSON line with the address once it listens. See "
        "docs/service.md.\n"
        "Example: HUMRS_TOKEN=$(cat token) humrs --db hr.db serve --listen 127.0.0.1:8470");
    serve->add_option("--listen", listen, "HOST:PORT to listen on (default 127.0.0.1:8470; port 0: any free port)");
    serve->add_option("--token-file", tokenFile, "file whose first line is the clients' bearer token (else $HUMRS_TOKEN)");
    serve->add_option("--admin-token-file", adminTokenFile,
                      "file whose first line is the administrator's token, which may also run sql (else "
                      "$HUMRS_ADMIN_TOKEN)");
    serve->add_option("--tls-cert", serveOptions.tlsCertFile, "PEM file of the certificate: serve HTTPS (with --tls-key)");
    serve->add_option("--tls-key", serveOptions.tlsKeyFile, "PEM file of the certificate's private key");
    serve->add_option("--session-idle", sessionIdle,
                      "seconds without a request after which a signed-in session ends (default 900)");
    serve->add_option("--threads", serveOptions.threads, "worker threads (default 8)");
    serve->add_option("--max-body", maxBody, "largest request body in bytes (default 1048576)");
    serve->add_option("--max-objects", maxObjects, "most live object handles (default 64)");
    serve->add_option("--db-connections", serveOptions.dbConnections,
                      "most open database connections, shared by all calls and handles (default 8)");
    serve->add_option("--max-connections", serveOptions.maxConnections,
                      "most open client connections; one more is answered 503 (default 1000)");
    serve->add_option("--object-idle", objectIdle, "seconds after which an unused handle is released (default 300)");
    serve->add_option("--timeout", timeout,
                      "seconds to wait for a request to arrive, or for an object busy with another call (default 30)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // The innermost subcommand given, which the message's help hint names.
        const CLI::App* deepest = &app;
        std::string where;
        while (!deepest->get_subcommands().empty()) {
            deepest = deepest->get_subcommands().front();
            where += " " + deepest->get_name();
        }
        std::string message = e.what();
        if (deepest->get_require_subcommand_min() > 0)
            message = MissingSubcommand(*deepest, app.remaining(true));
        return Print(Failure(kBadInput, message + " (see humrs" + where + " --help)"), options.pretty);
    }

    if (*localTypeOption) options.localType = localType;
    if (!date.empty()) {
        int value = 0;
        bool digits = date.size() == 8 && date.find_first_not_of("0123456789") == std::string::npos;
        if (digits) value = std::stoi(date);
        if (!digits || !humrs::IsValidDate(value))
            return Print(Failure(kBadInput, "--date expects a calendar day as YYYYMMDD, got " + date),
                         options.pretty);
        options.serverDate = value;
    }

    Answer answer;
    if (*init)
        answer = RunInit(options);
    else if (*add)
        answer = RunNew(options, progId);
    else if (*open)
        answer = RunOpen(options, progId, key);
    else if (*save)
        answer = RunSave(options, progId, file);
    else if (*edit)
        answer = RunEdit(options, progId, key);
    else if (*del)
        answer = RunDelete(options, progId, key);
    else if (*check)
        answer = RunCheck(options, progId, dataset, names, values);
    else if (*proc)
        answer = RunProc(options, progId, procNo, arg1, arg2);
    else if (*sql)
        answer = RunSql(options, statement);
    else if (*audit)
        answer = RunAudit(options, progId, key);
    else if (*paramGet)
        answer = RunParamGet(options, paramKey);
    else if (*paramSet)
        answer = RunParamSet(options, paramKey, paramValue);
    else if (*reg)
        answer = RunRegister(true, library);
    else if (*unreg)
        answer = RunRegister(false, library);
    else if (*demo)
        answer = RunDemo(options, demoText, demoForce);
    else if (*batch)
        answer = RunBatch(options);
    else if (*serve)
        answer = Serve(options, serveOptions, listen, tokenFile, adminTokenFile, maxBody, maxObjects, objectIdle,
                       timeout, sessionIdle);
    else if (*userAdd)
        answer = RunUserAdd(options, userName, userRoles, userService);
    else if (*userList)
        answer = RunUserList(options);
    else if (*userDisable || *userEnable)
        answer = RunUserDisable(options, userName, static_cast<bool>(*userDisable));
    else if (*userPasswd)
        answer = RunUserPasswd(options, userName);
    else if (*userRolesCmd)
        answer = RunUserRoles(options, userName, userRoles);
    else if (*userToken)
        answer = RunUserToken(options, userName);
    return Print(answer, options.pretty);
}
