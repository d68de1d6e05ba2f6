#pragma once
// Conversions of variants and the text helpers the business classes use.
// Null and Empty convert to "", 0 and false. Text converts to a number when it
// reads as one; other text converts to 0.
#include <string>
#include <string_view>
#include <vector>

#include "core/Variant.h"

namespace humrs {

using TStringArray = std::vector<std::string>;

std::string CStr(const Variant& v);
int64_t CInt(const Variant& v);
double CFloat(const Variant& v);
bool CBool(const Variant& v);
Currency CCurr(const Variant& v);

// An SQL string literal: the text in single quotes with embedded quotes doubled.
std::string QuoteStr(std::string_view text);
// A whole number as SQL and messages write it: its plain decimal digits.
inline std::string Num(int64_t n) { return std::to_string(n); }

template <class T>
T IIf(bool condition, T a, T b) {
    return condition ? a : b;
}
inline std::string IIf(bool condition, const char* a, const char* b) { return condition ? a : b; }

// x rounded to `decimals` decimals, halves away from zero (2.675 gives 2.68: the
// binary error of the input is absorbed before rounding).
double RoundValue(double x, int decimals);

// Splits at every occurrence of `separator`; an empty text gives no element.
TStringArray SplitString(std::string_view text, std::string_view separator);
std::string MergeStrings(const TStringArray& parts, std::string_view separator);
// n as decimal digits, left-padded with zeros to `width` (a negative n keeps its sign first).
std::string FormatNumLen(int64_t n, int width);
// The last n characters (code points) of text; all of it when shorter.
std::string Right(std::string_view text, size_t n);

}  // namespace humrs
