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

}  // namespace humrs
