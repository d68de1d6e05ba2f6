#pragma once
// A test of the HTTP service: a private folder with a database that several
// connections share, and a service on a free loopback port over it, stopped at the
// end of the test.
#include <httplib.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/Connection.h"
#include "cli/Serve.h"
#include "framework/Accounts.h"
#include "framework/Json.h"
#include "support/Files.h"
#include "support/TestDatabase.h"

namespace humrs::testing {

inline const std::string kClientToken = "client-token-0123456789";
inline const std::string kAdminToken = "admin-token-0123456789";

class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        global_.dbPath = CreateSharedTestDatabase(folder_.Path());
        global_.serverDate = 20050115;
    }
    void TearDown() override { Stop(); }

    // Starts the service with the two test tokens on a port of the system's choice.
    void Start(cli::ServeOptions options = {}) {
        options.port = 0;
        options.token = kClientToken;
        options.adminToken = kAdminToken;
        service_ = std::make_unique<cli::Service>(global_, options);
        runner_ = std::thread([this] { service_->Run(); });
    }
    void Stop() {
        if (!service_) return;
        service_->Stop();
        runner_.join();
        service_.reset();
    }

    // An account on the served database, a person's when `password` is given; returns
    // a new token of it, so that a test may act as the account without signing in.
    std::string AddAccount(const std::string& name, const std::vector<std::string>& roles,
                           const std::optional<std::string>& password = std::nullopt) {
        cli::Connection c = cli::Connect(global_, cli::Mode::Existing);
        AccountStore accounts(*c.db);
        accounts.Add(name, roles, password);
        return accounts.NewToken(name);
    }

    httplib::Client Client(const std::string& token = kClientToken, int readSeconds = 60) {
        httplib::Client client("127.0.0.1", service_->Port());
        client.set_read_timeout(readSeconds, 0);
        if (!token.empty()) client.set_bearer_token_auth(token.c_str());
        return client;
    }

    // A leave category bill, the smallest save there is.
    static Json Category(const std::string& id, double unit = 1) {
        return Json{{"progid", "QVXHumrs.ExcuseCls"},
                    {"bill", {{"datasets", {{{{"ExcuseClsID", id}, {"ExcuseClsName", "事假"}, {"ExcuseUnit", unit}}}}}}}};
    }

    TempFolder folder_{"humrs-service"};
    cli::GlobalOptions global_;
    std::unique_ptr<cli::Service> service_;
    std::thread runner_;
};

}  // namespace humrs::testing
