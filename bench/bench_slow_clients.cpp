// What slow and idle clients cost the other clients of `humrs serve`: the latency
// of /v1/health and of a save, first with no other client (the bare cost), then
// while 500 other connections stay open, half of them sending one header byte a
// second and half sending nothing (each reopened when the service closes it).
// Both measured in the same run, against the humrs program beside this one.
//
//   bench_slow_clients [--connections N] [--calls N] [--seconds N] [--humrs PATH]
//
// Prints, per phase, the median, the 99th percentile and the worst time of each call.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Loopback.h"

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

const std::string kToken = "bench-client-token-0123456789";

int Connect(int port) { return humrs::testing::ConnectLoopback(port); }

// Sends one request on a new connection and reads the whole answer; the status, or 0.
int Call(int port, const std::string& request) {
    const int fd = Connect(port);
    if (fd < 0) return 0;
    int status = 0;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
        std::string text;
        char buffer[8192];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) text.append(buffer, static_cast<size_t>(n));
        if (text.size() > 12) status = std::atoi(text.c_str() + 9);
    }
    ::close(fd);
    return status;
}

std::string Post(const std::string& path, const std::string& body) {
    return "POST " + path + " HTTP/1.1\r\nHost: bench\r\nConnection: close\r\nAuthorization: Bearer " + kToken +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

struct Figures {
    std::vector<double> health, save;
    int failed = 0;
};

// `calls` health calls and saves, spread evenly over `seconds`, so that a crowded
// phase sees idle connections closed and opened again.
Figures Measure(int port, int calls, int seconds, const std::string& phase) {
    Figures f;
    const auto spacing = std::chrono::milliseconds(1000) * seconds / std::max(calls, 1);
    auto next = Clock::now();
    const std::string health = "GET /v1/health HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n\r\n";
    for (int i = 0; i < calls; ++i) {
        auto begin = Clock::now();
        if (Call(port, health) != 200) ++f.failed;
        f.health.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        const std::string id = phase + std::to_string(i);
        const std::string bill = R"({"progid":"QVXHumrs.ExcuseCls","bill":{"datasets":[[{"ExcuseClsID":")" + id +
                                 R"(","ExcuseClsName":"bench","ExcuseUnit":1}]]}})";
        begin = Clock::now();
        if (Call(port, Post("/v1/save", bill)) != 200) ++f.failed;
        f.save.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        next += spacing;
        std::this_thread::sleep_until(next);
    }
    return f;
}

void Print(const char* phase, const char* call, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))]; };
    std::printf("%-28s %-8s %6zu calls  median %8.2f ms  p99 %8.2f ms  worst %8.2f ms\n", phase, call, ms.size(),
                at(0.5), at(0.99), ms.back());
}

// The other clients: half send one byte of a never-ending header each second, half
// send nothing; a connection the service closes is opened again.
class Crowd {
public:
    Crowd(int port, int count) : port_(port), fds_(static_cast<size_t>(count), -1), sent_(fds_.size(), 0) {}
    void Start() {
        for (size_t i = 0; i < fds_.size(); ++i) fds_[i] = Connect(port_);
        thread_ = std::thread([this] { Loop(); });
    }
    void Stop() {
        done_ = true;
        thread_.join();
        for (int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    int Open() const {
        int n = 0;
        for (int fd : fds_) n += fd >= 0;
        return n;
    }
    int Reopened() const { return reopened_; }

private:
    void Loop() {
        const std::string header = "POST /v1/save HTTP/1.1\r\nHost: bench\r\nX-Slow: " + std::string(4096, 's');
        auto next = Clock::now();
        while (!done_) {
            next += std::chrono::seconds(1);
            for (size_t i = 0; i < fds_.size() && !done_; ++i) {
                char byte;
                const bool closed = fds_[i] < 0 || ::recv(fds_[i], &byte, 1, MSG_DONTWAIT) >= 0 ||
                                    (errno != EAGAIN && errno != EWOULDBLOCK);
                if (closed) {
                    if (fds_[i] >= 0) ::close(fds_[i]);
                    fds_[i] = Connect(port_);
                    sent_[i] = 0;
                    ++reopened_;
                }
                if (i % 2 == 0 && fds_[i] >= 0) ::send(fds_[i], &header[sent_[i]++ % header.size()], 1, MSG_NOSIGNAL);
            }
            std::this_thread::sleep_until(next);
        }
    }

    int port_;
    std::vector<int> fds_;
    std::vector<size_t> sent_;
    std::atomic<bool> done_{false};
    std::atomic<int> reopened_{0};
    std::thread thread_;
};


}  // namespace

int main(int argc, char** argv) {
    int connections = 500, calls = 200, seconds = 12;
    std::string humrs = (fs::read_symlink("/proc/self/exe").parent_path() / "humrs").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--connections") connections = std::atoi(argv[i + 1]);
        else if (flag == "--calls") calls = std::atoi(argv[i + 1]);
        else if (flag == "--seconds") seconds = std::atoi(argv[i + 1]);
        else if (flag == "--humrs") humrs = argv[i + 1];
    }
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);

    const fs::path folder = fs::temp_directory_path() / ("bench-slow-clients-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string db = (folder / "hr.db").string();
    std::ofstream(folder / "token") << kToken << "\n";
    if (std::system((humrs + " --db " + db + " init >/dev/null").c_str()) != 0) {
        std::fprintf(stderr, "cannot run %s init\n", humrs.c_str());
        return 1;
    }
    const int port = humrs::testing::FreeLoopbackPort();
    const pid_t server = ::fork();
    if (server == 0) {
        const std::string listen = "127.0.0.1:" + std::to_string(port);
        const std::string token = (folder / "token").string();
        ::freopen("/dev/null", "w", stdout);
        ::execl(humrs.c_str(), humrs.c_str(), "--db", db.c_str(), "serve", "--listen", listen.c_str(),
                "--token-file", token.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    for (int i = 0; i < 100 && Call(port, "GET /v1/health HTTP/1.1\r\nHost: b\r\nConnection: close\r\n\r\n") != 200; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));

    const Figures bare = Measure(port, calls, seconds, "bare");
    Crowd crowd(port, connections);
    crowd.Start();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const int open = crowd.Open();
    const Figures crowded = Measure(port, calls, seconds, "crowd");
    crowd.Stop();

    Print("no other clients", "health", bare.health);
    Print("no other clients", "save", bare.save);
    const std::string phase = std::to_string(open) + " slow/idle connections";
    Print(phase.c_str(), "health", crowded.health);
    Print(phase.c_str(), "save", crowded.save);
    std::printf("failed calls: %d bare, %d crowded; crowd connections reopened: %d\n", bare.failed, crowded.failed,
                crowd.Reopened());

    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    fs::remove_all(folder);
    return bare.failed + crowded.failed == 0 ? 0 : 1;
}
