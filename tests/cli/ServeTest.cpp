// The HTTP service driven as a remote client drives it: a server on a free loopback
// port over a database that several connections share, requests over the network.
#include <httplib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/Serve.h"
#include "core/Convert.h"
#include "db/Database.h"
#include "support/TestDatabase.h"

namespace humrs::cli {
namespace {

const std::string kToken = "client-token-0123456789";
const std::string kAdmin = "admin-token-0123456789";

class ServeTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("humrs-serve-" + std::to_string(::getpid()) + "-" +
                                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        global_.dbPath = humrs::testing::CreateSharedTestDatabase(folder_);
        global_.serverDate = 20050115;
    }
    void TearDown() override {
        Stop();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    void Start(ServeOptions options = {}) {
        options.port = 0;
        options.token = kToken;
        options.adminToken = kAdmin;
        service_ = std::make_unique<Service>(global_, options);
        runner_ = std::thread([this] { service_->Run(); });
    }
    void Stop() {
        if (!service_) return;
        service_->Stop();
        runner_.join();
        service_.reset();
    }

    httplib::Client Client(const std::string& token = kToken) {
        httplib::Client client("127.0.0.1", service_->Port());
        client.set_read_timeout(60, 0);
        if (!token.empty()) client.set_bearer_token_auth(token.c_str());
        return client;
    }

    struct Reply {
        int status = 0;
        Json body;
    };
    static Reply Call(httplib::Client& client, const std::string& path, const Json& body,
                      const std::string& method = "POST") {
        auto res = method == "DELETE" ? client.Delete(path.c_str())
                                      : client.Post(path.c_str(), Dump(body, false), "application/json");
        if (!res) return Reply{-1, Json()};
        return Reply{res->status, Json::parse(res->body)};
    }

    static Json Category(const std::string& id, double unit) {
        return Json{{"progid", "QVXHumrs.ExcuseCls"},
                    {"bill", {{"datasets", {{{{"ExcuseClsID", id}, {"ExcuseClsName", "事假"}, {"ExcuseUnit", unit}}}}}}}};
    }

    int64_t Categories() {
        auto db = OpenDatabase(global_.dbPath);
        return CInt(db->QueryFirst("Select Count(*) From humExcuseCls").value()[0]);
    }

    std::filesystem::path folder_;
    GlobalOptions global_;
    std::unique_ptr<Service> service_;
    std::thread runner_;
};

TEST_F(ServeTest, SavesRefusesAndGuardsItsDoor) {
    Start();
    auto client = Client();
    Reply saved = Call(client, "/v1/save", Category("C1", 0.5));
    EXPECT_EQ(saved.status, 200);
    EXPECT_EQ(saved.body["ok"], true);
    EXPECT_EQ(saved.body["key"], "C1");

    Reply refused = Call(client, "/v1/save", Category("C2", 0));
    EXPECT_EQ(refused.status, 422);
    EXPECT_EQ(refused.body["error"], "计假单位不可小于等于0");

    Reply opened = Call(client, "/v1/open", {{"progid", "QVXHumrs.ExcuseCls"}, {"key", "C1"}});
    EXPECT_EQ(opened.body["datasets"][0][0]["ExcuseUnit"], 0.5);

    struct Case {
        const char* what;
        std::string token, path, body;
        int status;
    };
    const std::vector<Case> cases = {
        {"no token", "", "/v1/open", R"({"progid":"QVXHumrs.ExcuseCls","key":"C1"})", 401},
        {"wrong token", kToken + "x", "/v1/open", R"({"progid":"QVXHumrs.ExcuseCls","key":"C1"})", 401},
        {"sql without the administrator's token", kToken, "/v1/sql", R"({"statement":"Delete From humExcuseCls"})", 403},
        {"bad JSON", kToken, "/v1/save", R"({"progid":)", 400},
        {"unknown class", kToken, "/v1/new", R"({"progid":"QVXHumrs.Nothing"})", 400},
        {"unknown route", kToken, "/v1/launch", "{}", 404},
        {"oversized body", kToken, "/v1/save", std::string(2 << 20, ' '), 413},
    };
    for (const Case& c : cases) {
        httplib::Client other = Client(c.token);
        auto res = other.Post(c.path.c_str(), c.body, "application/json");
        ASSERT_TRUE(res) << c.what;
        EXPECT_EQ(res->status, c.status) << c.what;
        const Json body = Json::parse(res->body);
        EXPECT_EQ(body["ok"], false) << c.what;
        EXPECT_FALSE(body["error"].get<std::string>().empty()) << c.what;
    }
    EXPECT_EQ(Categories(), 1);  // the refused delete did not run

    auto admin = Client(kAdmin);
    Reply rows = Call(admin, "/v1/sql", {{"statement", "Select ExcuseClsID From humExcuseCls"}});
    EXPECT_EQ(rows.status, 200);
    EXPECT_EQ(rows.body["rows"], Json::parse(R"([["C1"]])"));
}

TEST_F(ServeTest, HandleKeepsItsObjectUntilReleasedOrIdle) {
    ServeOptions options;
    options.maxHandles = 2;
    options.handleIdle = std::chrono::seconds(1);
    Start(options);
    auto client = Client();

    Reply created = Call(client, "/v1/objects", {{"progid", "QVXHumrs.ExcuseCls"}});
    ASSERT_EQ(created.status, 201);
    const std::string handle = "/v1/objects/" + created.body["handle"].get<std::string>();
    // The object keeps what a call left: a save through the handle, then an open of it.
    Json save = {{"op", "save"}, {"bill", Category("H1", 1)["bill"]}};
    EXPECT_EQ(Call(client, handle, save).status, 200);
    EXPECT_EQ(Call(client, handle, {{"op", "open"}, {"key", "H1"}}).body["datasets"][0][0]["ExcuseClsID"], "H1");

    EXPECT_EQ(Call(client, "/v1/objects", {{"progid", "QVXHumrs.ExcuseCls"}}).status, 201);
    EXPECT_EQ(Call(client, "/v1/objects", {{"progid", "QVXHumrs.ExcuseCls"}}).status, 429);

    EXPECT_EQ(Call(client, handle, Json(), "DELETE").status, 200);
    EXPECT_EQ(Call(client, handle, {{"op", "new"}}).status, 404);
    EXPECT_EQ(service_->LiveHandles(), 1u);
    // The other handle is never used again: it expires.
    for (int i = 0; i < 50 && service_->LiveHandles() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(service_->LiveHandles(), 0u);
}

TEST_F(ServeTest, HundredConcurrentSavesAllAnsweredAndStored) {
    ServeOptions options;
    options.threads = 8;
    Start(options);
    constexpr int kThreads = 5, kEach = 20;
    std::atomic<int> accepted{0}, wrong{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < kThreads; ++t) {
        clients.emplace_back([&, t] {
            auto client = Client();
            for (int i = 0; i < kEach; ++i) {
                // Every fifth bill breaks the unit rule and must be refused, the rest stored.
                const bool bad = i % 5 == 4;
                const std::string id = "T" + std::to_string(t) + "_" + std::to_string(i);
                Reply r = Call(client, "/v1/save", Category(id, bad ? -1 : 1));
                const bool right = bad ? r.status == 422 && r.body["error"] == "计假单位不可小于等于0"
                                       : r.status == 200 && r.body["key"] == id;
                (right ? accepted : wrong)++;
            }
        });
    }
    for (auto& c : clients) c.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(accepted.load(), kThreads * kEach);
    EXPECT_EQ(Categories(), kThreads * kEach * 4 / 5);
}

}  // namespace
}  // namespace humrs::cli
