#include "db/Database.h"

namespace humrs {

int ResultSet::ColumnIndex(std::string_view name) const {
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string& col = columns[i].name;
        if (col.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < col.size() && same; ++k) same = fold(col[k]) == fold(name[k]);
        if (same) return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::vector<Variant>> Database::QueryFirst(const std::string& sql,
                                                         const std::vector<Variant>& params) {
    ResultSet rs = Query(sql, params);
    if (rs.rows.empty()) return std::nullopt;
    return std::move(rs.rows.front());
}

namespace {

bool IsSavepointName(const std::string& name) {
    if (name.empty() || name.size() > 63) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!(letter || (digit && i > 0))) return false;
    }
    return true;
}

void CheckSavepoint(const std::string& name) {
    if (!IsSavepointName(name)) throw DatabaseError("invalid savepoint name: " + name);
}

}  // namespace

void Database::Savepoint(const std::string& name) {
    CheckSavepoint(name);
    if (!InTransaction()) throw DatabaseError("savepoint " + name + " outside a transaction");
    Control("SAVEPOINT " + name);
}

void Database::ReleaseSavepoint(const std::string& name) {
    CheckSavepoint(name);
    Control("RELEASE SAVEPOINT " + name);
}

void Database::RollbackToSavepoint(const std::string& name) {
    CheckSavepoint(name);
    Control("ROLLBACK TO SAVEPOINT " + name);
}

}  // namespace humrs
