#pragma once
// `humrs serve`: the business objects as an HTTP/JSON service, for clients of the
// suite on other machines. Every operation of the humrs command is an endpoint with
// the same JSON bodies and results; object handles keep one business object (and
// its database connection) alive between calls, as a client of the in-process
// server library keeps its object.
//
//   GET    /v1/health                      no token needed
//   POST   /v1/login                       {"name", "password"} -> session cookie, "csrf"
//   POST   /v1/logout                      ends the session
//   POST   /v1/{new|open|edit|save|delete|check|proc}
//                                          {"progid": ..., the operation's members}
//   POST   /v1/sql                         {"statement": ...} (administrator only)
//   POST   /v1/objects                     {"progid": ...} -> {"handle": ...}
//   POST   /v1/objects/{handle}            {"op": ..., the operation's members}
//   DELETE /v1/objects/{handle}            releases the object
//
// Calls on one handle run one at a time; everything else runs in parallel, each
// call on a database connection of its own. One polling thread reads requests and
// writes answers for every connection; the workers only run complete requests, so
// a slow or idle client holds no worker.
#include <chrono>
#include <memory>
#include <string>

#include "cli/Commands.h"

namespace humrs::cli {

struct ServeOptions {
    std::string host = "127.0.0.1";
    int port = 8470;  // 0: any free port
    // Bearer tokens of the installation, besides the accounts' own: `token` acts for
    // an account holding every role but admin, `adminToken` for an administrator.
    // Without either the database must hold at least one account.
    std::string token;
    std::string adminToken;
    // PEM files of the certificate (chain) and its private key: both set, the
    // service speaks HTTPS only.
    std::string tlsCertFile;
    std::string tlsKeyFile;
    // A signed-in person's session ends after this long without a request.
    std::chrono::seconds sessionIdle{900};
    // After a failed sign-in a name waits this long times its failures in a row
    // (asked sooner: 429 with Retry-After); the tenth locks it for `loginLockout`.
    std::chrono::milliseconds loginDelay{1000};
    std::chrono::seconds loginLockout{300};
    int threads = 8;
    size_t maxBodyBytes = 1 << 20;
    size_t maxHandles = 64;
    std::chrono::seconds handleIdle{300};  // an unused handle is released after this
    // A request must arrive whole within this (else 408), a call on a busy handle
    // waits at most this long (else 503).
    std::chrono::seconds requestTimeout{30};
    // Open client connections; one more is answered 503. Idle kept-alive
    // connections close after 5 s (sooner with a shorter requestTimeout).
    size_t maxConnections = 1000;
    // Open database connections, shared by every call and object handle; a call
    // waits up to requestTimeout for a free one (else 503).
    size_t dbConnections = 8;
};

// Parses --listen: "HOST:PORT", "[IPV6]:PORT" or ":PORT" (loopback). Throws
// InputError naming what is wrong.
void ParseListen(const std::string& text, ServeOptions& options);

// The token in a file: its first line without surrounding blanks. Throws InputError
// when the file cannot be read or holds no token.
std::string ReadTokenFile(const std::string& path);

class Service {
public:
    // Checks the options and the database (it must hold the humrs tables), then binds
    // the address, alone (a port another process listens on is refused), and starts
    // taking connections. Throws InputError or DatabaseError naming what is wrong.
    Service(GlobalOptions global, ServeOptions options);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    int Port() const;
    // Database connections open now, idle and lent.
    size_t DatabaseConnections() const;
    // Serves until Stop() is called (from another thread or a signal watcher), then
    // lets the calls in flight finish and answer.
    void Run();
    void Stop();
    // Live object handles, for tests and the health answer.
    size_t LiveHandles() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Runs the service until SIGINT or SIGTERM; prints one JSON line when it listens.
Answer RunServe(const GlobalOptions& global, const ServeOptions& options);

}  // namespace humrs::cli
