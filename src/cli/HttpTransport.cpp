// The transport of `humrs serve`: one polling thread (libmicrohttpd's) reads
// requests and writes answers for every client connection, keeps the arrival
// deadline and the connection cap, and hands complete requests to a pool of
// workers that never touch a socket.
#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/ServiceState.h"
#include "core/Errors.h"

namespace humrs::cli {

namespace {

// A kept-alive connection that sends nothing for this long is closed (sooner when
// --timeout is shorter).
constexpr int kIdleSeconds = 5;
// Connections accepted beyond --max-connections to be told 503; past these the
// listening socket's backlog waits.
constexpr size_t kRefusedConnections = 64;

}  // namespace

// Opens the listening socket itself, without port reuse: a port another process
// listens on is refused, so two services never share one port.
int Service::State::Listen(const std::string& host, int port, int& boundPort, bool& ipv6) {
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
void Service::State::RaiseOpenFileLimit(size_t connections) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = static_cast<rlim_t>(connections + kRefusedConnections + 256);
    if (limit.rlim_cur >= wanted) return;
    limit.rlim_cur = std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);  // at worst the old limit stays
}

// Answers 408 on the connections whose request has not arrived in time and
// closes them. Connections that sent nothing at all the polling thread closes
// itself after kIdleSeconds, no later than this deadline, so only a request
// begun and left unfinished is told.
void Service::State::ExpireSlowClients() {
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
        // Under TLS plain bytes would only garble the stream: the connection just closes.
        if (tlsCert.empty()) {
            [[maybe_unused]] const ssize_t sent =
                ::send(client->fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        ::shutdown(client->fd, SHUT_RDWR);
        client->reading = false;  // the polling thread closes it on its next turn
    }
}

void Service::State::ReaperLoop() {
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

void Service::State::WorkerLoop() {
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
bool Service::State::Enqueue(Exchange* exchange) {
    std::lock_guard<std::mutex> lock(jobsMutex);
    if (jobs.size() >= 16 * workers.size() + 64) return false;
    exchange->queued = true;
    MHD_suspend_connection(exchange->connection);
    jobs.push_back(exchange);
    jobsWake.notify_one();
    return true;
}

// ---- the polling thread's side

MHD_Result Service::State::Queue(MHD_Connection* connection, const Response& res, bool close) {
    const bool file = !res.contentType.empty();
    const std::string text = file ? std::string() : Dump(res.body, false) + "\n";
    // An embedded file lives as long as the program: it is sent from where it is.
    MHD_Response* response =
        file ? MHD_create_response_from_buffer(res.raw.size(), const_cast<char*>(res.raw.data()),
                                               MHD_RESPMEM_PERSISTENT)
             : MHD_create_response_from_buffer(text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, "Content-Type",
                            file ? res.contentType.c_str() : "application/json; charset=utf-8");
    for (const auto& [name, value] : res.headers) MHD_add_response_header(response, name.c_str(), value.c_str());
    if (close) MHD_add_response_header(response, "Connection", "close");
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(res.status), response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result Service::State::QueueFailure(MHD_Connection* connection, int status, const std::string& message) {
    Response res;
    ReplyFailure(res, status, message);
    return Queue(connection, res, true);
}

MHD_Result Service::State::OnRequest(MHD_Connection* connection, const char* url, const char* method,
                                     const char* upload, size_t* uploadSize, void** context) {
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
        if (const char* cookie = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Cookie"))
            exchange->request.cookie = cookie;
        if (const char* csrf = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-CSRF-Token"))
            exchange->request.csrf = csrf;
        MHD_get_connection_values_n(
            connection, MHD_GET_ARGUMENT_KIND,
            +[](void* cls, MHD_ValueKind, const char* name, size_t nameSize, const char* value, size_t valueSize) {
                static_cast<Request*>(cls)->query.emplace_back(std::string(name, nameSize),
                                                               value ? std::string(value, valueSize) : std::string());
                return MHD_YES;
            },
            &exchange->request);
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

void Service::State::Serving(Exchange* exchange) {
    if (!exchange->client) return;
    std::lock_guard<std::mutex> lock(clientsMutex);
    exchange->client->reading = false;
}

MHD_Result Service::State::QueueTooLarge(MHD_Connection* connection) {
    return QueueFailure(connection, 413,
                        "the request body is larger than " + std::to_string(options.maxBodyBytes) + " bytes");
}

// A request handed to the workers has had its answer sent, or its connection died.
void Service::State::Finished() {
    std::lock_guard<std::mutex> lock(clientsMutex);
    if (inFlight > 0) --inFlight;
    drained.notify_all();
}

void Service::State::OnCompleted(void** context) {
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

void Service::State::OnConnection(MHD_Connection* connection, void** socketContext,
                                  MHD_ConnectionNotificationCode code) {
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

void Service::State::Start() {
    const unsigned idle = static_cast<unsigned>(std::min<int64_t>(kIdleSeconds, options.requestTimeout.count()));
    unsigned flags = MHD_USE_AUTO_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME;
    if (ipv6) flags |= MHD_USE_IPv6;
    const bool tls = !tlsCert.empty();
    if (tls) {
        if (MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES)
            throw InputError("this build of libmicrohttpd has no TLS: serve plain HTTP behind a TLS proxy");
        flags |= MHD_USE_TLS;
    }
    // The certificate options come last: without TLS they end the list early.
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
        this, tls ? MHD_OPTION_HTTPS_MEM_CERT : MHD_OPTION_END, tlsCert.c_str(), MHD_OPTION_HTTPS_MEM_KEY,
        tlsKey.c_str(), MHD_OPTION_END);
    if (!daemon)
        throw InputError("cannot start serving on " + options.host + ":" + std::to_string(port) +
                         (tls ? ": the TLS certificate or key was not taken (a PEM certificate and its unencrypted "
                                "private key)"
                              : ""));
}

// Stops taking connections, lets the calls in flight finish and their answers go
// out (for at most --timeout), then closes everything.
void Service::State::Shutdown() {
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

}  // namespace humrs::cli
