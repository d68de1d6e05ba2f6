#include "framework/Settings.h"

#include <algorithm>
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
    for (const auto& row : rows.rows) values_[Trim(CStr(row[0]))] = Trim(CStr(row[1]));
}

bool ParamReader::KeyLess::operator()(std::string_view a, std::string_view b) const {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return fold(x) < fold(y); });
}

std::shared_ptr<const ParamReader> TQVXComBase::Params() {
    const Database& db = Db();
    const uint64_t epoch = db.ReadEpoch();
    if (params_ && epoch != 0 && &db == paramsDb_ && epoch == paramsEpoch_) return params_;
    params_ = std::make_shared<const ParamReader>(*this);
    paramsDb_ = &db;
    paramsEpoch_ = db.ReadEpoch();
    return params_;
}

const std::string* ParamReader::Stored(std::string_view key) const {
    // Trimmed as Trim does, without a copy.
    while (!key.empty() && static_cast<unsigned char>(key.front()) <= ' ') key.remove_prefix(1);
    while (!key.empty() && static_cast<unsigned char>(key.back()) <= ' ') key.remove_suffix(1);
    auto it = values_.find(key);
    return it == values_.end() || it->second.empty() ? nullptr : &it->second;
}

int ParamReader::Get(const Param<int>& param) const {
    const std::string* v = Stored(param.key);
    if (!v) return param.fallback;
    size_t used = 0;
    try {
        const long long n = std::stoll(*v, &used);
        if (used == v->size() && n >= -2147483648LL && n <= 2147483647LL) return static_cast<int>(n);
    } catch (const std::exception&) {
    }
    NotOfType(param.key, *v, "a whole number");
}

double ParamReader::Get(const Param<double>& param) const {
    const std::string* v = Stored(param.key);
    if (!v) return param.fallback;
    size_t used = 0;
    try {
        const double n = std::stod(*v, &used);
        if (used == v->size() && std::isfinite(n)) return n;
    } catch (const std::exception&) {
    }
    NotOfType(param.key, *v, "a number");
}

bool ParamReader::Get(const Param<bool>& param) const {
    const std::string* v = Stored(param.key);
    if (!v) return param.fallback;
    const std::string t = LowerAscii(*v);
    if (t == "true") return true;
    if (t == "false") return false;
    // Flags are also stored as numbers: 0 is false and every other number true, the
    // classic -1 of true included.
    size_t used = 0;
    try {
        const double n = std::stod(t, &used);
        if (used == t.size() && std::isfinite(n)) return n != 0;
    } catch (const std::exception&) {
    }
    NotOfType(param.key, *v, "a flag (true, false or a number)");
}

std::string ParamReader::Get(const Param<std::string_view>& param) const {
    const std::string* v = Stored(param.key);
    return v ? *v : std::string(param.fallback);
}

}  // namespace humrs
