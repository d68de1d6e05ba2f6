#pragma once
// The people and programs that may use the service: named accounts with roles. A
// person signs in with a password, stored only as an Argon2id hash; a program holds
// a token, stored only as its digest. Disabled accounts keep their row (for the
// audit trail) but neither sign in nor use their token.
#include <optional>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/TableDef.h"

namespace humrs {

// The account table; the registry adds it to the classes' tables, so `init` makes it.
std::vector<TableDef> AccountTables();

// Every role there is, in the order they are listed: attendance, payroll,
// personnel, viewer, admin.
const std::vector<std::string>& AllRoles();
// The roles as given, each checked and lower-cased, without repeats. InputError
// naming an unknown role, or when none is given.
std::vector<std::string> CheckRoles(const std::vector<std::string>& roles);
// An account name: 1 to 64 letters, digits and . _ - @. InputError otherwise.
void CheckAccountName(const std::string& name);
// A password of 8 to 1024 bytes without control characters. InputError otherwise.
void CheckPassword(const std::string& password);

struct Account {
    std::string name;
    std::vector<std::string> roles;
    bool disabled = false;
    bool service = false;  // a program's account: token only, no password
    bool HasRole(const std::string& role) const;
};

// The accounts on one database connection. Each change runs in a write transaction
// of its own; InputError names an unknown account or a name taken already.
class AccountStore {
public:
    explicit AccountStore(Database& db) : db_(db) {}

    // A person's account when `password` is set, else a program's.
    void Add(const std::string& name, const std::vector<std::string>& roles,
             const std::optional<std::string>& password);
    std::optional<Account> Find(const std::string& name);
    std::vector<Account> List();
    void SetDisabled(const std::string& name, bool disabled);
    void SetPassword(const std::string& name, const std::string& password);
    void SetRoles(const std::string& name, const std::vector<std::string>& roles);
    // A new token for the account, replacing its earlier one; only its digest is kept,
    // so the text returned is the one chance to see it.
    std::string NewToken(const std::string& name);
    // The account holding this token, disabled or not; nullopt when none does.
    std::optional<Account> FindByToken(const std::string& token);
    // The account of this name and password, disabled or not; nullopt for an unknown
    // name, a wrong password or a program's account. An unknown name costs the same
    // hash as a wrong password, so the time taken does not tell them apart.
    std::optional<Account> SignIn(const std::string& name, const std::string& password);

private:
    void Change(const std::string& name, const std::string& sql, const std::vector<Variant>& params);
    Database& db_;
};

// 32 random bytes as 64 hex digits: tokens, session ids, anti-forgery tokens.
std::string NewSecret();
// The digest a secret is stored and looked up by (64 hex digits).
std::string SecretDigest(const std::string& secret);
// Whether two secrets are equal, in time that does not depend on where they differ.
bool SameSecret(const std::string& a, const std::string& b);

}  // namespace humrs
