#include "cli/Serve.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <set>
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
// A kept-alive connection that sends nothing for this long is closed (sooner when
// --timeout is shorter).
constexpr int kIdleSeconds = 5;
// Connections accepted beyond --max-connections to be told 503; past these the
// listening socket's backlog waits.
constexpr size_t kRefusedConnections = 64;

// A request as the polling thread has read it whole.
struct Request {
    std::string method;
    std::string path;
    std::string authorization;
    std::string body;
};

// What a request is answered: the status, the JSON body and extra headers.
struct Response {
    int status = 200;
    Json body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// The HTTP status of an operation's outcome; the body says the rest.
int StatusOf(const Outcome& out) {
    if (out.ok) return 200;
    switch (out.failure) {
        case Outcome::Kind::Refused: return 422;
        case Outcome::Kind::BadInput: return 400;
        default: return 500;
    }
}

void Reply(Response& res, int status, const Json& body) {
    res.status = status;
    res.body = body;
}

void ReplyFailure(Response& res, int status, const std::string& message) {
    Reply(res, status, Json{{"ok", false}, {"error", message}, {"notices", Json::array()}});
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

void CheckToken(const std::string& token, const char* what) {
    if (token.empty()) return;
    if (token.size() < kMinTokenLength)
        throw InputError(std::string(what) + " is too short: use at least " + std::to_string(kMinTokenLength) +
                         " characters");
    for (unsigned char ch : token)
        if (ch <= ' ' || ch == 0x7f) throw InputError(std::string(what) + " must not hold blanks or control characters");
}

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

// Opens the listening socket itself, without port reuse: a port another process
// listens on is refused, so two services never share one port.
int Listen(const std::string& host, int port, int& boundPort, bool& ipv6) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const std::string where = host + ":" + service;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found)
        throw InputError("cannot listen on " + where + ": the host is not known");
    int error = 0;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        // Reuse of an address in TIME_WAIT only; a listening socket still holds its port.
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 511) != 0) {
            error = errno;
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd < 0)
        throw InputError("cannot listen on " + where + ": " +
                         (error == EADDRINUSE ? std::string("the address is in use, by another service perhaps")
                                              : std::string(std::strerror(error))));
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    ipv6 = bound.ss_family == AF_INET6;
    boundPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                  : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return fd;
}

// Room for the connections allowed and the ones turned away, with the files and
// database connections the service keeps besides.
void RaiseOpenFileLimit(size_t connections) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = static_cast<rlim_t>(connections + kRefusedConnections + 256);
    if (limit.rlim_cur >= wanted) return;
    limit.rlim_cur = std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);  // at worst the old limit stays
}

}  // namespace

// One business object kept for a client between calls. It holds its own session
// (login, context, server date) but no database connection: each call borrows one
// from the pool and points the session at it for the call's length.
struct Handle {
    std::timed_mutex busy;  // one call at a time
    std::atomic<Clock::rep> lastUsed{Clock::now().time_since_epoch().count()};
    std::unique_ptr<Session> session;
    std::unique_ptr<TQVXComBase> object;  // declared after its session: destroyed first

    void Touch() { lastUsed = Clock::now().time_since_epoch().count(); }
    Clock::duration Idle() const { return Clock::now() - Clock::time_point(Clock::duration(lastUsed.load())); }
};

// A client's connection as the polling thread sees it. Between requests, and while
// a request arrives, the clock runs from `since`; a request still incomplete
// --timeout later is answered 408 and the connection closed.
struct ClientConnection {
    int fd = -1;
    bool refused = false;  // over --max-connections: told 503
    bool reading = true;   // no complete request is being served
    Clock::time_point since = Clock::now();
};

// One request from its headers to its answer.
struct Exchange {
    Request request;
    ClientConnection* client = nullptr;
    MHD_Connection* connection = nullptr;
    bool tooLarge = false;
    bool queued = false;  // handed to the workers
    bool answered = false;
    Response response;
};

// No database connection came free within the time a call may wait: answered 503.
struct PoolExhausted : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Service::State {
    GlobalOptions global;
    ServeOptions options;
    MHD_Daemon* daemon = nullptr;
    int listenFd = -1;
    int port = 0;
    bool ipv6 = false;

    // Database connections: at most --db-connections open, idle ones kept for the
    // next call; a call waits up to --timeout for one to come free.
    std::mutex poolMutex;
    std::condition_variable poolFree;
    std::vector<std::unique_ptr<Connection>> pool;
    size_t poolOpen = 0;  // idle and lent

    mutable std::mutex handlesMutex;
    std::map<std::string, std::shared_ptr<Handle>> handles;

    // Complete requests waiting for a worker; the workers never touch a socket.
    std::mutex jobsMutex;
    std::condition_variable jobsWake;
    std::deque<Exchange*> jobs;
    size_t running = 0;
    std::vector<std::thread> workers;

    // The clients' connections, for the arrival deadline.
    std::mutex clientsMutex;
    std::set<ClientConnection*> clients;
    size_t inFlight = 0;  // requests handed to workers whose answer is not yet sent
    std::condition_variable drained;

    std::mutex reaperMutex;
    std::condition_variable reaperWake;
    std::condition_variable stopWake;
    std::mutex runMutex;  // one Shutdown at a time
    bool stopping = false;  // Stop() was called
    bool closing = false;   // the threads are told to end
    bool stopped = false;   // the daemon is gone
    std::thread reaper;

    std::unique_ptr<Connection> Lease() {
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
    void GiveBack(std::unique_ptr<Connection> c, const Outcome& out) {
        if (out.failure == Outcome::Kind::DatabaseFailure || out.failure == Outcome::Kind::Internal) {
            c.reset();
            return Closed();
        }
        std::lock_guard<std::mutex> lock(poolMutex);
        pool.push_back(std::move(c));
        poolFree.notify_one();
    }
    void Closed() {
        std::lock_guard<std::mutex> lock(poolMutex);
        --poolOpen;
        poolFree.notify_one();
    }

    // Whether the request may go on; answers 401 or 403 itself otherwise.
    bool Authorized(const Request& req, Response& res, bool admin) {
        const std::string& header = req.authorization;
        const std::string prefix = "Bearer ";
        const std::string presented = header.size() > prefix.size() && SameText(header.substr(0, 7), prefix)
                                          ? Trim(header.substr(prefix.size()))
                                          : std::string();
        const bool isAdmin = SameToken(presented, options.adminToken);
        const bool isUser = isAdmin || SameToken(presented, options.token);
        if (!isUser) {
            res.headers.emplace_back("WWW-Authenticate", "Bearer");
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
    void Respond(Response& res, F&& work) {
        Json body = {{"ok", true}};
        Outcome out;
        try {
            out = work(body);
        } catch (const PoolExhausted& e) {
            return ReplyFailure(res, 503, e.what());
        } catch (...) {
            out = FailureOutcome(std::current_exception());
        }
        ReplyOutcome(res, out, std::move(body));
    }

    void Operate(const Request& req, Response& res, const std::string& kind) {
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

    void Sql(const Request& req, Response& res) {
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

    void CreateHandle(const Request& req, Response& res) {
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
            auto connection = Lease();
            handle->session = std::make_unique<Session>(*connection->session);
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

    std::shared_ptr<Handle> FindHandle(const std::string& id) {
        std::lock_guard<std::mutex> lock(handlesMutex);
        auto found = handles.find(id);
        return found == handles.end() ? nullptr : found->second;
    }

    void NoHandle(Response& res, const std::string& id) {
        ReplyFailure(res, 404, "no live object " + id + ": it was released, or it expired after " +
                                   std::to_string(options.handleIdle.count()) + " s unused");
    }

    void Busy(Response& res) {
        ReplyFailure(res, 503, "the object is still busy with another call after " +
                                   std::to_string(options.requestTimeout.count()) + " s; try again");
    }

    void CallHandle(const Request& req, Response& res, const std::string& id) {
        if (!Authorized(req, res, false)) return;
        auto handle = FindHandle(id);
        if (!handle) return NoHandle(res, id);
        std::unique_lock<std::timed_mutex> lock(handle->busy, options.requestTimeout);
        if (!lock.owns_lock()) return Busy(res);
        handle->Touch();
        Respond(res, [&](Json& body) {
            const Json op = ParseRequestBody(req);
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

    void ReleaseHandle(const Request& req, Response& res, const std::string& id) {
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

    // Answers 408 on the connections whose request has not arrived in time and
    // closes them. Connections that sent nothing at all the polling thread closes
    // itself after kIdleSeconds, no later than this deadline, so only a request
    // begun and left unfinished is told.
    void ExpireSlowClients() {
        const auto deadline = options.requestTimeout + std::chrono::milliseconds(500);
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> lock(clientsMutex);
        for (ClientConnection* client : clients) {
            if (!client->reading || client->fd < 0 || now - client->since < deadline) continue;
            const std::string body = Dump(Json{{"ok", false},
                                               {"error", "the request did not arrive in time"},
                                               {"notices", Json::array()}},
                                          false) +
                                     "\n";
            const std::string answer = "HTTP/1.1 408 Request Timeout\r\nConnection: close\r\n"
                                       "Content-Type: application/json; charset=utf-8\r\nContent-Length: " +
                                       std::to_string(body.size()) + "\r\n\r\n" + body;
            // The polling thread writes nothing to a connection still reading its
            // request; a client that reads nothing may lose this answer, never block it.
            [[maybe_unused]] const ssize_t sent = ::send(client->fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::shutdown(client->fd, SHUT_RDWR);
            client->reading = false;  // the polling thread closes it on its next turn
        }
    }

    void ReaperLoop() {
        const auto period = std::chrono::milliseconds(250);
        auto lastReap = Clock::now();
        std::unique_lock<std::mutex> lock(reaperMutex);
        while (!closing) {
            reaperWake.wait_for(lock, period);
            if (closing) break;
            lock.unlock();
            ExpireSlowClients();
            if (Clock::now() - lastReap >= std::min<Clock::duration>(options.handleIdle / 2, std::chrono::seconds(1))) {
                Reap();
                lastReap = Clock::now();
            }
            lock.lock();
        }
    }

    void Health(Response& res) {
        std::lock_guard<std::mutex> lock(handlesMutex);
        Reply(res, 200, Json{{"ok", true}, {"objects", handles.size()}, {"notices", Json::array()}});
    }

    // The endpoints; runs on a worker.
    void Route(const Request& req, Response& res) {
        static const std::regex kHandlePath(R"(/v1/objects/([0-9a-f]{32}))");
        static const std::set<std::string> kOperations = {"new", "open", "edit", "save", "delete", "check", "proc"};
        std::smatch match;
        try {
            if (req.method == "POST" && req.path.rfind("/v1/", 0) == 0 && kOperations.count(req.path.substr(4)))
                return Operate(req, res, req.path.substr(4));
            if (req.method == "POST" && req.path == "/v1/sql") return Sql(req, res);
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

    void WorkerLoop() {
        std::unique_lock<std::mutex> lock(jobsMutex);
        while (true) {
            jobsWake.wait(lock, [&] { return closing || !jobs.empty(); });
            if (jobs.empty()) return;
            Exchange* exchange = jobs.front();
            jobs.pop_front();
            ++running;
            lock.unlock();
            Route(exchange->request, exchange->response);
            lock.lock();
            --running;
            exchange->answered = true;
            MHD_resume_connection(exchange->connection);
        }
    }

    // Hands a complete request to the workers; false when too many wait already.
    bool Enqueue(Exchange* exchange) {
        std::lock_guard<std::mutex> lock(jobsMutex);
        if (jobs.size() >= 16 * workers.size() + 64) return false;
        exchange->queued = true;
        MHD_suspend_connection(exchange->connection);
        jobs.push_back(exchange);
        jobsWake.notify_one();
        return true;
    }

    // ---- the polling thread's side

    static MHD_Result Queue(MHD_Connection* connection, const Response& res, bool close = false) {
        const std::string text = Dump(res.body, false) + "\n";
        MHD_Response* response =
            MHD_create_response_from_buffer(text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
        if (!response) return MHD_NO;
        MHD_add_response_header(response, "Content-Type", "application/json; charset=utf-8");
        for (const auto& [name, value] : res.headers) MHD_add_response_header(response, name.c_str(), value.c_str());
        if (close) MHD_add_response_header(response, "Connection", "close");
        const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(res.status), response);
        MHD_destroy_response(response);
        return queued;
    }

    static MHD_Result QueueFailure(MHD_Connection* connection, int status, const std::string& message) {
        Response res;
        ReplyFailure(res, status, message);
        return Queue(connection, res, true);
    }

    MHD_Result OnRequest(MHD_Connection* connection, const char* url, const char* method, const char* upload,
                         size_t* uploadSize, void** context) {
        auto* exchange = static_cast<Exchange*>(*context);
        if (!exchange) {
            // The headers have arrived.
            exchange = new Exchange;
            *context = exchange;
            exchange->connection = connection;
            const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
            exchange->client = info ? static_cast<ClientConnection*>(info->socket_context) : nullptr;
            exchange->request.method = method;
            exchange->request.path = url;
            if (const char* auth = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Authorization"))
                exchange->request.authorization = auth;
            if (exchange->client && exchange->client->refused) {
                Serving(exchange);
                return QueueFailure(connection, 503,
                                    "the service has " + std::to_string(options.maxConnections) +
                                        " connections open, as many as it takes; try again later");
            }
            if (const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length")) {
                char* end = nullptr;
                const unsigned long long declared = std::strtoull(length, &end, 10);
                if (declared > options.maxBodyBytes) exchange->tooLarge = true;
            }
            // An oversized body is still read, and thrown away, before the 413: a
            // client that is still writing it would not see an earlier answer.
            return MHD_YES;
        }
        if (exchange->answered) return Queue(connection, exchange->response);
        if (*uploadSize > 0) {
            if (!exchange->tooLarge && exchange->request.body.size() + *uploadSize > options.maxBodyBytes) {
                exchange->tooLarge = true;
                exchange->request.body.clear();
            }
            if (!exchange->tooLarge) exchange->request.body.append(upload, *uploadSize);
            *uploadSize = 0;
            return MHD_YES;
        }
        // The whole request is here, or all of it that will be read: from now on no
        // deadline runs for it.
        Serving(exchange);
        if (exchange->tooLarge) return QueueTooLarge(connection);
        if (exchange->request.method == "GET" && exchange->request.path == "/v1/health") {
            Response res;
            Health(res);
            return Queue(connection, res);
        }
        {
            std::lock_guard<std::mutex> lock(reaperMutex);
            if (stopping) return QueueFailure(connection, 503, "the service is stopping");
        }
        {
            std::lock_guard<std::mutex> lock(clientsMutex);
            ++inFlight;
        }
        if (Enqueue(exchange)) return MHD_YES;
        Finished();
        return QueueFailure(connection, 503, "the service is busy: too many calls wait already; try again");
    }

    void Serving(Exchange* exchange) {
        if (!exchange->client) return;
        std::lock_guard<std::mutex> lock(clientsMutex);
        exchange->client->reading = false;
    }

    MHD_Result QueueTooLarge(MHD_Connection* connection) {
        return QueueFailure(connection, 413,
                            "the request body is larger than " + std::to_string(options.maxBodyBytes) + " bytes");
    }

    // A request handed to the workers has had its answer sent, or its connection died.
    void Finished() {
        std::lock_guard<std::mutex> lock(clientsMutex);
        if (inFlight > 0) --inFlight;
        drained.notify_all();
    }

    void OnCompleted(void** context) {
        auto* exchange = static_cast<Exchange*>(*context);
        if (!exchange) return;
        if (exchange->queued) Finished();
        if (exchange->client) {
            std::lock_guard<std::mutex> lock(clientsMutex);
            exchange->client->reading = true;
            exchange->client->since = Clock::now();
        }
        delete exchange;
        *context = nullptr;
    }

    void OnConnection(MHD_Connection* connection, void** socketContext, MHD_ConnectionNotificationCode code) {
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            auto* client = new ClientConnection;
            if (const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD)) {
                client->fd = info->connect_fd;
                // Small answers go out at once, not after the client's delayed acknowledgement.
                const int on = 1;
                ::setsockopt(client->fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            }
            std::lock_guard<std::mutex> lock(clientsMutex);
            client->refused = clients.size() >= options.maxConnections;
            clients.insert(client);
            *socketContext = client;
        } else if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
            auto* client = static_cast<ClientConnection*>(*socketContext);
            if (!client) return;
            {
                std::lock_guard<std::mutex> lock(clientsMutex);
                clients.erase(client);
            }
            delete client;
            *socketContext = nullptr;
        }
    }

    void Start() {
        const unsigned idle = static_cast<unsigned>(std::min<int64_t>(kIdleSeconds, options.requestTimeout.count()));
        unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME;
        if (ipv6) flags |= MHD_USE_IPv6;
        daemon = MHD_start_daemon(
            flags, 0, nullptr, nullptr,
            +[](void* cls, MHD_Connection* c, const char* url, const char* method, const char*, const char* upload,
                size_t* uploadSize, void** context) {
                return static_cast<State*>(cls)->OnRequest(c, url, method, upload, uploadSize, context);
            },
            this, MHD_OPTION_LISTEN_SOCKET, listenFd, MHD_OPTION_CONNECTION_LIMIT,
            static_cast<unsigned>(options.maxConnections + kRefusedConnections), MHD_OPTION_CONNECTION_TIMEOUT, idle,
            MHD_OPTION_NOTIFY_COMPLETED,
            +[](void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
                static_cast<State*>(cls)->OnCompleted(context);
            },
            this, MHD_OPTION_NOTIFY_CONNECTION,
            +[](void* cls, MHD_Connection* c, void** socketContext, MHD_ConnectionNotificationCode code) {
                static_cast<State*>(cls)->OnConnection(c, socketContext, code);
            },
            this, MHD_OPTION_END);
        if (!daemon) throw InputError("cannot start serving on " + options.host + ":" + std::to_string(port));
    }

    // Stops taking connections, lets the calls in flight finish and their answers go
    // out (for at most --timeout), then closes everything.
    void Shutdown() {
        if (stopped) return;
        if (daemon) {
            const int quiesced = MHD_quiesce_daemon(daemon);
            if (quiesced >= 0) ::close(quiesced);
            listenFd = -1;
            std::unique_lock<std::mutex> lock(clientsMutex);
            drained.wait_for(lock, options.requestTimeout, [&] { return inFlight == 0; });
        }
        {
            std::lock_guard<std::mutex> lock(jobsMutex);
            closing = true;
        }
        jobsWake.notify_all();
        for (auto& worker : workers)
            if (worker.joinable()) worker.join();
        if (daemon) MHD_stop_daemon(daemon);
        daemon = nullptr;
        if (listenFd >= 0) ::close(listenFd);
        listenFd = -1;
        {
            std::lock_guard<std::mutex> lock(reaperMutex);
            closing = true;
        }
        reaperWake.notify_all();
        if (reaper.joinable()) reaper.join();
        stopped = true;
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
    if (options.dbConnections < 1 || options.dbConnections > 1000)
        throw InputError("--db-connections must be from 1 to 1000");
    if (options.handleIdle.count() < 1) throw InputError("--object-idle must be at least 1 second");
    if (options.requestTimeout.count() < 1) throw InputError("--timeout must be at least 1 second");

    if (options.maxConnections < 1) throw InputError("--max-connections must be at least 1");

    State& s = *state_;
    s.global = std::move(global);
    s.options = std::move(options);
    // The database is checked once before the service opens: a wrong --db is said now,
    // not on the first call. The connection serves the first call.
    s.pool.push_back(std::make_unique<Connection>(Connect(s.global, Mode::Existing)));
    s.poolOpen = 1;
    // A superuser can read the server's files and end other sessions: one request
    // that gets past the checks would reach the whole server.
    if (s.pool.back()->db->IsSuperuser())
        std::cerr << "humrs serve: warning: the database role is a superuser; run the service as the role "
                     "that owns the HR tables (see docs/service.md)\n";

    RaiseOpenFileLimit(s.options.maxConnections);
    s.listenFd = Listen(s.options.host, s.options.port, s.port, s.ipv6);
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
