// The HTTP service among clients that do not behave: a second service on its port,
// kept-alive connections, clients that send slowly or nothing at all, more
// connections than it takes, and a database failure that must not show its SQL.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/Batch.h"
#include "cli/Connection.h"
#include "cli/Serve.h"
#include "core/Errors.h"
#include "support/Loopback.h"
#include "support/ServiceFixture.h"

namespace humrs::cli {
namespace {

using humrs::testing::kAdminToken;
using humrs::testing::kClientToken;

// A client socket on the loopback port, sending small writes at once.
class RawClient {
public:
    explicit RawClient(int port) {
        fd_ = humrs::testing::ConnectLoopback(port, 10);
        connected_ = fd_ >= 0;
    }
    ~RawClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return connected_; }
    bool Send(const std::string& text) { return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == ssize_t(text.size()); }

    // One answer: its status line and body; an empty status when the server closed
    // the connection (or sent nothing within 10 s).
    struct Answer {
        std::string status;
        std::string body;
    };
    Answer Read() {
        std::string text;
        char buffer[4096];
        size_t headerEnd;
        while ((headerEnd = text.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return {};
            text.append(buffer, static_cast<size_t>(n));
        }
        std::string lower = text.substr(0, headerEnd);
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        const size_t at = lower.find("content-length:");
        const size_t length = at == std::string::npos ? 0 : std::stoul(lower.substr(at + 15));
        while (text.size() < headerEnd + 4 + length) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return {};
            text.append(buffer, static_cast<size_t>(n));
        }
        return {text.substr(0, text.find("\r\n")), text.substr(headerEnd + 4, length)};
    }
    // Whether the server closed the connection (waits up to the receive timeout).
    bool Closed() {
        char byte;
        return ::recv(fd_, &byte, 1, 0) == 0;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

const std::string kHealth = "GET /v1/health HTTP/1.1\r\nHost: test\r\n\r\n";

class ServiceClientsTest : public humrs::testing::ServiceFixture {};

TEST_F(ServiceClientsTest, ASecondServiceOnATakenPortRefusesToStart) {
    Start();
    ServeOptions second;
    second.port = service_->Port();
    second.token = kClientToken;
    try {
        Service other(global_, second);
        ADD_FAILURE() << "a second service started on port " << second.port;
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("in use"), std::string::npos) << e.what();
    }
    // The first one still answers every call.
    for (int i = 0; i < 10; ++i) {
        RawClient client(service_->Port());
        ASSERT_TRUE(client.Send(kHealth));
        EXPECT_EQ(client.Read().status, "HTTP/1.1 200 OK");
    }
}

// A kept-alive client waits for no delayed acknowledgement: every connection the
// service accepted (in this process: its sockets whose local port is the service's
// and that have a peer) sends small answers at once.
TEST_F(ServiceClientsTest, AcceptedConnectionsSendAtOnce) {
    Start();
    RawClient first(service_->Port()), second(service_->Port());
    for (RawClient* client : {&first, &second}) {
        ASSERT_TRUE(client->Send(kHealth));
        ASSERT_EQ(client->Read().status, "HTTP/1.1 200 OK");
    }
    int accepted = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        sockaddr_in local{}, peer{};
        socklen_t length = sizeof local;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET ||
            ntohs(local.sin_port) != service_->Port())
            continue;
        length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) continue;  // the listener
        int noDelay = 0;
        length = sizeof noDelay;
        ASSERT_EQ(::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &length), 0);
        EXPECT_EQ(noDelay, 1) << "socket " << fd;
        ++accepted;
    }
    EXPECT_EQ(accepted, 2);
}

TEST_F(ServiceClientsTest, SlowAndIdleClientsHoldNoWorker) {
    ServeOptions options;
    options.threads = 2;
    options.requestTimeout = std::chrono::seconds(2);
    Start(options);

    // More slow senders and silent connections than there are workers.
    std::atomic<bool> done{false};
    std::vector<std::unique_ptr<RawClient>> slow, idle;
    for (int i = 0; i < 6; ++i) {
        slow.push_back(std::make_unique<RawClient>(service_->Port()));
        idle.push_back(std::make_unique<RawClient>(service_->Port()));
        ASSERT_TRUE(slow.back()->Connected() && idle.back()->Connected());
    }
    std::thread trickle([&] {
        const std::string request = "POST /v1/save HTTP/1.1\r\nHost: test\r\nX-Padding: " + std::string(200, 'a');
        for (size_t at = 0; at < request.size() && !done; ++at) {
            for (auto& client : slow) client->Send(request.substr(at, 1));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    });
    struct Joined {
        std::atomic<bool>& done;
        std::thread& thread;
        ~Joined() {
            done = true;
            thread.join();
        }
    } joined{done, trickle};

    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    auto client = Client(kClientToken, 1);
    auto health = client.Get("/v1/health");
    ASSERT_TRUE(health) << "the health call waited for a worker";
    EXPECT_EQ(health->status, 200);
    auto saved = client.Post("/v1/save", Dump(Category("S1"), false), "application/json");
    ASSERT_TRUE(saved) << "the save waited for a worker";
    EXPECT_EQ(saved->status, 200);

    // The unfinished requests are answered 408 after the deadline; the silent
    // connections are closed.
    for (auto& c : slow) {
        const RawClient::Answer answer = c->Read();
        EXPECT_EQ(answer.status, "HTTP/1.1 408 Request Timeout");
        EXPECT_EQ(Json::parse(answer.body, nullptr, false).value("ok", true), false) << answer.body;
    }
    for (auto& c : idle) EXPECT_TRUE(c->Closed());
}

TEST_F(ServiceClientsTest, ConnectionsPastTheCapAreAnswered503) {
    ServeOptions options;
    options.maxConnections = 3;
    Start(options);
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<RawClient>(service_->Port()));
        ASSERT_TRUE(held.back()->Send(kHealth));
        ASSERT_EQ(held.back()->Read().status, "HTTP/1.1 200 OK");
    }
    {
        RawClient extra(service_->Port());
        ASSERT_TRUE(extra.Send(kHealth));
        const RawClient::Answer answer = extra.Read();
        EXPECT_EQ(answer.status, "HTTP/1.1 503 Service Unavailable");
        EXPECT_NE(answer.body.find("connections"), std::string::npos) << answer.body;
    }
    // A place given back is taken again.
    held.pop_back();
    bool served = false;
    for (int attempt = 0; attempt < 20 && !served; ++attempt) {
        RawClient again(service_->Port());
        again.Send(kHealth);
        served = again.Read().status == "HTTP/1.1 200 OK";
        if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(served);
}

TEST_F(ServiceClientsTest, DatabaseFailuresNameARequestNotTheStatement) {
    Start();
    auto client = Client(kClientToken);
    ASSERT_EQ(client.Post("/v1/save", Dump(Category("D1"), false), "application/json")->status, 200);

    // A duplicate key fails in the database, with a statement the translator rewrote.
    auto admin = Client(kAdminToken);
    const Json statement = {{"statement",
                             "Insert Into humExcuseCls (ExcuseClsID, ExcuseClsName) "
                             "Select Top 1 ExcuseClsID, ExcuseClsName From humExcuseCls"}};
    auto failed = admin.Post("/v1/sql", Dump(statement, false), "application/json");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, 500);
    const Json body = Json::parse(failed->body);
    const std::string error = body.value("error", "");
    for (const char* hidden : {"ran as", "Select", "humExcuseCls", "ExcuseClsID"})
        EXPECT_EQ(error.find(hidden), std::string::npos) << hidden << " in: " << error;
    ASSERT_TRUE(body.contains("request")) << failed->body;
    EXPECT_EQ(failed->get_header_value("X-Request-Id"), body["request"].get<std::string>());
    EXPECT_NE(error.find(body["request"].get<std::string>()), std::string::npos) << error;
}

// Bad arguments get the same answer from the service and from `batch`: bad input,
// and nothing run.
TEST_F(ServiceClientsTest, BadArgumentsAreRefusedAlikeByServiceAndBatch) {
    Start();
    const Json personCheck = {{"names", {"PersonID"}}, {"values", {"E001", 20050101, 20050102}}};
    auto with = [](Json op, const Json& more) {
        for (const auto& [name, value] : more.items()) op[name] = value;
        return op;
    };
    struct Case {
        const char* what;
        std::string op;
        Json members;
    };
    const std::vector<Case> cases = {
        {"a procedure number past 32 bits", "proc",
         {{"progid", "QVXHumrs.Excuse"}, {"number", 4294967299LL}, {"arg", {2, "200502", "P001"}}}},
        {"a procedure number past 64 bits", "proc", {{"progid", "QVXHumrs.Excuse"}, {"number", 18446744073709551615ULL}}},
        {"dataset -1", "check", with(personCheck, {{"progid", "QVXHumrs.Excuse"}, {"dataset", -1}})},
        {"dataset 5", "check", with(personCheck, {{"progid", "QVXHumrs.Excuse"}, {"dataset", 5}})},
        {"dataset 2^32", "check", with(personCheck, {{"progid", "QVXHumrs.Excuse"}, {"dataset", 4294967296LL}})},
        {"more names than values", "check",
         {{"progid", "QVXHumrs.Excuse"}, {"names", {"PersonID", "ExcuseClsID"}}, {"values", {"E001"}}}},
        {"a key given as a list", "open", {{"progid", "QVXHumrs.ExcuseCls"}, {"key", {"C1", "C2"}}}},
        {"a key given as a list, to delete", "delete", {{"progid", "QVXHumrs.ExcuseCls"}, {"key", {"C1"}}}},
        {"a ProgID holding NUL", "new", {{"progid", std::string("QVXHumrs.ExcuseCls\0", 19)}}},
    };
    auto client = Client(kClientToken);
    Connection connection = Connect(global_, Mode::Existing);
    for (const Case& c : cases) {
        auto res = client.Post(("/v1/" + c.op).c_str(), Dump(c.members, false), "application/json");
        ASSERT_TRUE(res) << c.what;
        EXPECT_EQ(res->status, 400) << c.what << ": " << res->body;

        std::istringstream in(Dump(with(c.members, {{"object", "o"}, {"op", c.op}}), false));
        std::ostringstream out;
        EXPECT_EQ(RunBatchLines(*connection.session, in, out, false), 2) << c.what << ": " << out.str();
    }
}

// Object handles hold no database connection between calls: many handles, called
// from many clients at once, share the few connections --db-connections allows.
TEST_F(ServiceClientsTest, HandlesBorrowPooledConnections) {
    ServeOptions options;
    options.dbConnections = 2;
    Start(options);
    constexpr int kHandles = 12;
    std::vector<std::string> ids;
    auto client = Client();
    for (int i = 0; i < kHandles; ++i) {
        auto res = client.Post("/v1/objects", R"({"progid":"QVXHumrs.ExcuseCls"})", "application/json");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 201) << res->body;
        ids.push_back(Json::parse(res->body).at("handle").get<std::string>());
    }
    std::atomic<int> saved{0};
    std::atomic<size_t> mostOpen{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kHandles; ++i)
        clients.emplace_back([&, i] {
            auto own = Client();
            const Json save = {{"op", "save"}, {"bill", Category("H" + std::to_string(i))["bill"]}};
            auto res = own.Post(("/v1/objects/" + ids[i]).c_str(), Dump(save, false), "application/json");
            if (res && res->status == 200) ++saved;
            size_t open = service_->DatabaseConnections();
            for (size_t seen = mostOpen; open > seen && !mostOpen.compare_exchange_weak(seen, open);) {
            }
        });
    for (auto& t : clients) t.join();
    EXPECT_EQ(saved, kHandles);
    EXPECT_LE(mostOpen.load(), 2u);
    EXPECT_LE(service_->DatabaseConnections(), 2u);
}

}  // namespace
}  // namespace humrs::cli
