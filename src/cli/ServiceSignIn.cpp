// Who a request comes from: the installation's tokens, accounts' tokens, and the
// sessions of people who signed in (sign-in, its slowing and lockout, sign-out).
#include <algorithm>
#include <iostream>

#include "cli/ServiceState.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/Accounts.h"

namespace humrs::cli {

namespace {

constexpr const char* kSessionCookie = "humrs_session";
// Failed sign-ins in a row that lock a name.
constexpr int kLockoutFailures = 10;
// Names whose failures are remembered; past this the forgotten ones are dropped.
constexpr size_t kRememberedNames = 10000;

std::string BearerOf(const Request& req) {
    const std::string& header = req.authorization;
    const std::string prefix = "Bearer ";
    return header.size() > prefix.size() && SameText(header.substr(0, 7), prefix) ? Trim(header.substr(prefix.size()))
                                                                                  : std::string();
}

// The value of one cookie of a Cookie header; empty when it is not there.
std::string CookieValue(const std::string& header, const std::string& name) {
    for (size_t start = 0; start < header.size();) {
        const size_t end = std::min(header.find(';', start), header.size());
        const std::string part = Trim(header.substr(start, end - start));
        const size_t equals = part.find('=');
        if (equals != std::string::npos && part.substr(0, equals) == name) return Trim(part.substr(equals + 1));
        start = end + 1;
    }
    return {};
}

Actor ServiceActor(const std::string& name, std::vector<std::string> roles) {
    Actor actor;
    actor.name = name;
    actor.via = "service";
    actor.roles = std::move(roles);
    actor.allRights = false;
    return actor;
}


std::string SessionCookie(const std::string& value, bool secure, bool clear = false) {
    return std::string(kSessionCookie) + "=" + value + "; Path=/; HttpOnly; SameSite=Strict" +
           (secure ? "; Secure" : "") + (clear ? "; Max-Age=0" : "");
}

}  // namespace

// The account behind a token or a person's name, while it may act; nullopt for an
// unknown or disabled account. Reads the account table on a leased connection, so
// that a disabled account or changed roles count from the next request on.
std::optional<Actor> Service::State::ActorOf(const std::string& name, bool byToken, const std::string& token) {
    auto connection = Lease();
    std::optional<Account> account;
    try {
        AccountStore store(*connection->db);
        account = byToken ? store.FindByToken(token) : store.Find(name);
    } catch (...) {
        GiveBack(std::move(connection), FailureOutcome(std::current_exception()));
        throw;
    }
    GiveBack(std::move(connection), Outcome{});
    if (!account || account->disabled) return std::nullopt;
    return ServiceActor(account->name, account->roles);
}

// Who sent the request: a bearer token (the installation's two, or an account's),
// else a session cookie. Answers 401, 403 or the failure itself and returns nullopt
// when the request cannot go on.
std::optional<Actor> Service::State::Authenticate(const Request& req, Response& res) {
    const std::string presented = BearerOf(req);
    const std::string session = CookieValue(req.cookie, kSessionCookie);
    try {
        if (!presented.empty()) {
            if (SameToken(presented, options.adminToken)) return ServiceActor("admin token", {roles::kAdmin});
            if (SameToken(presented, options.token))
                return ServiceActor("client token", {roles::kAttendance, roles::kPayroll, roles::kPersonnel, roles::kViewer});
            if (auto actor = ActorOf("", true, presented)) return actor;
            res.headers.emplace_back("WWW-Authenticate", "Bearer");
            ReplyFailure(res, 401, "the bearer token is not valid");
            return std::nullopt;
        }
        if (!session.empty()) return FromSession(req, res, session);
    } catch (const PoolExhausted& e) {
        ReplyFailure(res, 503, e.what());
        return std::nullopt;
    } catch (...) {
        ReplyOutcome(res, FailureOutcome(std::current_exception()), Json::object());
        return std::nullopt;
    }
    res.headers.emplace_back("WWW-Authenticate", "Bearer");
    ReplyFailure(res, 401,
                 "no bearer token and no session: send the header \"Authorization: Bearer <token>\", or sign in "
                 "at /v1/login");
    return std::nullopt;
}

std::optional<Actor> Service::State::FromSession(const Request& req, Response& res, const std::string& id) {
    const std::string key = SecretDigest(id);
    std::string name;
    {
        std::lock_guard<std::mutex> lock(sessionsMutex);
        auto found = sessions.find(key);
        if (found != sessions.end() && Clock::now() - found->second.lastUsed > options.sessionIdle) {
            sessions.erase(found);
            found = sessions.end();
        }
        if (found == sessions.end()) {
            res.headers.emplace_back("Set-Cookie", SessionCookie("", !tlsCert.empty(), true));
            ReplyFailure(res, 401, "the session has ended: sign in again at /v1/login");
            return std::nullopt;
        }
        // Every request but a GET may change something: a page of another site could
        // send it with the cookie, but it cannot read the token the sign-in gave.
        if (req.method != "GET" && !SameSecret(req.csrf, found->second.csrf)) {
            ReplyFailure(res, 403,
                         "a request with the session cookie needs the header X-CSRF-Token holding the \"csrf\" "
                         "that the sign-in answered");
            return std::nullopt;
        }
        found->second.lastUsed = Clock::now();
        name = found->second.name;
    }
    auto actor = ActorOf(name, false, "");
    if (!actor) {
        {
            std::lock_guard<std::mutex> lock(sessionsMutex);
            sessions.erase(key);
        }
        ReplyFailure(res, 401, "the account " + name + " is disabled: its session has ended");
    }
    return actor;
}

void Service::State::Login(const Request& req, Response& res) {
    std::string name, password;
    try {
        const Json request = ParseRequestBody(req);
        for (auto [member, into] : {std::pair{"name", &name}, std::pair{"password", &password}}) {
            if (!request.contains(member) || !request.at(member).is_string())
                throw InputError(std::string("give \"") + member + "\" as a text");
            *into = request.at(member).get<std::string>();
        }
    } catch (...) {
        return ReplyOutcome(res, FailureOutcome(std::current_exception()), Json::object());
    }
    const std::string key = LowerAscii(name.substr(0, 256));
    const Clock::time_point start = Clock::now();
    {
        // A name locked, or asked again before its wait is over, is told when to come
        // back; no worker waits for it.
        std::lock_guard<std::mutex> lock(sessionsMutex);
        if (failures.size() >= kRememberedNames)
            std::erase_if(failures, [&](const auto& entry) {
                return entry.second.lockedUntil < start && entry.second.next < start;
            });
        SignInFailures& f = failures[key];
        if (f.count >= kLockoutFailures && f.lockedUntil <= start) f = SignInFailures{};
        const Clock::time_point until = std::max(f.lockedUntil, f.next);
        if (until > start) {
            const auto wait = std::chrono::ceil<std::chrono::seconds>(until - start).count();
            res.headers.emplace_back("Retry-After", std::to_string(wait));
            return ReplyFailure(res, 429,
                                std::string(f.count >= kLockoutFailures ? "too many failed sign-ins: this name is "
                                                                          "locked"
                                                                        : "a sign-in of this name failed just now") +
                                    "; try again in " + std::to_string(wait) + " s");
        }
        // A password check takes a worker for a while on purpose; sign-ins of many
        // names at once must not take every worker from the office's calls.
        if (signingIn >= std::max<size_t>(1, workers.size() / 2)) {
            res.headers.emplace_back("Retry-After", "1");
            return ReplyFailure(res, 429, "too many sign-ins at once; try again in 1 s");
        }
        ++signingIn;
        // This try holds the name until it is answered.
        f.next = start + options.loginDelay * (f.count + 1);
    }
    std::optional<Account> account;
    Respond(res, [&](Json&) {
        return OnLeased([&](Connection& connection) {
            account = AccountStore(*connection.db).SignIn(name, password);
            return Outcome{};
        });
    });
    std::lock_guard<std::mutex> lock(sessionsMutex);
    --signingIn;
    SignInFailures& f = failures[key];
    if (res.status != 200) {
        f.next = start;  // the database failed, not the caller
        return;
    }
    if (!account) {
        ++f.count;
        f.next = Clock::now() + options.loginDelay * f.count;
        if (f.count >= kLockoutFailures) {
            f.lockedUntil = Clock::now() + options.loginLockout;
            std::cerr << "humrs serve: sign-in of " << Dump(Json(name), false) << " locked for "
                      << options.loginLockout.count() << " s after " << f.count << " failures in a row\n";
        }
        return ReplyFailure(res, 401, "the name or the password is wrong");
    }
    failures.erase(key);
    if (account->disabled) return ReplyFailure(res, 403, "the account " + account->name + " is disabled");
    const std::string id = NewSecret();
    SignedIn signedIn{account->name, NewSecret(), Clock::now()};
    std::erase_if(sessions, [&](const auto& entry) { return signedIn.lastUsed - entry.second.lastUsed > options.sessionIdle; });
    res.headers.emplace_back("Set-Cookie", SessionCookie(id, !tlsCert.empty()));
    Reply(res, 200,
          Json{{"ok", true}, {"name", account->name}, {"roles", account->roles}, {"csrf", signedIn.csrf},
               {"notices", Json::array()}});
    sessions.emplace(SecretDigest(id), std::move(signedIn));
}

void Service::State::Logout(const Request& req, Response& res) {
    const std::string id = CookieValue(req.cookie, kSessionCookie);
    std::lock_guard<std::mutex> lock(sessionsMutex);
    auto found = id.empty() ? sessions.end() : sessions.find(SecretDigest(id));
    if (found == sessions.end()) return ReplyFailure(res, 401, "no session to end");
    if (!SameSecret(req.csrf, found->second.csrf))
        return ReplyFailure(res, 403, "signing out needs the header X-CSRF-Token holding the sign-in's \"csrf\"");
    const std::string name = found->second.name;
    sessions.erase(found);
    res.headers.emplace_back("Set-Cookie", SessionCookie("", !tlsCert.empty(), true));
    Reply(res, 200, Json{{"ok", true}, {"signedOut", name}, {"notices", Json::array()}});
}

void Service::State::ExpireSessions() {
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(sessionsMutex);
    std::erase_if(sessions, [&](const auto& entry) { return now - entry.second.lastUsed > options.sessionIdle; });
}

}  // namespace humrs::cli
