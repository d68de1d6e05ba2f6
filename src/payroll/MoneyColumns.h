#pragma once
// Money read back from a statement. A sum, a difference or a product of money columns
// reaches a class as a binary floating-point number on some backends (0.1 + 0.2 as
// 0.30000000000000004); read as money, at four decimals, it is the exact amount again.
#include <initializer_list>
#include <string_view>

#include "core/Variant.h"
#include "framework/Dataset.h"

namespace humrs {

// The row set (a data packet) with the named columns read as money: their type is
// Currency and each value the four-decimal amount it stands for; Null stays Null.
// Columns the set lacks are left alone.
Variant ReadAsMoney(const Variant& packet, std::initializer_list<std::string_view> columns);
Dataset ReadAsMoney(const Dataset& rows, std::initializer_list<std::string_view> columns);

// A money amount the class worked out in floating point, as money.
inline Variant MoneyValue(double amount) { return Variant(Currency::FromDouble(amount)); }

}  // namespace humrs
