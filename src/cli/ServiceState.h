#pragma once
// The inside of `humrs serve`, shared by its two halves: the HTTP transport
// (HttpTransport.cpp: the polling thread, client connections, the worker pool) and
// the endpoints (Serve.cpp: tokens, business objects, the database connection pool).
#include <microhttpd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "cli/Connection.h"
#include "cli/Serve.h"
#include "framework/Json.h"
#include "framework/Outcome.h"
#include "framework/Session.h"
#include "hosting/ClassTable.h"

namespace humrs::cli {

using Clock = std::chrono::steady_clock;

// A request as the polling thread has read it whole.
struct Request {
    std::string method;
    std::string path;
    std::string authorization;
    std::string cookie;
    std::string csrf;  // X-CSRF-Token
    std::string body;
    // The arguments of the URL (?name=value&...), decoded, in order.
    std::vector<std::pair<std::string, std::string>> query;
};

// What a request is answered: the status, the JSON body and extra headers. A file
// of the workspace goes out as `raw` with its own `contentType` instead of the JSON.
struct Response {
    int status = 200;
    Json body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string_view raw;  // the embedded file's bytes; they live as long as the program
    std::string contentType;  // set: `raw` is the body
};

inline void Reply(Response& res, int status, const Json& body) {
    res.status = status;
    res.body = body;
}

inline void ReplyFailure(Response& res, int status, const std::string& message) {
    Reply(res, status, Json{{"ok", false}, {"error", message}, {"notices", Json::array()}});
}

// Shared by the endpoints (Serve.cpp) and the sign-in (ServiceSignIn.cpp).
// The HTTP status of an operation's outcome.
int StatusOf(const Outcome& out);
// `words` random 32-bit words as hex digits.
std::string RandomHex(int words);
// Answers with an outcome: refusals and bad input with their message, failures of
// the database or the service by a request id (the details go to the log).
void ReplyOutcome(Response& res, const Outcome& out, Json body);
// Whether a presented token is the configured one, in time that does not depend on
// where they differ; false when none is configured.
bool SameToken(const std::string& presented, const std::string& expected);
// The request's body as a JSON object; InputError otherwise.
Json ParseRequestBody(const Request& req);
// The request's "progid", a known ProgID; InputError otherwise.
std::string ProgIdOf(const Json& body);


// One business object kept for a client between calls. It holds its own session
// (login, context, server date) but no database connection: each call borrows one
// from the pool and points the session at it for the call's length.
struct Handle {
    std::timed_mutex busy;  // one call at a time
    std::string owner;      // the account that made it; no other account sees it
    std::string progId;
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

// The caller's roles do not allow the operation: answered 403 naming the role.
struct Forbidden : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A person signed in through /v1/login, known by the session cookie.
struct SignedIn {
    std::string name;
    std::string csrf;  // the anti-forgery token every changing request repeats
    Clock::time_point lastUsed;
};

// Failed sign-ins of one name in a row: the next try waits until `next`; the tenth
// locks the name until `lockedUntil`.
struct SignInFailures {
    int count = 0;
    Clock::time_point next;
    Clock::time_point lockedUntil;
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

    std::string tlsCert, tlsKey;  // PEM texts, kept for the daemon's life

    std::mutex sessionsMutex;
    std::map<std::string, SignedIn> sessions;         // by session id
    std::map<std::string, SignInFailures> failures;  // by lower-case name
    size_t signingIn = 0;  // passwords being checked now: at most half the workers

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

    // ---- the endpoints (Serve.cpp)

    std::unique_ptr<Connection> Lease();
    void GiveBack(std::unique_ptr<Connection> c, const Outcome& out);
    void Closed();
    Outcome OnLeased(const std::function<Outcome(Connection&)>& call);

    std::optional<Actor> Authenticate(const Request& req, Response& res);
    std::optional<Actor> FromSession(const Request& req, Response& res, const std::string& id);
    std::optional<Actor> ActorOf(const std::string& name, bool byToken, const std::string& secret);
    void Login(const Request& req, Response& res);
    void Logout(const Request& req, Response& res);
    void ExpireSessions();
    void Respond(Response& res, const std::function<Outcome(Json&)>& work);

    void Operate(const Request& req, Response& res, const std::string& kind);
    void Sql(const Request& req, Response& res);
    void Audit(const Request& req, Response& res);
    void CreateHandle(const Request& req, Response& res);
    std::shared_ptr<Handle> FindHandle(const std::string& id);
    void NoHandle(Response& res, const std::string& id);
    void Busy(Response& res);
    bool TakeHandle(const Request& req, Response& res, const std::string& id, std::shared_ptr<Handle>& handle,
                    std::unique_lock<std::timed_mutex>& lock, Actor& actor);
    void CallHandle(const Request& req, Response& res, const std::string& id);
    void ReleaseHandle(const Request& req, Response& res, const std::string& id);
    void Reap();
    void Health(Response& res);
    void Route(const Request& req, Response& res);

    // ---- the workspace: its files and its reading endpoints (ServeWorkspace.cpp)

    // Answers GET / and GET /app/<file>; false when the path is neither.
    bool WebFile(const Request& req, Response& res);
    // Answers the workspace's GET endpoints; false when the path is none of them.
    bool WorkspaceRead(const Request& req, Response& res);

    // ---- the transport (HttpTransport.cpp)

    static int Listen(const std::string& host, int port, int& boundPort, bool& ipv6);
    static void RaiseOpenFileLimit(size_t connections);

    void ExpireSlowClients();
    void ReaperLoop();
    void WorkerLoop();
    bool Enqueue(Exchange* exchange);

    static MHD_Result Queue(MHD_Connection* connection, const Response& res, bool close = false);
    static MHD_Result QueueFailure(MHD_Connection* connection, int status, const std::string& message);
    MHD_Result OnRequest(MHD_Connection* connection, const char* url, const char* method, const char* upload,
                         size_t* uploadSize, void** context);
    void Serving(Exchange* exchange);
    MHD_Result QueueTooLarge(MHD_Connection* connection);
    void Finished();
    void OnCompleted(void** context);
    void OnConnection(MHD_Connection* connection, void** socketContext, MHD_ConnectionNotificationCode code);
    void Start();
    void Shutdown();
};

}  // namespace humrs::cli
