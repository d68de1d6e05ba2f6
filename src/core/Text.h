#pragma once
// Small text helpers shared by every layer.
#include <string>
#include <string_view>
#include <vector>

namespace humrs {

// Equal without regard to ASCII letter case (names of fields, tables, ProgIDs).
bool SameText(std::string_view a, std::string_view b);
std::string LowerAscii(std::string_view s);
std::string UpperAscii(std::string_view s);
std::string Trim(std::string_view s);
// Whether the text is one or more ASCII digits and nothing else (no sign, no blank);
// false for empty text.
bool AllDigits(std::string_view s);

// The decimal text of a number: the shortest general form with up to 15 significant
// digits ("3", "2.5", "0.333333333333333"), as quantities are written into SQL and
// messages.
std::string DecimalText(double value);

// Number of Unicode code points in UTF-8 text.
size_t Utf8Length(std::string_view s);
// The first character (code point) of UTF-8 text; empty for empty text.
std::string FirstCharacter(std::string_view s);

}  // namespace humrs
