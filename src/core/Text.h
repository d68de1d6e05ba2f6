#pragma once
// Small text helpers shared by every layer.
#include <string>
#include <string_view>
#include <vector>

namespace humrs {

// Equal without regard to ASCII letter case (names of fields, tables, ProgIDs).
// Whether two texts are the same without regard to the case of ASCII letters. Asked
// of every field and column looked up by name, so it is inline and looks at the
// lengths first.
inline bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = a[i], y = b[i];
        if (x == y) continue;
        if ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z') return false;
    }
    return true;
}
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
