// `humrs user`: the accounts people sign in with and programs hold tokens of.
#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "cli/Commands.h"
#include "cli/Connection.h"
#include "core/Errors.h"
#include "framework/Accounts.h"

namespace humrs::cli {

namespace {

std::string ReadLine(bool echo) {
    termios saved{};
    const bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal && !echo) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (terminal && !echo) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << "\n";
    }
    if (!read) throw InputError("no password on standard input");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// From the terminal: asked twice, without echo. Otherwise the first line of
// standard input, for scripts.
std::string ReadPassword(const std::string& name) {
    if (!::isatty(STDIN_FILENO)) return ReadLine(true);
    std::cerr << "password for " << name << ": " << std::flush;
    const std::string password = ReadLine(false);
    CheckPassword(password);
    std::cerr << "the same again: " << std::flush;
    if (ReadLine(false) != password) throw InputError("the two passwords differ");
    return password;
}

Json AccountJson(const Account& a) {
    return Json{{"name", a.name}, {"roles", a.roles}, {"disabled", a.disabled}, {"service", a.service}};
}

template <class F>
Answer OnAccounts(const GlobalOptions& options, F work) {
    return Guarded([&] {
        Connection c = Connect(options, Mode::Existing);
        AccountStore store(*c.db);
        Json body = {{"ok", true}};
        work(store, body);
        body["notices"] = Json::array();
        Answer answer;
        answer.body = std::move(body);
        return answer;
    });
}

}  // namespace

Answer RunUserAdd(const GlobalOptions& options, const std::string& name, const std::vector<std::string>& roles,
                  bool service) {
    return OnAccounts(options, [&](AccountStore& store, Json& body) {
        CheckAccountName(name);
        CheckRoles(roles);
        std::optional<std::string> password;
        if (!service) password = ReadPassword(name);
        store.Add(name, roles, password);
        body["account"] = AccountJson(*store.Find(name));
    });
}

Answer RunUserList(const GlobalOptions& options) {
    return OnAccounts(options, [&](AccountStore& store, Json& body) {
        body["accounts"] = Json::array();
        for (const Account& a : store.List()) body["accounts"].push_back(AccountJson(a));
    });
}

Answer RunUserDisable(const GlobalOptions& options, const std::string& name, bool disabled) {
    return OnAccounts(options, [&](AccountStore& store, Json& body) {
        store.SetDisabled(name, disabled);
        body["account"] = AccountJson(*store.Find(name));
    });
}

Answer RunUserPasswd(const GlobalOptions& options, const std::string& name) {
    return OnAccounts(options, [&](AccountStore& store, Json& body) {
        if (!store.Find(name)) throw InputError("no account named " + name);
        store.SetPassword(name, ReadPassword(name));
        body["account"] = AccountJson(*store.Find(name));
    });
}

Answer RunUserRoles(const GlobalOptions& options, const std::string& name, const std::vector<std::string>& roles) {
    return OnAccounts(options, [&](AccountStore& store, Json& body) {
        store.SetRoles(name, roles);
        body["account"] = AccountJson(*store.Find(name));
    });
}

Answer RunUserToken(const GlobalOptions& options, const std::string& name) {
    return OnAccounts(options, [&](AccountStore& store, Json& body) {
        body["token"] = store.NewToken(name);
        body["account"] = AccountJson(*store.Find(name));
    });
}

}  // namespace humrs::cli
