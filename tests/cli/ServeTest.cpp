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
#include "support/ServiceFixture.h"

namespace humrs::cli {
namespace {

using humrs::testing::kAdminToken;
using humrs::testing::kClientToken;

class ServeTest : public humrs::testing::ServiceFixture {
protected:
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

    int64_t Categories() {
        auto db = OpenDatabase(global_.dbPath);
        return CInt(db->QueryFirst("Select Count(*) From humExcuseCls").value()[0]);
    }

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
    EXPECT_EQ(refused.body["messageId"], "ExcuseUnitNotPositive");
    EXPECT_FALSE(saved.body.contains("messageId"));

    Reply opened = Call(client, "/v1/open", {{"progid", "QVXHumrs.ExcuseCls"}, {"key", "C1"}});
    EXPECT_EQ(opened.body["datasets"][0][0]["ExcuseUnit"], 0.5);

    struct Case {
        const char* what;
        std::string token, path, body;
        int status;
    };
    const std::vector<Case> cases = {
        {"no token", "", "/v1/open", R"({"progid":"QVXHumrs.ExcuseCls","key":"C1"})", 401},
        {"wrong token", kClientToken + "x", "/v1/open", R"({"progid":"QVXHumrs.ExcuseCls","key":"C1"})", 401},
        {"sql without the administrator's token", kClientToken, "/v1/sql", R"({"statement":"Delete From humExcuseCls"})", 403},
        {"bad JSON", kClientToken, "/v1/save", R"({"progid":)", 400},
        {"unknown class", kClientToken, "/v1/new", R"({"progid":"QVXHumrs.Nothing"})", 400},
        {"unknown route", kClientToken, "/v1/launch", "{}", 404},
        {"oversized body", kClientToken, "/v1/save", std::string(2 << 20, ' '), 413},
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

    auto admin = Client(kAdminToken);
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
