#pragma once
// The humrs program of this build, run from a test as a client runs it. The arguments
// go to the program as they are, one argv entry each, with no shell between (nothing to
// quote, nothing a name with a quote mark or a semicolon could break); standard input
// is the text the test gives; standard output and standard error are kept apart.
//
// The program sees the test's environment less every HUMRS_ setting in it, plus those
// the test names: a developer's own HUMRS_DB never decides where a test writes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BuildPaths.h"

extern char** environ;

namespace humrs::testing {

// What one run printed and how it ended.
struct HumrsResult {
    int exitCode = -1;      // -1: ended by a signal (killed, or cut off at the time limit)
    std::string out;        // standard output
    std::string err;        // standard error
    nlohmann::json answer;  // standard output read as JSON; null when it is not JSON

    // The answer's "error" text; the whole output when it has none.
    std::string Error() const {
        return answer.is_object() && answer.contains("error") && answer["error"].is_string()
                   ? answer["error"].get<std::string>()
                   : out;
    }
};

// How a run goes. The defaults: `humrs args...` in the test's working folder, an empty
// standard input, no HUMRS_ setting, killed when it has not ended after two minutes.
struct HumrsOptions {
    std::string db;                // given as `--db <db>` before the arguments; empty: no --db
    std::string input;             // standard input
    std::filesystem::path folder;  // the working folder; empty: the test's
    std::vector<std::pair<std::string, std::string>> env;  // settings added to the environment
    std::vector<std::string> runner;  // a program that runs humrs (setpriv and its arguments); found on PATH
    std::chrono::milliseconds timeLimit = std::chrono::minutes(2);
};

inline std::string HumrsPath() { return std::string(HUMRS_BINARY_DIR) + "/humrs"; }

// One running humrs program. Destroying it kills the program if it still runs.
class HumrsProcess {
public:
    // Starts `humrs [--db db] args...`; throws std::runtime_error when it cannot.
    explicit HumrsProcess(const std::vector<std::string>& args, const HumrsOptions& options = {})
        : timeLimit_(options.timeLimit) {
        std::vector<std::string> argv = options.runner;
        argv.push_back(HumrsPath());
        if (!options.db.empty()) argv.insert(argv.end(), {"--db", options.db});
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "HUMRS_", 6) != 0) env.emplace_back(*e);
        for (const auto& [name, value] : options.env) env.push_back(name + "=" + value);

        in_ = Memory("humrs-stdin");
        out_ = Memory("humrs-stdout");
        err_ = Memory("humrs-stderr");
        for (size_t done = 0; done < options.input.size();) {
            const ssize_t n = ::write(in_, options.input.data() + done, options.input.size() - done);
            if (n < 0 && errno != EINTR) Fail("cannot write the standard input");
            if (n > 0) done += static_cast<size_t>(n);
        }
        ::lseek(in_, 0, SEEK_SET);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in_, 0);
        posix_spawn_file_actions_adddup2(&actions, out_, 1);
        posix_spawn_file_actions_adddup2(&actions, err_, 2);
        if (!options.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.folder.c_str());
        const int failed = ::posix_spawnp(&pid_, argv[0].c_str(), &actions, nullptr, Pointers(argv).data(),
                                          Pointers(env).data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed) {
            pid_ = -1;
            Fail("cannot start " + argv[0] + ": " + std::strerror(failed));
        }
        started_ = std::chrono::steady_clock::now();
    }
    HumrsProcess(HumrsProcess&& other) noexcept
        : pid_(std::exchange(other.pid_, -1)),
          in_(std::exchange(other.in_, -1)),
          out_(std::exchange(other.out_, -1)),
          err_(std::exchange(other.err_, -1)),
          started_(other.started_),
          timeLimit_(other.timeLimit_) {}
    HumrsProcess(const HumrsProcess&) = delete;
    HumrsProcess& operator=(const HumrsProcess&) = delete;
    HumrsProcess& operator=(HumrsProcess&&) = delete;
    ~HumrsProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {in_, out_, err_})
            if (fd >= 0) ::close(fd);
    }

    // Ends the program at once, wherever it stands (SIGKILL).
    void Kill() {
        if (pid_ > 0) ::kill(pid_, SIGKILL);
    }

    // Waits for the end, killing the program at the time limit; what it printed. Only
    // once: a second call finds nothing more.
    HumrsResult Wait() {
        HumrsResult r;
        if (pid_ <= 0) return r;
        int status = 0;
        // The end is watched in short steps: short enough that a test timing a run
        // sees its length, not the step.
        auto step = std::chrono::microseconds(50);
        for (;;) {
            const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
            if (ended == pid_) break;
            if (ended < 0 && errno != EINTR) Fail("cannot wait for humrs");
            if (std::chrono::steady_clock::now() - started_ >= timeLimit_) {
                ::kill(pid_, SIGKILL);
                while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
                }
                break;
            }
            std::this_thread::sleep_for(step);
            step = std::min(step * 2, std::chrono::microseconds(1000));
        }
        pid_ = -1;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Contents(out_);
        r.err = Contents(err_);
        r.answer = nlohmann::json::parse(r.out, nullptr, false);
        if (r.answer.is_discarded()) r.answer = nullptr;
        return r;
    }

private:
    [[noreturn]] static void Fail(const std::string& what) { throw std::runtime_error(what); }

    // A file in memory, closed in every other program this process starts.
    static int Memory(const char* name) {
        const int fd = ::memfd_create(name, MFD_CLOEXEC);
        if (fd < 0) Fail(std::string("cannot make ") + name + ": " + std::strerror(errno));
        return fd;
    }
    static std::string Contents(int fd) {
        std::string text;
        char buffer[4096];
        ::lseek(fd, 0, SEEK_SET);
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) Fail("cannot read what humrs printed");
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    static std::vector<char*> Pointers(std::vector<std::string>& texts) {
        std::vector<char*> pointers;
        for (std::string& t : texts) pointers.push_back(t.data());
        pointers.push_back(nullptr);
        return pointers;
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    std::chrono::steady_clock::time_point started_;
    std::chrono::milliseconds timeLimit_;
};

// Runs `humrs [--db db] args...` to its end.
inline HumrsResult RunHumrs(const std::vector<std::string>& args, const HumrsOptions& options = {}) {
    return HumrsProcess(args, options).Wait();
}

}  // namespace humrs::testing
