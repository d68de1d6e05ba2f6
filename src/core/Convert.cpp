#include "core/Convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/Text.h"

namespace humrs {

namespace {
bool ParseNumber(std::string_view text, double& out) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, e, out);
    return r.ec == std::errc() && r.ptr == e;
}
}  // namespace

std::string CStr(const Variant& v) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null: return "";
        case VarType::Bool: return v.AsBool() ? "True" : "False";
        case VarType::Int: return std::to_string(v.AsInt());
        case VarType::Float: return DecimalText(v.AsFloat());
        case VarType::Currency: return v.AsCurrency().ToString();
        case VarType::String: return v.AsString();
        default: return "";
    }
}

int64_t CInt(const Variant& v) {
    switch (v.Type()) {
        case VarType::Bool: return v.AsBool() ? 1 : 0;
        case VarType::Int: return v.AsInt();
        case VarType::Float: {
            // Saturate instead of wrapping: a value past the range stays at its end.
            const double d = v.AsFloat();
            if (std::isnan(d)) return 0;
            if (d >= 9.2e18) return std::numeric_limits<int64_t>::max();
            if (d <= -9.2e18) return std::numeric_limits<int64_t>::min();
            return static_cast<int64_t>(std::llround(d));
        }
        case VarType::Currency: return static_cast<int64_t>(std::llround(v.AsCurrency().ToDouble()));
        case VarType::String: {
            double d;
            if (SameText(Trim(v.AsString()), "true")) return 1;
            return ParseNumber(v.AsString(), d) ? static_cast<int64_t>(std::llround(d)) : 0;
        }
        default: return 0;
    }
}

double CFloat(const Variant& v) {
    switch (v.Type()) {
        case VarType::Bool: return v.AsBool() ? 1 : 0;
        case VarType::Int: return static_cast<double>(v.AsInt());
        case VarType::Float: return v.AsFloat();
        case VarType::Currency: return v.AsCurrency().ToDouble();
        case VarType::String: {
            double d;
            return ParseNumber(v.AsString(), d) ? d : 0;
        }
        default: return 0;
    }
}

bool CBool(const Variant& v) {
    switch (v.Type()) {
        case VarType::Bool: return v.AsBool();
        case VarType::String: {
            std::string t = Trim(v.AsString());
            if (SameText(t, "true")) return true;
            double d;
            return ParseNumber(t, d) && d != 0;
        }
        case VarType::Empty:
        case VarType::Null: return false;
        default: return CFloat(v) != 0;
    }
}

Currency CCurr(const Variant& v) {
    switch (v.Type()) {
        case VarType::Currency: return v.AsCurrency();
        case VarType::Int: return Currency::FromInt(v.AsInt());
        default: return Currency::FromDouble(CFloat(v));
    }
}

std::string QuoteStr(std::string_view text) {
    std::string r;
    r.reserve(text.size() + 2);
    r += '\'';
    for (char c : text) {
        if (c == '\'') r += '\'';
        r += c;
    }
    r += '\'';
    return r;
}

double RoundValue(double x, int decimals) {
    if (!std::isfinite(x) || x == 0) return x + 0.0;
    // Round the decimal the value stands for (its shortest text that reads back as
    // the same value: 2.675, not the binary 2.67499999...), digit by digit, so that no
    // magnitude of the value shifts the result by a unit.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
    const std::string text(buf, res.ptr);
    const size_t e = text.find('e');
    std::string digits = text.substr(0, e);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    const int exponent = std::stoi(text.substr(e + 1));  // value = d.ddd * 10^exponent
    const long keep = static_cast<long>(exponent) + decimals + 1;  // digits left of the cut
    if (keep >= static_cast<long>(digits.size())) return x + 0.0;
    if (keep < 0) return std::copysign(0.0, x) + 0.0;
    std::string kept = digits.substr(0, static_cast<size_t>(keep));
    if (digits[static_cast<size_t>(keep)] >= '5') {
        size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
        if (i == 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[i - 1];
    }
    if (kept.empty()) return std::copysign(0.0, x) + 0.0;
    const std::string rounded = kept + "e" + std::to_string(-decimals);
    double r = 0;
    std::from_chars(rounded.data(), rounded.data() + rounded.size(), r);
    return std::copysign(r, x) + 0.0;
}

TStringArray SplitString(std::string_view text, std::string_view separator) {
    TStringArray parts;
    if (text.empty()) return parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(separator, start);
        if (pos == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            break;
        }
        parts.emplace_back(text.substr(start, pos - start));
        start = pos + separator.size();
    }
    return parts;
}

std::string MergeStrings(const TStringArray& parts, std::string_view separator) {
    std::string r;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) r += separator;
        r += parts[i];
    }
    return r;
}

std::string FormatNumLen(int64_t n, int width) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    while (static_cast<int>(digits.size()) < width - (n < 0 ? 1 : 0)) digits.insert(digits.begin(), '0');
    return (n < 0 ? "-" : "") + digits;
}

std::string Right(std::string_view text, size_t n) {
    size_t len = Utf8Length(text);
    if (n >= len) return std::string(text);
    size_t skip = len - n, i = 0, cp = 0;
    while (i < text.size()) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (cp == skip) break;
            ++cp;
        }
        ++i;
    }
    return std::string(text.substr(i));
}

}  // namespace humrs
