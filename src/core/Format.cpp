#include "core/Format.h"

#include <cstdio>

#include "core/Convert.h"

namespace humrs {

std::string FormatMessage(std::string_view pattern, const VariantArray& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        char k = pattern[i + 1];
        const Variant arg = next < args.size() ? args[next] : Variant();
        switch (k) {
            case '%': out += '%'; ++i; continue;
            case 's': out += CStr(arg); break;
            case 'd': out += std::to_string(CInt(arg)); break;
            case 'f': {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%.2f", CFloat(arg));
                out += buf;
                break;
            }
            default: out += c; continue;
        }
        ++next;
        ++i;
    }
    return out;
}

size_t CountPlaceholders(std::string_view pattern) {
    size_t n = 0;
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        const char k = pattern[i + 1];
        if (k == 's' || k == 'd' || k == 'f') ++n;
        ++i;  // %% and the placeholder's letter are not read again
    }
    return n;
}

}  // namespace humrs
