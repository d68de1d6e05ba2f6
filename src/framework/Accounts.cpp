#include "framework/Accounts.h"

#include <sodium.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "db/Schema.h"
#include "framework/ClassDescriptor.h"

namespace humrs {

namespace {

constexpr const char* kTable = "humrsAccount";
constexpr size_t kMaxName = 64;
constexpr size_t kMinPassword = 8;
constexpr size_t kMaxPassword = 1024;

void InitSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("the cryptography library could not start");
}

std::string Hex(const unsigned char* bytes, size_t size) {
    std::string text(size * 2 + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), bytes, size);
    text.pop_back();
    return text;
}

std::string HashPassword(const std::string& password) {
    InitSodium();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("hashing a password ran out of memory");
    return hash;
}

bool PasswordMatches(const std::string& hash, const std::string& password) {
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

// What an unknown name's password is checked against, so that it costs what a
// known name's does.
const std::string& DecoyHash() {
    static const std::string hash = HashPassword(NewSecret());
    return hash;
}

std::string JoinRoles(const std::vector<std::string>& roles) {
    std::string text;
    for (const std::string& role : roles) text += (text.empty() ? "" : ",") + role;
    return text;
}

std::vector<std::string> SplitRoles(const std::string& text) {
    std::vector<std::string> roles;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string role = Trim(text.substr(start, comma - start));
        if (!role.empty()) roles.push_back(role);
        start = comma + 1;
    }
    return roles;
}

const char* kColumns = "Select UserName, Roles, Disabled, IsService, PasswordHash From humrsAccount";

Account AccountOf(const std::vector<Variant>& row) {
    Account a;
    a.name = CStr(row[0]);
    a.roles = SplitRoles(CStr(row[1]));
    a.disabled = CInt(row[2]) != 0;
    a.service = CInt(row[3]) != 0;
    return a;
}

template <class F>
void InWriteTransaction(Database& db, F work) {
    db.BeginWrite();
    try {
        work();
        db.Commit();
    } catch (...) {
        db.Rollback();
        throw;
    }
}

}  // namespace

std::vector<TableDef> AccountTables() {
    using namespace column_types;
    return {{kTable,
             {{"UserName", kText},
              {"Roles", kText},  // comma-separated
              {"PasswordHash", kText},  // empty for a program's account
              {"TokenDigest", kText},   // empty until a token is made
              {"Disabled", kInt},
              {"IsService", kInt}},
             {"UserName"}}};
}

const std::vector<std::string>& AllRoles() {
    static const std::vector<std::string> all = {roles::kAttendance, roles::kPayroll, roles::kPersonnel,
                                                 roles::kViewer, roles::kAdmin};
    return all;
}

std::vector<std::string> CheckRoles(const std::vector<std::string>& given) {
    std::vector<std::string> checked;
    for (const std::string& text : given)
        for (const std::string& part : SplitRoles(text)) {
            const std::string role = LowerAscii(part);
            if (std::find(AllRoles().begin(), AllRoles().end(), role) == AllRoles().end())
                throw InputError("unknown role \"" + part + "\"; the roles are " + JoinRoles(AllRoles()));
            if (std::find(checked.begin(), checked.end(), role) == checked.end()) checked.push_back(role);
        }
    if (checked.empty()) throw InputError("give the account at least one role: " + JoinRoles(AllRoles()));
    return checked;
}

void CheckAccountName(const std::string& name) {
    const bool allowed = !name.empty() && name.size() <= kMaxName &&
                         std::all_of(name.begin(), name.end(), [](unsigned char c) {
                             return std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '@';
                         });
    if (!allowed)
        throw InputError("an account name is 1 to " + std::to_string(kMaxName) +
                         " letters, digits and . _ - @");
}

void CheckPassword(const std::string& password) {
    if (password.size() < kMinPassword || password.size() > kMaxPassword)
        throw InputError("a password has " + std::to_string(kMinPassword) + " to " + std::to_string(kMaxPassword) +
                         " characters");
    for (unsigned char c : password)
        if (c < ' ' || c == 0x7f) throw InputError("a password must not hold control characters");
}

bool Account::HasRole(const std::string& role) const {
    return std::find(roles.begin(), roles.end(), role) != roles.end();
}

void AccountStore::Add(const std::string& name, const std::vector<std::string>& roles,
                       const std::optional<std::string>& password) {
    CheckAccountName(name);
    const std::vector<std::string> checked = CheckRoles(roles);
    if (password) CheckPassword(*password);
    const std::string hash = password ? HashPassword(*password) : std::string();
    InWriteTransaction(db_, [&] {
        if (db_.QueryFirst("Select UserName From humrsAccount Where UserName = ?", {Variant(name)}))
            throw InputError("an account named " + name + " exists already");
        db_.Execute(
            "Insert Into humrsAccount (UserName, Roles, PasswordHash, TokenDigest, Disabled, IsService) "
            "Values (?, ?, ?, '', 0, ?)",
            {Variant(name), Variant(JoinRoles(checked)), Variant(hash), Variant(password ? 0 : 1)});
    });
}

std::optional<Account> AccountStore::Find(const std::string& name) {
    const auto row = db_.QueryFirst(std::string(kColumns) + " Where UserName = ?", {Variant(name)});
    if (!row) return std::nullopt;
    return AccountOf(*row);
}

std::vector<Account> AccountStore::List() {
    std::vector<Account> accounts;
    for (const auto& row : db_.Query(std::string(kColumns) + " Order By UserName").rows)
        accounts.push_back(AccountOf(row));
    return accounts;
}

void AccountStore::Change(const std::string& name, const std::string& sql, const std::vector<Variant>& params) {
    InWriteTransaction(db_, [&] {
        if (db_.Execute(sql, params) == 0) throw InputError("no account named " + name);
    });
}

void AccountStore::SetDisabled(const std::string& name, bool disabled) {
    Change(name, "Update humrsAccount Set Disabled = ? Where UserName = ?",
           {Variant(disabled ? 1 : 0), Variant(name)});
}

void AccountStore::SetPassword(const std::string& name, const std::string& password) {
    CheckPassword(password);
    const auto account = Find(name);
    if (account && account->service)
        throw InputError(name + " is a program's account: it signs in with its token, not a password");
    Change(name, "Update humrsAccount Set PasswordHash = ? Where UserName = ?",
           {Variant(HashPassword(password)), Variant(name)});
}

void AccountStore::SetRoles(const std::string& name, const std::vector<std::string>& roles) {
    Change(name, "Update humrsAccount Set Roles = ? Where UserName = ?",
           {Variant(JoinRoles(CheckRoles(roles))), Variant(name)});
}

std::string AccountStore::NewToken(const std::string& name) {
    const std::string token = NewSecret();
    Change(name, "Update humrsAccount Set TokenDigest = ? Where UserName = ?",
           {Variant(SecretDigest(token)), Variant(name)});
    return token;
}

std::optional<Account> AccountStore::FindByToken(const std::string& token) {
    if (token.empty()) return std::nullopt;
    const auto row =
        db_.QueryFirst(std::string(kColumns) + " Where TokenDigest = ?", {Variant(SecretDigest(token))});
    if (!row) return std::nullopt;
    return AccountOf(*row);
}

std::optional<Account> AccountStore::SignIn(const std::string& name, const std::string& password) {
    std::optional<std::vector<Variant>> row;
    // A name that could not be an account's is looked up all the same, as nothing.
    if (name.size() <= kMaxName) row = db_.QueryFirst(std::string(kColumns) + " Where UserName = ?", {Variant(name)});
    const std::string hash = row ? CStr((*row)[4]) : std::string();
    const bool matches = PasswordMatches(hash.empty() ? DecoyHash() : hash, password);
    if (!row || hash.empty() || !matches) return std::nullopt;
    return AccountOf(*row);
}

// Tokens are long random secrets: a plain digest keeps a stolen table from giving
// them away, and a slow password hash would only slow every request.
std::string SecretDigest(const std::string& secret) {
    InitSodium();
    unsigned char digest[32];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(secret.data()), secret.size(),
                       nullptr, 0);
    return Hex(digest, sizeof digest);
}

std::string NewSecret() {
    InitSodium();
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return Hex(bytes, sizeof bytes);
}

bool SameSecret(const std::string& a, const std::string& b) {
    return a.size() == b.size() && !a.empty() &&
           sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace humrs
