#include "cli/Serve.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "cli/Batch.h"
#include "cli/Connection.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/Json.h"
#include "framework/Outcome.h"
#include "hosting/ClassTable.h"

namespace humrs::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMinTokenLength = 16;

// The HTTP status of an operation's outcome; the body says the rest.
int StatusOf(const Outcome& out) {
    if (out.ok) return 200;
    switch (out.failure) {
        case Outcome::Kind::Refused: return 422;
        case Outcome::Kind::BadInput: return 400;
        default: return 500;
    }
}

void Reply(httplib::Response& res, int status, const Json& body) {
    res.status = status;
    res.set_content(Dump(body, false) + "\n", "application/json; charset=utf-8");
}

void ReplyFailure(httplib::Response& res, int status, const std::string& message) {
    Reply(res, status, Json{{"ok", false}, {"error", message}, {"notices", Json::array()}});
}

void ReplyOutcome(httplib::Response& res, const Outcome& out, Json body) {
    if (!out.ok) {
        body["ok"] = false;
        body["error"] = out.error;
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

void CheckToken(const std::string& token, const char* what) {
    if (token.empty()) return;
    if (token.size() < kMinTokenLength)
        throw InputError(std::string(what) + " is too short: use at least " + std::to_string(kMinTokenLength) +
                         " characters");
    for (unsigned char ch : token)
        if (ch <= ' ' || ch == 0x7f) throw InputError(std::string(what) + " must not hold blanks or control characters");
}

std::string NewHandleId() {
    static std::mutex mutex;
    static std::random_device device;
    std::lock_guard<std::mutex> lock(mutex);
    std::uniform_int_distribution<uint32_t> word;
    char text[33];
    std::snprintf(text, sizeof text, "%08x%08x%08x%08x", word(device), word(device), word(device), word(device));
    return text;
}

Json ParseRequestBody(const httplib::Request& req) {
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

}  // namespace

// One business object kept for a client between calls, on its own connection.
struct Handle {
    std::timed_mutex busy;  // one call at a time
    std::atomic<Clock::rep> lastUsed{Clock::now().time_since_epoch().count()};
    Connection connection;
    std::unique_ptr<TQVXComBase> object;  // declared after its connection: destroyed first

    void Touch() { lastUsed = Clock::now().time_since_epoch().count(); }
    Clock::duration Idle() const { return Clock::now() - Clock::time_point(Clock::duration(lastUsed.load())); }
};

struct Service::State {
    GlobalOptions global;
    ServeOptions options;
    httplib::Server server;
    int port = 0;

    // Connections of the calls that need no handle, kept for the next call.
    std::mutex poolMutex;
    std::vector<std::unique_ptr<Connection>> pool;

    mutable std::mutex handlesMutex;
    std::map<std::string, std::shared_ptr<Handle>> handles;

    std::mutex reaperMutex;
    std::condition_variable reaperWake;
    bool stopping = false;
    std::thread reaper;

    std::unique_ptr<Connection> Lease() {
        {
            std::lock_guard<std::mutex> lock(poolMutex);
            if (!pool.empty()) {
                auto c = std::move(pool.back());
                pool.pop_back();
                return c;
            }
        }
        return std::make_unique<Connection>(Connect(global, Mode::Existing));
    }
    // A connection whose database failed is dropped: the next call opens a fresh one.
    void GiveBack(std::unique_ptr<Connection> c, const Outcome& out) {
        if (out.failure == Outcome::Kind::DatabaseFailure || out.failure == Outcome::Kind::Internal) return;
        std::lock_guard<std::mutex> lock(poolMutex);
        pool.push_back(std::move(c));
    }

    // Whether the request may go on; answers 401 or 403 itself otherwise.
    bool Authorized(const httplib::Request& req, httplib::Response& res, bool admin) {
        const std::string header = req.get_header_value("Authorization");
        const std::string prefix = "Bearer ";
        const std::string presented = header.size() > prefix.size() && SameText(header.substr(0, 7), prefix)
                                          ? Trim(header.substr(prefix.size()))
                                          : std::string();
        const bool isAdmin = SameToken(presented, options.adminToken);
        const bool isUser = isAdmin || SameToken(presented, options.token);
        if (!isUser) {
            res.set_header("WWW-Authenticate", "Bearer");
            ReplyFailure(res, 401,
                         presented.empty() ? "no bearer token: send the header \"Authorization: Bearer <token>\""
                                           : "the bearer token is not valid");
            return false;
        }
        if (admin && !isAdmin) {
            ReplyFailure(res, 403, "only the administrator's token may run SQL statements");
            return false;
        }
        return true;
    }

    // Runs `work` and answers with its outcome; whatever it throws becomes the
    // failure it stands for.
    template <class F>
    void Respond(httplib::Response& res, F&& work) {
        Json body = {{"ok", true}};
        Outcome out;
        try {
            out = work(body);
        } catch (...) {
            out = FailureOutcome(std::current_exception());
        }
        ReplyOutcome(res, out, std::move(body));
    }

    void Operate(const httplib::Request& req, httplib::Response& res, const std::string& kind) {
        if (!Authorized(req, res, false)) return;
        Respond(res, [&](Json& body) {
            Json op = ParseRequestBody(req);
            const std::string progId = ProgIdOf(op);
            op["op"] = kind;
            auto connection = Lease();
            Outcome out;
            try {
                auto object = CreateBusinessObject(progId, *connection->session);
                out = RunObjectOperation(*object, op, body);
            } catch (...) {
                out = FailureOutcome(std::current_exception());
            }
            GiveBack(std::move(connection), out);
            return out;
        });
    }

    void Sql(const httplib::Request& req, httplib::Response& res) {
        if (!Authorized(req, res, true)) return;
        Respond(res, [&](Json& body) {
            const Json request = ParseRequestBody(req);
            if (!request.contains("statement") || !request.at("statement").is_string())
                throw InputError("give the statement as \"statement\", a text");
            auto connection = Lease();
            Outcome out;
            try {
                body = RunSqlStatement(*connection->db, request.at("statement").get<std::string>());
            } catch (...) {
                out = FailureOutcome(std::current_exception());
            }
            GiveBack(std::move(connection), out);
            return out;
        });
    }

    void CreateHandle(const httplib::Request& req, httplib::Response& res) {
        if (!Authorized(req, res, false)) return;
        bool tooMany = false;
        auto full = [&] {
            tooMany = handles.size() >= options.maxHandles;
            return tooMany;
        };
        const std::string limit = "too many live objects (" + std::to_string(options.maxHandles) +
                                  "): release objects you no longer use";
        Respond(res, [&](Json& body) {
            const std::string progId = ProgIdOf(ParseRequestBody(req));
            {
                std::lock_guard<std::mutex> lock(handlesMutex);
                if (full()) return FailureOutcome(Outcome::Kind::BadInput, limit);
            }
            auto handle = std::make_shared<Handle>();
            handle->connection = Connect(global, Mode::Existing);
            handle->object = CreateBusinessObject(progId, *handle->connection.session);
            const std::string id = NewHandleId();
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

    std::shared_ptr<Handle> FindHandle(const std::string& id) {
        std::lock_guard<std::mutex> lock(handlesMutex);
        auto found = handles.find(id);
        return found == handles.end() ? nullptr : found->second;
    }

    void NoHandle(httplib::Response& res, const std::string& id) {
        ReplyFailure(res, 404, "no live object " + id + ": it was released, or it expired after " +
                                   std::to_string(options.handleIdle.count()) + " s unused");
    }

    void Busy(httplib::Response& res) {
        ReplyFailure(res, 503, "the object is still busy with another call after " +
                                   std::to_string(options.requestTimeout.count()) + " s; try again");
    }

    void CallHandle(const httplib::Request& req, httplib::Response& res, const std::string& id) {
        if (!Authorized(req, res, false)) return;
        auto handle = FindHandle(id);
        if (!handle) return NoHandle(res, id);
        std::unique_lock<std::timed_mutex> lock(handle->busy, options.requestTimeout);
        if (!lock.owns_lock()) return Busy(res);
        handle->Touch();
        Respond(res, [&](Json& body) {
            const Json op = ParseRequestBody(req);
            return RunObjectOperation(*handle->object, op, body);
        });
        handle->Touch();
    }

    void ReleaseHandle(const httplib::Request& req, httplib::Response& res, const std::string& id) {
        if (!Authorized(req, res, false)) return;
        auto handle = FindHandle(id);
        if (!handle) return NoHandle(res, id);
        std::unique_lock<std::timed_mutex> lock(handle->busy, options.requestTimeout);
        if (!lock.owns_lock()) return Busy(res);
        {
            std::lock_guard<std::mutex> guard(handlesMutex);
            handles.erase(id);
        }
        Reply(res, 200, Json{{"ok", true}, {"released", id}, {"notices", Json::array()}});
    }

    // Releases the handles left unused longer than the idle limit.
    void Reap() {
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
    }

    void ReaperLoop() {
        const auto period = std::min<Clock::duration>(options.handleIdle / 2, std::chrono::seconds(1));
        std::unique_lock<std::mutex> lock(reaperMutex);
        while (!stopping) {
            reaperWake.wait_for(lock, period);
            if (stopping) break;
            lock.unlock();
            Reap();
            lock.lock();
        }
    }

    void Routes() {
        server.Get("/v1/health", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(handlesMutex);
            Reply(res, 200, Json{{"ok", true}, {"objects", handles.size()}, {"notices", Json::array()}});
        });
        for (const char* kind : {"new", "open", "edit", "save", "delete", "check", "proc"}) {
            const std::string name = kind;
            server.Post("/v1/" + name,
                        [this, name](const httplib::Request& req, httplib::Response& res) { Operate(req, res, name); });
        }
        server.Post("/v1/sql", [this](const httplib::Request& req, httplib::Response& res) { Sql(req, res); });
        server.Post("/v1/objects",
                    [this](const httplib::Request& req, httplib::Response& res) { CreateHandle(req, res); });
        server.Post(R"(/v1/objects/([0-9a-f]{32}))", [this](const httplib::Request& req, httplib::Response& res) {
            CallHandle(req, res, req.matches[1].str());
        });
        server.Delete(R"(/v1/objects/([0-9a-f]{32}))", [this](const httplib::Request& req, httplib::Response& res) {
            ReleaseHandle(req, res, req.matches[1].str());
        });
        // Unknown routes, oversized bodies and malformed requests get a JSON answer too.
        server.set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
            if (!res.body.empty()) return;
            switch (res.status) {
                case 404:
                    return ReplyFailure(res, 404, "no endpoint " + req.method + " " + req.path +
                                                      "; the endpoints are listed in docs/service.md");
                case 413:
                    return ReplyFailure(res, 413, "the request body is larger than " +
                                                      std::to_string(options.maxBodyBytes) + " bytes");
                case 408: return ReplyFailure(res, 408, "the request did not arrive in time");
                default:
                    return ReplyFailure(res, res.status, "the request was not understood (HTTP " +
                                                             std::to_string(res.status) + ")");
            }
        });
        server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
            const Outcome out = FailureOutcome(error);
            ReplyFailure(res, 500, out.error);
        });
    }
};

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
    if (options.token.empty() && options.adminToken.empty())
        throw InputError(
            "the service needs a bearer token: give --token-file or --admin-token-file, or set HUMRS_TOKEN or "
            "HUMRS_ADMIN_TOKEN");
    CheckToken(options.token, "the token");
    CheckToken(options.adminToken, "the administrator's token");
    if (!options.token.empty() && options.token == options.adminToken)
        throw InputError("the token and the administrator's token must differ");
    if (options.threads < 1 || options.threads > 256) throw InputError("--threads must be from 1 to 256");
    if (options.maxBodyBytes < 1024) throw InputError("--max-body must be at least 1024 bytes");
    if (options.maxHandles < 1) throw InputError("--max-objects must be at least 1");
    if (options.handleIdle.count() < 1) throw InputError("--object-idle must be at least 1 second");
    if (options.requestTimeout.count() < 1) throw InputError("--timeout must be at least 1 second");

    State& s = *state_;
    s.global = std::move(global);
    s.options = std::move(options);
    // The database is checked once before the service opens: a wrong --db is said now,
    // not on the first call. The connection serves the first call.
    s.pool.push_back(std::make_unique<Connection>(Connect(s.global, Mode::Existing)));

    const int threads = s.options.threads;
    s.server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    s.server.set_payload_max_length(s.options.maxBodyBytes);
    s.server.set_read_timeout(s.options.requestTimeout.count(), 0);
    s.server.set_write_timeout(s.options.requestTimeout.count(), 0);
    s.server.set_keep_alive_timeout(5);
    s.Routes();
    if (s.options.port == 0) {
        s.port = s.server.bind_to_any_port(s.options.host);
    } else {
        s.port = s.server.bind_to_port(s.options.host, s.options.port) ? s.options.port : -1;
    }
    if (s.port < 0)
        throw InputError("cannot listen on " + s.options.host + ":" + std::to_string(s.options.port) +
                         " (the address is in use or not this machine's)");
    s.reaper = std::thread([&s] { s.ReaperLoop(); });
}

Service::~Service() {
    Stop();
    {
        std::lock_guard<std::mutex> lock(state_->reaperMutex);
        state_->stopping = true;
    }
    state_->reaperWake.notify_all();
    if (state_->reaper.joinable()) state_->reaper.join();
}

int Service::Port() const { return state_->port; }

void Service::Run() { state_->server.listen_after_bind(); }

void Service::Stop() { state_->server.stop(); }

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
        if (!loopback)
            std::cerr << "humrs serve: listening on " << options.host
                      << ", not loopback: tokens and data travel unencrypted; put a TLS proxy in front\n";
        Json line = {{"ok", true},
                     {"listening", options.host + ":" + std::to_string(service.Port())},
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
