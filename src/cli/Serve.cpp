#include "cli/Serve.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <regex>

#include "cli/AuditCommand.h"
#include "cli/Batch.h"
#include "cli/ServiceState.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/Accounts.h"
#include "framework/Permissions.h"
#include "hosting/ClassTable.h"

namespace humrs::cli {

namespace {

constexpr size_t kMinTokenLength = 16;

}  // namespace

// The HTTP status of an operation's outcome; the body says the rest.
int StatusOf(const Outcome& out) {
    if (out.ok) return 200;
    switch (out.failure) {
        case Outcome::Kind::Refused: return 422;
        case Outcome::Kind::BadInput: return 400;
        default: return 500;
    }
}

std::string RandomHex(int words) {
    static std::mutex mutex;
    static std::random_device device;
    std::lock_guard<std::mutex> lock(mutex);
    std::uniform_int_distribution<uint32_t> word;
    std::string text;
    char part[9];
    for (int i = 0; i < words; ++i) {
        std::snprintf(part, sizeof part, "%08x", word(device));
        text += part;
    }
    return text;
}

// A failure of the database or of the service itself is told to the client by what
// failed and a request id; the full text (the statement, the server's own words)
// goes to the service's log under that id, for the administrator.
void ReplyOutcome(Response& res, const Outcome& out, Json body) {
    if (!out.ok) {
        body["ok"] = false;
        body["error"] = out.error;
        PutRefusal(body, out);
        if (StatusOf(out) == 500) {
            const std::string id = RandomHex(2);
            std::cerr << "humrs serve: request " << id << ": " << FailureName(out.failure) << ": " << out.error
                      << "\n";
            body["error"] = std::string(out.failure == Outcome::Kind::DatabaseFailure
                                            ? "the database could not complete the call"
                                            : "the service failed on the call") +
                            "; its log tells why under request " + id;
            body["request"] = id;
            res.headers.emplace_back("X-Request-Id", id);
        }
    }
    body["notices"] = ToJson(out.notices);
    Reply(res, StatusOf(out), body);
}

// Compares a presented token with a configured one in time that does not depend on
// where they first differ.
bool SameToken(const std::string& presented, const std::string& expected) {
    if (expected.empty()) return false;
    unsigned char diff = presented.size() == expected.size() ? 0 : 1;
    for (size_t i = 0; i < presented.size(); ++i)
        diff |= static_cast<unsigned char>(presented[i] ^ expected[i % expected.size()]);
    return diff == 0;
}

namespace {

void CheckToken(const std::string& token, const char* what) {
    if (token.empty()) return;
    if (token.size() < kMinTokenLength)
        throw InputError(std::string(what) + " is too short: use at least " + std::to_string(kMinTokenLength) +
                         " characters");
    for (unsigned char ch : token)
        if (ch <= ' ' || ch == 0x7f) throw InputError(std::string(what) + " must not hold blanks or control characters");
}

}  // namespace

Json ParseRequestBody(const Request& req) {
    if (req.body.empty()) throw InputError("the request has no body: send a JSON object");
    Json json = ParseJson(req.body, "the request body");
    if (!json.is_object()) throw InputError("the request body must be a JSON object");
    return json;
}

std::string ProgIdOf(const Json& body) {
    if (!body.contains("progid") || !body.at("progid").is_string())
        throw InputError("the request names no business object: give \"progid\" as a text");
    std::string progId = body.at("progid").get<std::string>();
    RequireKnownProgId(progId);
    return progId;
}

std::unique_ptr<Connection> Service::State::Lease() {
    std::unique_lock<std::mutex> lock(poolMutex);
    const bool free = poolFree.wait_for(lock, options.requestTimeout,
                                        [&] { return !pool.empty() || poolOpen < options.dbConnections; });
    if (!free)
        throw PoolExhausted("all " + std::to_string(options.dbConnections) +
                            " database connections stayed busy for " +
                            std::to_string(options.requestTimeout.count()) + " s; try again");
    if (!pool.empty()) {
        auto c = std::move(pool.back());
        pool.pop_back();
        return c;
    }
    ++poolOpen;
    lock.unlock();
    try {
        return std::make_unique<Connection>(Connect(global, Mode::Existing));
    } catch (...) {
        Closed();
        throw;
    }
}

// A connection whose database failed is closed: the next call opens a fresh one.
void Service::State::GiveBack(std::unique_ptr<Connection> c, const Outcome& out) {
    if (out.failure == Outcome::Kind::DatabaseFailure || out.failure == Outcome::Kind::Internal) {
        c.reset();
        return Closed();
    }
    std::lock_guard<std::mutex> lock(poolMutex);
    pool.push_back(std::move(c));
    poolFree.notify_one();
}

void Service::State::Closed() {
    std::lock_guard<std::mutex> lock(poolMutex);
    --poolOpen;
    poolFree.notify_one();
}

// Runs `call` on a leased connection and gives the connection back; whatever the
// call throws becomes the failure it stands for.
Outcome Service::State::OnLeased(const std::function<Outcome(Connection&)>& call) {
    auto connection = Lease();
    Outcome out;
    try {
        out = call(*connection);
    } catch (...) {
        out = FailureOutcome(std::current_exception());
    }
    GiveBack(std::move(connection), out);
    return out;
}

namespace {

// Refuses, before any object is made, an operation the caller's roles do not allow.
void Allow(const Actor& actor, const std::string& progId, const std::string& kind, const Json& op) {
    const ClassDescriptor* c = ComponentRegistry().Find(progId);
    if (!c) throw InputError("unknown ProgID: " + progId);
    int number = INT_MIN;  // no declared procedure: counts as writing
    if (op.contains("number") && op.at("number").is_number_integer()) {
        const Json& n = op.at("number");
        if (n.is_number_unsigned() ? n.get<uint64_t>() <= INT_MAX
                                   : n.get<int64_t>() >= INT_MIN && n.get<int64_t>() <= INT_MAX)
            number = static_cast<int>(n.get<int64_t>());
    }
    const Permission needed = Needed(*c, kind, number);
    if (!Permits(actor, needed))
        throw Forbidden(Denial(needed, (kind.empty() ? std::string("this operation") : kind) + " on " + c->progId));
}

}  // namespace

// Runs `work` and answers with its outcome; whatever it throws becomes the
// failure it stands for.
void Service::State::Respond(Response& res, const std::function<Outcome(Json&)>& work) {
    Json body = {{"ok", true}};
    Outcome out;
    try {
        out = work(body);
    } catch (const PoolExhausted& e) {
        return ReplyFailure(res, 503, e.what());
    } catch (const Forbidden& e) {
        return ReplyFailure(res, 403, e.what());
    } catch (...) {
        out = FailureOutcome(std::current_exception());
    }
    ReplyOutcome(res, out, std::move(body));
}

void Service::State::Operate(const Request& req, Response& res, const std::string& kind) {
    const auto actor = Authenticate(req, res);
    if (!actor) return;
    Respond(res, [&](Json& body) {
        Json op = ParseRequestBody(req);
        const std::string progId = ProgIdOf(op);
        Allow(*actor, progId, kind, op);
        op["op"] = kind;
        return OnLeased([&](Connection& connection) {
            connection.session->actor = *actor;
            auto object = CreateBusinessObject(progId, *connection.session);
            return RunObjectOperation(*object, op, body);
        });
    });
}

void Service::State::Sql(const Request& req, Response& res) {
    const auto actor = Authenticate(req, res);
    if (!actor) return;
    if (!Permits(*actor, NeededForSql())) return ReplyFailure(res, 403, Denial(NeededForSql(), "running SQL statements"));
    Respond(res, [&](Json& body) {
        const Json request = ParseRequestBody(req);
        if (!request.contains("statement") || !request.at("statement").is_string())
            throw InputError("give the statement as \"statement\", a text");
        return OnLeased([&](Connection& connection) {
            body = RunSqlStatement(*connection.db, request.at("statement").get<std::string>());
            return Outcome{};
        });
    });
}

// A bill's audit trail: GET /v1/audit?progid=PROGID&key=KEY, each named once.
void Service::State::Audit(const Request& req, Response& res) {
    const auto actor = Authenticate(req, res);
    if (!actor) return;
    Respond(res, [&](Json& body) {
        auto argument = [&](const char* name) {
            const std::string* found = nullptr;
            for (const auto& [n, v] : req.query) {
                if (n != name) continue;
                if (found) throw InputError(std::string("give \"") + name + "\" once");
                found = &v;
            }
            if (!found) throw InputError(std::string("give the bill as ?progid=PROGID&key=KEY; \"") + name + "\" is missing");
            return *found;
        };
        const std::string progId = argument("progid"), key = argument("key");
        // A bill's history shows its values: it is for those who may read the bill.
        Allow(*actor, progId, "open", Json::object());
        return OnLeased([&](Connection& connection) {
            body = AuditHistory(*connection.db, progId, key);
            return Outcome{};
        });
    });
}

void Service::State::CreateHandle(const Request& req, Response& res) {
    const auto actor = Authenticate(req, res);
    if (!actor) return;
    bool tooMany = false;
    auto full = [&] {
        tooMany = handles.size() >= options.maxHandles;
        return tooMany;
    };
    const std::string limit = "too many live objects (" + std::to_string(options.maxHandles) +
                              "): release objects you no longer use";
    Respond(res, [&](Json& body) {
        const std::string progId = ProgIdOf(ParseRequestBody(req));
        // A handle may at least read; what each call on it does is checked per call.
        Allow(*actor, progId, "open", Json::object());
        {
            std::lock_guard<std::mutex> lock(handlesMutex);
            if (full()) return FailureOutcome(Outcome::Kind::BadInput, limit);
        }
        auto handle = std::make_shared<Handle>();
        handle->owner = actor->name;
        handle->progId = progId;
        auto connection = Lease();
        handle->session = std::make_unique<Session>(*connection->session);
        handle->session->actor = *actor;
        Outcome out;
        try {
            handle->object = CreateBusinessObject(progId, *handle->session);
        } catch (...) {
            out = FailureOutcome(std::current_exception());
        }
        handle->session->db = nullptr;
        GiveBack(std::move(connection), out);
        if (!out.ok) return out;
        const std::string id = RandomHex(4);
        {
            std::lock_guard<std::mutex> lock(handlesMutex);
            if (full()) return FailureOutcome(Outcome::Kind::BadInput, limit);
            handles.emplace(id, std::move(handle));
        }
        body["handle"] = id;
        body["progid"] = progId;
        return Outcome{};
    });
    if (tooMany)
        res.status = 429;
    else if (res.status == 200)
        res.status = 201;
}

std::shared_ptr<Handle> Service::State::FindHandle(const std::string& id) {
    std::lock_guard<std::mutex> lock(handlesMutex);
    auto found = handles.find(id);
    return found == handles.end() ? nullptr : found->second;
}

void Service::State::NoHandle(Response& res, const std::string& id) {
    ReplyFailure(res, 404, "no live object " + id + ": it was released, or it expired after " +
                               std::to_string(options.handleIdle.count()) + " s unused");
}

void Service::State::Busy(Response& res) {
    ReplyFailure(res, 503, "the object is still busy with another call after " +
                               std::to_string(options.requestTimeout.count()) + " s; try again");
}

// Finds the caller's handle `id` and waits for it to be free; answers 401, 404 or
// 503 itself, and returns false, when the call cannot go on. Another account's
// handle is not there for the caller.
bool Service::State::TakeHandle(const Request& req, Response& res, const std::string& id,
                                std::shared_ptr<Handle>& handle, std::unique_lock<std::timed_mutex>& lock,
                                Actor& actor) {
    const auto caller = Authenticate(req, res);
    if (!caller) return false;
    actor = *caller;
    handle = FindHandle(id);
    if (!handle || handle->owner != actor.name) {
        NoHandle(res, id);
        return false;
    }
    lock = std::unique_lock<std::timed_mutex>(handle->busy, options.requestTimeout);
    if (!lock.owns_lock()) {
        Busy(res);
        return false;
    }
    return true;
}

void Service::State::CallHandle(const Request& req, Response& res, const std::string& id) {
    // The handle is declared before its lock: the lock lets go of it first.
    std::shared_ptr<Handle> handle;
    std::unique_lock<std::timed_mutex> lock;
    Actor actor;
    if (!TakeHandle(req, res, id, handle, lock, actor)) return;
    handle->Touch();
    Respond(res, [&](Json& body) {
        const Json op = ParseRequestBody(req);
        const std::string kind = op.contains("op") && op.at("op").is_string() ? op.at("op").get<std::string>() : "";
        Allow(actor, handle->progId, kind, op);
        handle->session->actor = actor;
        auto connection = Lease();
        handle->session->db = connection->db.get();
        Outcome out;
        try {
            out = RunObjectOperation(*handle->object, op, body);
        } catch (...) {
            out = FailureOutcome(std::current_exception());
        }
        handle->session->db = nullptr;
        GiveBack(std::move(connection), out);
        return out;
    });
    handle->Touch();
}

void Service::State::ReleaseHandle(const Request& req, Response& res, const std::string& id) {
    // The handle is declared before its lock: the lock lets go of it first.
    std::shared_ptr<Handle> handle;
    std::unique_lock<std::timed_mutex> lock;
    Actor actor;
    if (!TakeHandle(req, res, id, handle, lock, actor)) return;
    {
        std::lock_guard<std::mutex> guard(handlesMutex);
        handles.erase(id);
    }
    Reply(res, 200, Json{{"ok", true}, {"released", id}, {"notices", Json::array()}});
}

// Releases the handles left unused longer than the idle limit.
void Service::State::Reap() {
    std::vector<std::shared_ptr<Handle>> expired;
    {
        std::lock_guard<std::mutex> lock(handlesMutex);
        for (auto it = handles.begin(); it != handles.end();) {
            Handle& h = *it->second;
            if (h.Idle() > options.handleIdle && h.busy.try_lock()) {
                h.busy.unlock();
                expired.push_back(std::move(it->second));
                it = handles.erase(it);
            } else {
                ++it;
            }
        }
    }
    // `expired` closes their objects and connections here, outside the lock.
    ExpireSessions();
}

void Service::State::Health(Response& res) {
    std::lock_guard<std::mutex> lock(handlesMutex);
    Reply(res, 200, Json{{"ok", true}, {"objects", handles.size()}, {"notices", Json::array()}});
}

// The endpoints; runs on a worker.
void Service::State::Route(const Request& req, Response& res) {
    static const std::regex kHandlePath(R"(/v1/objects/([0-9a-f]{32}))");
    static const std::set<std::string> kOperations = {"new", "open", "edit", "save", "delete", "check", "proc"};
    std::smatch match;
    try {
        if (req.method == "POST" && req.path.rfind("/v1/", 0) == 0 && kOperations.count(req.path.substr(4)))
            return Operate(req, res, req.path.substr(4));
        if (req.method == "POST" && req.path == "/v1/sql") return Sql(req, res);
        if (req.method == "POST" && req.path == "/v1/login") return Login(req, res);
        if (req.method == "POST" && req.path == "/v1/logout") return Logout(req, res);
        if (req.method == "GET" && req.path == "/v1/audit") return Audit(req, res);
        if (req.method == "GET" && (WebFile(req, res) || WorkspaceRead(req, res))) return;
        if (req.method == "POST" && req.path == "/v1/objects") return CreateHandle(req, res);
        if (std::regex_match(req.path, match, kHandlePath)) {
            if (req.method == "POST") return CallHandle(req, res, match[1].str());
            if (req.method == "DELETE") return ReleaseHandle(req, res, match[1].str());
        }
        ReplyFailure(res, 404, "no endpoint " + req.method + " " + req.path +
                                   "; the endpoints are listed in docs/service.md");
    } catch (...) {
        res = Response{};
        ReplyOutcome(res, FailureOutcome(std::current_exception()), Json::object());
    }
}

void ParseListen(const std::string& text, ServeOptions& options) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        throw InputError("--listen expects HOST:PORT, e.g. 127.0.0.1:8470; got \"" + text + "\"");
    std::string host = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.empty()) host = "127.0.0.1";
    const bool digits = !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(port) > 65535)
        throw InputError("--listen: the port must be a number from 0 to 65535; got \"" + port + "\"");
    options.host = host;
    options.port = std::stoi(port);
}

namespace {

// A certificate or key file as the TLS library takes it: a PEM text of at most 1 MiB.
std::string ReadPemFile(const std::string& path, const char* option) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(std::string(option) + ": cannot read " + path);
    std::string text(1 << 20, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.find("-----BEGIN ") == std::string::npos)
        throw InputError(std::string(option) + ": " + path + " holds no PEM text");
    return text;
}

}  // namespace

std::string ReadTokenFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw InputError("cannot read the token file " + path);
    std::string line;
    std::getline(in, line);
    line = Trim(line);
    if (line.empty()) throw InputError("the token file " + path + " holds no token on its first line");
    return line;
}

Service::Service(GlobalOptions global, ServeOptions options) : state_(std::make_unique<State>()) {
    CheckToken(options.token, "the token");
    CheckToken(options.adminToken, "the administrator's token");
    if (!options.token.empty() && options.token == options.adminToken)
        throw InputError("the token and the administrator's token must differ");
    if (options.threads < 1 || options.threads > 256) throw InputError("--threads must be from 1 to 256");
    if (options.maxBodyBytes < 1024) throw InputError("--max-body must be at least 1024 bytes");
    if (options.maxHandles < 1) throw InputError("--max-objects must be at least 1");
    if (options.dbConnections < 1 || options.dbConnections > 1000)
        throw InputError("--db-connections must be from 1 to 1000");
    if (options.handleIdle.count() < 1) throw InputError("--object-idle must be at least 1 second");
    if (options.requestTimeout.count() < 1) throw InputError("--timeout must be at least 1 second");

    if (options.maxConnections < 1) throw InputError("--max-connections must be at least 1");
    if (options.sessionIdle.count() < 1) throw InputError("--session-idle must be at least 1 second");
    if (options.tlsCertFile.empty() != options.tlsKeyFile.empty())
        throw InputError("HTTPS needs both --tls-cert and --tls-key");

    State& s = *state_;
    s.global = std::move(global);
    s.options = std::move(options);
    if (!s.options.tlsCertFile.empty()) {
        s.tlsCert = ReadPemFile(s.options.tlsCertFile, "--tls-cert");
        s.tlsKey = ReadPemFile(s.options.tlsKeyFile, "--tls-key");
    }
    // The database is checked once before the service opens: a wrong --db is said now,
    // not on the first call. The connection serves the first call.
    s.pool.push_back(std::make_unique<Connection>(Connect(s.global, Mode::Existing)));
    s.poolOpen = 1;
    // A superuser can read the server's files and end other sessions: one request
    // that gets past the checks would reach the whole server.
    if (s.options.token.empty() && s.options.adminToken.empty() && AccountStore(*s.pool.back()->db).List().empty())
        throw InputError(
            "the service needs someone to serve: add an account (humrs user add NAME --role ROLE), give "
            "--token-file or --admin-token-file, or set HUMRS_TOKEN or HUMRS_ADMIN_TOKEN");
    if (s.pool.back()->db->IsSuperuser())
        std::cerr << "humrs serve: warning: the database role is a superuser; run the service as the role "
                     "that owns the HR tables (see docs/service.md)\n";

    State::RaiseOpenFileLimit(s.options.maxConnections);
    s.listenFd = State::Listen(s.options.host, s.options.port, s.port, s.ipv6);
    try {
        s.Start();
    } catch (...) {
        ::close(s.listenFd);
        throw;
    }
    for (int i = 0; i < s.options.threads; ++i) s.workers.emplace_back([&s] { s.WorkerLoop(); });
    s.reaper = std::thread([&s] { s.ReaperLoop(); });
}

Service::~Service() {
    Stop();
    std::lock_guard<std::mutex> lock(state_->runMutex);
    state_->Shutdown();
}

int Service::Port() const { return state_->port; }

size_t Service::DatabaseConnections() const {
    std::lock_guard<std::mutex> lock(state_->poolMutex);
    return state_->poolOpen;
}

void Service::Run() {
    State& s = *state_;
    {
        std::unique_lock<std::mutex> lock(s.reaperMutex);
        s.stopWake.wait(lock, [&] { return s.stopping; });
    }
    std::lock_guard<std::mutex> lock(s.runMutex);
    s.Shutdown();
}

void Service::Stop() {
    {
        std::lock_guard<std::mutex> lock(state_->reaperMutex);
        state_->stopping = true;
    }
    state_->stopWake.notify_all();
}

size_t Service::LiveHandles() const {
    std::lock_guard<std::mutex> lock(state_->handlesMutex);
    return state_->handles.size();
}

Answer RunServe(const GlobalOptions& global, const ServeOptions& options) {
    try {
        // SIGINT and SIGTERM are taken by one watcher thread, which stops the service;
        // every other thread (the workers included) inherits the blocked mask.
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);

        Service service(global, options);
        const bool loopback = options.host == "127.0.0.1" || options.host == "::1" || options.host == "localhost";
        const bool tls = !options.tlsCertFile.empty();
        if (!loopback && !tls)
            std::cerr << "humrs serve: listening on " << options.host
                      << ", not loopback: tokens, passwords and data travel unencrypted; give --tls-cert and "
                         "--tls-key, or put a TLS proxy in front\n";
        Json line = {{"ok", true},
                     {"listening", options.host + ":" + std::to_string(service.Port())},
                     {"scheme", tls ? "https" : "http"},
                     {"database", global.dbPath}};
        std::cout << Dump(line, false) << "\n";
        std::cout.flush();

        std::atomic<bool> done{false};
        std::thread watcher([&] {
            const timespec wait{0, 200 * 1000 * 1000};
            while (!done) {
                if (sigtimedwait(&signals, nullptr, &wait) > 0) {
                    service.Stop();
                    return;
                }
            }
        });
        service.Run();
        done = true;
        watcher.join();
        return Answer{kAccepted, Json{{"ok", true}, {"stopped", true}, {"notices", Json::array()}}};
    } catch (...) {
        const Outcome failed = FailureOutcome(std::current_exception());
        return Failure(ExitCodeOf(failed), failed.error);
    }
}

}  // namespace humrs::cli
