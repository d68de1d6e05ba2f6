#pragma once
#include <string>
#include <string_view>

#include "core/Message.h"
#include "core/Variant.h"

namespace humrs {

// Formats a message with printf-like placeholders: %s (text of the value), %d (whole
// number), %f (number with two decimals), %% (a percent sign). Missing arguments
// format as empty text; extra arguments are ignored.
std::string FormatMessage(std::string_view pattern, const VariantArray& args);
inline std::string FormatMessage(const Message& message, const VariantArray& args) {
    return FormatMessage(message.text, args);
}
// How many values a message pattern takes (%s, %d and %f; %% takes none).
size_t CountPlaceholders(std::string_view pattern);

}  // namespace humrs
