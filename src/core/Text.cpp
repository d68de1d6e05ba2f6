#include "core/Text.h"

#include <cmath>
#include <cstdio>

namespace humrs {

static char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = LowerChar(c);
    return r;
}

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string DecimalText(double value) {
    if (std::isnan(value) || std::isinf(value)) return "0";
    if (value == 0) return "0";  // also folds -0
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string s(buf);
    // Prefer plain decimals over exponent form for the magnitudes quantities have.
    if (s.find('e') != std::string::npos && std::fabs(value) >= 1e-6 && std::fabs(value) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.15f", value);
        s = buf;
        // keep at most 15 significant digits, then strip trailing zeros
        size_t digits = 0, i = 0;
        bool started = false;
        for (; i < s.size(); ++i) {
            if (s[i] >= '0' && s[i] <= '9') {
                if (s[i] != '0') started = true;
                if (started && ++digits > 15) break;
            }
        }
        s = s.substr(0, i);
        if (s.find('.') != std::string::npos) {
            while (!s.empty() && s.back() == '0') s.pop_back();
            if (!s.empty() && s.back() == '.') s.pop_back();
        }
    }
    return s;
}

size_t Utf8Length(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string FirstCharacter(std::string_view s) {
    size_t n = s.empty() ? 0 : 1;
    while (n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
    return std::string(s.substr(0, n));
}

}  // namespace humrs
