#include "framework/Settings.h"

#include <cmath>

#include "core/Convert.h"
#include "core/Errors.h"
#include "core/Text.h"
#include "framework/ComBase.h"

namespace humrs {

namespace {

[[noreturn]] void NotOfType(std::string_view key, const std::string& value, const char* expected) {
    throw InputError("the system parameter " + std::string(key) + " holds \"" + value + "\", which is not " +
                     expected);
}

}  // namespace

ParamReader::ParamReader(TQVXComBase& object) {
    const ResultSet rows = object.Db().Query("Select ParamKey, ParamValue From comSysParam");
    for (const auto& row : rows.rows) values_[LowerAscii(Trim(CStr(row[0])))] = Trim(CStr(row[1]));
}

const std::string* ParamReader::Stored(std::string_view key) const {
    auto it = values_.find(LowerAscii(Trim(key)));
    return it == values_.end() || it->second.empty() ? nullptr : &it->second;
}

int ParamReader::Int(std::string_view key, int fallback) const {
    const std::string* v = Stored(key);
    if (!v) return fallback;
    size_t used = 0;
    try {
        const long long n = std::stoll(*v, &used);
        if (used == v->size() && n >= -2147483648LL && n <= 2147483647LL) return static_cast<int>(n);
    } catch (const std::exception&) {
    }
    NotOfType(key, *v, "a whole number");
}

double ParamReader::Float(std::string_view key, double fallback) const {
    const std::string* v = Stored(key);
    if (!v) return fallback;
    size_t used = 0;
    try {
        const double n = std::stod(*v, &used);
        if (used == v->size() && std::isfinite(n)) return n;
    } catch (const std::exception&) {
    }
    NotOfType(key, *v, "a number");
}

bool ParamReader::Bool(std::string_view key, bool fallback) const {
    const std::string* v = Stored(key);
    if (!v) return fallback;
    const std::string t = LowerAscii(*v);
    if (t == "1" || t == "true") return true;
    if (t == "0" || t == "false") return false;
    NotOfType(key, *v, "a flag (1, 0, true or false)");
}

std::string ParamReader::Text(std::string_view key, const std::string& fallback) const {
    const std::string* v = Stored(key);
    return v ? *v : fallback;
}

}  // namespace humrs
