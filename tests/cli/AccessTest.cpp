// Who may do what through the service: the roles against every class and procedure
// of the registry, people's sessions (sign-in, anti-forgery token, idle end,
// slowing down and locking a name), disabled accounts, HTTPS; and `humrs user`.
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "framework/ClassDescriptor.h"
#include "hosting/ClassTable.h"
#include "support/CliFixture.h"
#include "support/ServiceFixture.h"

namespace humrs::cli {
namespace {

using namespace std::chrono_literals;

constexpr const char* kPassword = "leave-and-overtime";

struct Reply {
    int status = -1;
    Json body;
    httplib::Headers headers;
    std::string Header(const char* name) const {
        auto found = headers.find(name);
        return found == headers.end() ? std::string() : found->second;
    }
    std::string Error() const { return body.is_object() && body.contains("error") ? body["error"].get<std::string>() : ""; }
};

Reply Send(httplib::Client& client, const std::string& path, const Json& body, const httplib::Headers& headers = {}) {
    auto res = client.Post(path.c_str(), headers, Dump(body, false), "application/json");
    if (!res) return Reply{};
    return Reply{res->status, Json::parse(res->body), res->headers};
}

// A person signed in: the cookie to send back and the anti-forgery token.
struct SignIn {
    Reply reply;
    std::string cookie;  // "humrs_session=..."
    std::string csrf;
    httplib::Headers With(bool csrfToo = true) const {
        httplib::Headers h = {{"Cookie", cookie}};
        if (csrfToo) h.emplace("X-CSRF-Token", csrf);
        return h;
    }
};

SignIn Login(httplib::Client& client, const std::string& name, const std::string& password) {
    SignIn s;
    s.reply = Send(client, "/v1/login", {{"name", name}, {"password", password}});
    const std::string set = s.reply.Header("Set-Cookie");
    s.cookie = set.substr(0, set.find(';'));
    if (s.reply.status == 200) s.csrf = s.reply.body["csrf"];
    return s;
}

class AccessTest : public humrs::testing::ServiceFixture {
protected:
    // The attendance clerk "clerk" with kPassword, the service started, and a client
    // holding no token.
    httplib::Client StartWithClerk(const cli::ServeOptions& options = {}) {
        AddAccount("clerk", {"attendance"}, kPassword);
        Start(options);
        return Client("");
    }
};

TEST_F(AccessTest, EveryClassAndWritingProcedureNeedsItsRole) {
    std::map<std::string, std::string> tokens;
    for (const std::string role : {"attendance", "payroll", "personnel", "viewer", "admin"})
        tokens[role] = AddAccount(role + "-user", {role});
    Start();
    struct Case {
        std::string what, path;
        Json body;
        std::string role;
        bool reads;
    };
    std::vector<Case> cases;
    for (const ClassDescriptor& c : ComponentRegistry().Classes()) {
        if (!c.create) continue;
        ASSERT_FALSE(c.role.empty()) << c.progId << " belongs to no role";
        const Json keyed = {{"progid", c.progId}, {"key", "NO-SUCH-BILL"}};
        cases.push_back({c.progId + " delete", "/v1/delete", keyed, c.role, false});
        cases.push_back({c.progId + " save", "/v1/save", {{"progid", c.progId}, {"bill", {{"datasets", Json::array()}}}},
                         c.role, false});
        cases.push_back({c.progId + " open", "/v1/open", keyed, c.role, true});
        for (const ProcedureDef& p : c.procedures)
            cases.push_back({c.progId + " procedure " + std::to_string(p.number), "/v1/proc",
                             {{"progid", c.progId}, {"number", p.number}}, c.role, p.access == ProcAccess::Reads});
    }
    for (const auto& [role, token] : tokens) {
        auto client = Client(token);
        for (const Case& k : cases) {
            const bool allowed = role == "admin" || role == k.role || (k.reads && role == "viewer");
            const Reply r = Send(client, k.path, k.body);
            if (allowed) {
                EXPECT_NE(r.status, 403) << role << " is refused " << k.what << ": " << r.Error();
                EXPECT_NE(r.status, 500) << role << ", " << k.what << ": " << r.Error();
            } else {
                EXPECT_EQ(r.status, 403) << role << " is let through to " << k.what;
                EXPECT_NE(r.Error().find("needs the role " + k.role), std::string::npos) << r.Error();
            }
        }
    }
}

TEST_F(AccessTest, AHandleIsCheckedOnEveryCallAndSeenOnlyByItsMaker) {
    const std::string viewer = AddAccount("reader", {"viewer"});
    const std::string clerk = AddAccount("clerk", {"attendance"});
    Start();
    auto asViewer = Client(viewer);
    const Reply made = Send(asViewer, "/v1/objects", {{"progid", "QVXHumrs.ExcuseCls"}});
    ASSERT_EQ(made.status, 201) << made.Error();
    const std::string path = "/v1/objects/" + made.body["handle"].get<std::string>();

    const Reply open = Send(asViewer, path, {{"op", "open"}, {"key", "C1"}});
    EXPECT_NE(open.status, 403) << open.Error();
    const Reply save = Send(asViewer, path, {{"op", "save"}, {"bill", Category("C1")["bill"]}});
    EXPECT_EQ(save.status, 403);
    EXPECT_NE(save.Error().find("needs the role attendance"), std::string::npos) << save.Error();

    auto asClerk = Client(clerk);
    EXPECT_EQ(Send(asClerk, path, {{"op", "open"}, {"key", "C1"}}).status, 404);
    EXPECT_EQ(asClerk.Delete(path.c_str())->status, 404);
    EXPECT_EQ(Send(asClerk, "/v1/save", Category("C1")).status, 200);
    auto fullRights = Client();  // the installation's clients' token: every role but admin
    EXPECT_EQ(Send(fullRights, "/v1/sql", {{"statement", "Select Count(*) From humExcuseCls"}}).status, 403);
}

TEST_F(AccessTest, APersonSignsInWorksWithTheAntiForgeryTokenAndSignsOut) {
    cli::ServeOptions options;
    options.loginDelay = 0ms;  // the clerk signs in right after a wrong password
    auto client = StartWithClerk(options);

    const Reply wrong = Send(client, "/v1/login", {{"name", "clerk"}, {"password", "not-the-password"}});
    const Reply unknown = Send(client, "/v1/login", {{"name", "nobody"}, {"password", "not-the-password"}});
    EXPECT_EQ(wrong.status, 401);
    EXPECT_EQ(unknown.status, wrong.status);
    EXPECT_EQ(unknown.body, wrong.body);
    EXPECT_EQ(Send(client, "/v1/login", {{"name", "clerk"}, {"password", 12345678}}).status, 400);

    const SignIn s = Login(client, "clerk", kPassword);
    ASSERT_EQ(s.reply.status, 200) << s.reply.Error();
    EXPECT_EQ(s.reply.body["roles"], Json::array({"attendance"}));
    const std::string set = s.reply.Header("Set-Cookie");
    EXPECT_NE(set.find("HttpOnly"), std::string::npos) << set;
    EXPECT_NE(set.find("SameSite=Strict"), std::string::npos) << set;
    EXPECT_EQ(set.find("Secure"), std::string::npos) << "plain HTTP: " << set;

    struct Case {
        const char* what;
        httplib::Headers headers;
        int status;
    };
    const std::vector<Case> cases = {
        {"the cookie without the token", s.With(false), 403},
        {"the cookie with another token", {{"Cookie", s.cookie}, {"X-CSRF-Token", std::string(64, '0')}}, 403},
        {"another session's cookie", {{"Cookie", "humrs_session=" + std::string(64, 'a')}, {"X-CSRF-Token", s.csrf}}, 401},
        {"the cookie and its token", s.With(), 200},
    };
    for (const Case& c : cases) EXPECT_EQ(Send(client, "/v1/save", Category("C1"), c.headers).status, c.status) << c.what;
    const Reply payroll = Send(client, "/v1/delete", {{"progid", "QVXHumrs.MonthSalary"}, {"key", "B1"}}, s.With());
    EXPECT_EQ(payroll.status, 403);
    EXPECT_NE(payroll.Error().find("needs the role payroll"), std::string::npos) << payroll.Error();

    EXPECT_EQ(Send(client, "/v1/logout", Json::object(), s.With(false)).status, 403);
    EXPECT_EQ(Send(client, "/v1/logout", Json::object(), s.With()).status, 200);
    EXPECT_EQ(Send(client, "/v1/open", {{"progid", "QVXHumrs.ExcuseCls"}, {"key", "C1"}}, s.With()).status, 401);
}

TEST_F(AccessTest, ASessionEndsAfterItsIdleTime) {
    cli::ServeOptions options;
    options.sessionIdle = 2s;
    auto client = StartWithClerk(options);
    const SignIn s = Login(client, "clerk", kPassword);
    ASSERT_EQ(s.reply.status, 200);
    ASSERT_EQ(Send(client, "/v1/save", Category("C1"), s.With()).status, 200);
    const Json open = {{"progid", "QVXHumrs.ExcuseCls"}, {"key", "C1"}};
    for (int i = 0; i < 3; ++i) {  // each request starts the idle time again
        std::this_thread::sleep_for(1200ms);
        EXPECT_EQ(Send(client, "/v1/open", open, s.With()).status, 200) << "request " << i;
    }
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(Send(client, "/v1/open", open, s.With()).status, 401);
}

TEST_F(AccessTest, FailedSignInsSlowANameDownAndTenLockIt) {
    cli::ServeOptions options;
    options.loginDelay = 0ms;
    auto client = StartWithClerk(options);
    ::testing::internal::CaptureStderr();
    for (const std::string name : {"clerk", "nobody"})
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(Send(client, "/v1/login", {{"name", name}, {"password", "wrong-password"}}).status, 401)
                << name << " try " << i;
    const std::string log = ::testing::internal::GetCapturedStderr();
    for (const std::string name : {"clerk", "nobody"}) {
        const Reply locked = Send(client, "/v1/login", {{"name", name}, {"password", kPassword}});
        EXPECT_EQ(locked.status, 429) << name;
        EXPECT_GE(std::stoi(locked.Header("Retry-After")), 200) << name;
        EXPECT_NE(log.find("\"" + name + "\" locked"), std::string::npos) << log;
    }

    // A name failed once waits before its next try; it is told when, at once.
    Stop();
    options.loginDelay = 5000ms;
    Start(options);
    auto fresh = Client("");
    EXPECT_EQ(Send(fresh, "/v1/login", {{"name", "CLERK"}, {"password", "wrong-password"}}).status, 401);
    const auto asked = std::chrono::steady_clock::now();
    const Reply early = Send(fresh, "/v1/login", {{"name", "clerk"}, {"password", kPassword}});
    EXPECT_EQ(early.status, 429);
    EXPECT_GE(std::stoi(early.Header("Retry-After")), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s);
}

TEST_F(AccessTest, ADisabledAccountNeitherSignsInNorUsesItsTokenOrSession) {
    const std::string token = AddAccount("clerk", {"attendance"}, kPassword);
    Start();
    auto client = Client("");
    const SignIn s = Login(client, "clerk", kPassword);
    ASSERT_EQ(s.reply.status, 200);
    auto withToken = Client(token);
    EXPECT_EQ(Send(withToken, "/v1/save", Category("C1")).status, 200);
    {
        cli::Connection c = cli::Connect(global_, cli::Mode::Existing);
        AccountStore(*c.db).SetDisabled("clerk", true);
    }
    const Json open = {{"progid", "QVXHumrs.ExcuseCls"}, {"key", "C1"}};
    EXPECT_EQ(Send(withToken, "/v1/open", open).status, 401);
    EXPECT_EQ(Send(client, "/v1/open", open, s.With()).status, 401);
    const Reply again = Login(client, "clerk", kPassword).reply;
    EXPECT_EQ(again.status, 403);
    EXPECT_NE(again.Error().find("disabled"), std::string::npos) << again.Error();
}

// A self-signed certificate for 127.0.0.1, written as PEM files into `folder`.
void MakeCertificate(const std::filesystem::path& cert, const std::filesystem::path& key) {
    EVP_PKEY* pkey = EVP_EC_gen("P-256");
    ASSERT_NE(pkey, nullptr);
    X509* x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
    X509_gmtime_adj(X509_getm_notBefore(x), -60);
    X509_gmtime_adj(X509_getm_notAfter(x), 3600);
    X509_set_pubkey(x, pkey);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(x, name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
    for (const char* ext : {"subjectAltName=IP:127.0.0.1", "basicConstraints=critical,CA:TRUE"}) {
        const std::string text = ext;
        const size_t eq = text.find('=');
        X509_EXTENSION* e = X509V3_EXT_conf(nullptr, &ctx, text.substr(0, eq).c_str(), text.substr(eq + 1).c_str());
        ASSERT_NE(e, nullptr) << ext;
        X509_add_ext(x, e, -1);
        X509_EXTENSION_free(e);
    }
    ASSERT_GT(X509_sign(x, pkey, EVP_sha256()), 0);
    FILE* out = std::fopen(cert.c_str(), "w");
    PEM_write_X509(out, x);
    std::fclose(out);
    out = std::fopen(key.c_str(), "w");
    PEM_write_PrivateKey(out, pkey, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(out);
    X509_free(x);
    EVP_PKEY_free(pkey);
}

TEST_F(AccessTest, ServesHttpsWithTheGivenCertificate) {
    AddAccount("clerk", {"attendance"}, kPassword);
    const auto cert = folder_.Path() / "cert.pem", key = folder_.Path() / "key.pem";
    MakeCertificate(cert, key);
    cli::ServeOptions options;
    options.tlsCertFile = cert.string();
    options.tlsKeyFile = key.string();
    Start(options);

    httplib::Client secure("https://127.0.0.1:" + std::to_string(service_->Port()));
    secure.set_ca_cert_path(cert.c_str());
    secure.enable_server_certificate_verification(true);
    const SignIn s = Login(secure, "clerk", kPassword);
    ASSERT_EQ(s.reply.status, 200) << s.reply.Error();
    EXPECT_NE(s.reply.Header("Set-Cookie").find("; Secure"), std::string::npos) << s.reply.Header("Set-Cookie");
    EXPECT_EQ(Send(secure, "/v1/save", Category("C1"), s.With()).status, 200);

    httplib::Client plain("127.0.0.1", service_->Port());
    plain.set_read_timeout(5, 0);
    auto answered = plain.Get("/v1/health");
    EXPECT_TRUE(!answered || answered->status != 200) << "plain HTTP answered on the HTTPS port";
}

class UserCommandTest : public humrs::testing::CliFixture {
protected:
    UserCommandTest() : CliFixture("humrs-user") {}
};

TEST_F(UserCommandTest, AccountsAreMadeWithoutAPasswordOnTheCommandLine) {
    ASSERT_EQ(Humrs({"init"}).exitCode, 0);
    const auto added = Humrs({"user", "add", "clerk", "--role", "attendance,viewer"}, std::string(kPassword) + "\n");
    ASSERT_EQ(added.exitCode, 0) << added.out << added.err;
    EXPECT_EQ(added.answer["account"]["roles"], nlohmann::json::array({"attendance", "viewer"}));

    struct Case {
        std::vector<std::string> args;
        std::string input;
        int exitCode;
    };
    const std::vector<Case> refused = {
        {{"user", "add", "clerk", "--role", "payroll"}, std::string(kPassword) + "\n", 2},  // the name is taken
        {{"user", "add", "short", "--role", "payroll"}, "pw\n", 2},
        {{"user", "add", "bad name", "--role", "payroll"}, std::string(kPassword) + "\n", 2},
        {{"user", "add", "x", "--role", "cashier"}, std::string(kPassword) + "\n", 2},
        {{"user", "roles", "nobody", "--role", "viewer"}, "", 2},
        {{"user", "passwd", "clerk"}, "", 2},  // no password given
    };
    for (const Case& c : refused) EXPECT_EQ(Humrs(c.args, c.input).exitCode, c.exitCode) << c.args[2] << " " << c.args[3];

    const auto token = Humrs({"user", "token", "clerk"});
    ASSERT_EQ(token.exitCode, 0);
    EXPECT_EQ(token.answer["token"].get<std::string>().size(), 64u);
    ASSERT_EQ(Humrs({"user", "disable", "clerk"}).exitCode, 0);
    const auto listed = Humrs({"user", "list"});
    ASSERT_EQ(listed.answer["accounts"].size(), 1u);
    EXPECT_EQ(listed.answer["accounts"][0]["disabled"], true);
    // Neither the password nor the token's digest is shown, nor kept in clear.
    const auto stored = Humrs({"sql", "Select PasswordHash, TokenDigest From humrsAccount"});
    const std::string row = stored.answer["rows"][0].dump();
    EXPECT_EQ(row.find(kPassword), std::string::npos);
    EXPECT_EQ(row.find(token.answer["token"].get<std::string>()), std::string::npos);
    EXPECT_NE(row.find("$argon2id$"), std::string::npos) << row;
}

}  // namespace
}  // namespace humrs::cli
