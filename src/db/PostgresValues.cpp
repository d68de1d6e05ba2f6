#include "db/PostgresValues.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>

namespace humrs::pg_values {

// Exact money from the server's decimal text: at most four decimals, the fifth
// rounded half away from zero.
Currency CurrencyFromText(const char* text) {
    const char* p = text;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int64_t units = 0;
    while (*p >= '0' && *p <= '9') units = units * 10 + (*p++ - '0');
    int decimals = 0;
    bool roundUp = false;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') {
            if (decimals < 4) {
                units = units * 10 + (*p - '0');
                ++decimals;
            } else if (decimals == 4) {
                roundUp = *p >= '5';
                ++decimals;
            }
            ++p;
        }
    }
    for (int d = std::min(decimals, 4); d < 4; ++d) units *= 10;
    if (roundUp) ++units;
    return Currency::FromUnits(negative ? -units : units);
}

// A decimal number that is whole comes back as an integer, as SQLite gives the sum of
// whole amounts.
Variant NumberFromText(const char* text) {
    std::string_view s(text);
    if (s.find_first_not_of("0123456789-.") == std::string_view::npos) {
        size_t dot = s.find('.');
        std::string_view whole = s.substr(0, dot);
        bool noFraction = dot == std::string_view::npos || s.find_first_not_of('0', dot + 1) == std::string_view::npos;
        int64_t value = 0;
        auto [end, ec] = std::from_chars(whole.data(), whole.data() + whole.size(), value);
        if (noFraction && ec == std::errc() && end == whole.data() + whole.size()) return Variant(value);
    }
    return Variant(std::strtod(text, nullptr));
}

ColumnType TypeOfResult(Oid type, int typmod, bool fromTable) {
    switch (type) {
        case kBoolOid: return ColumnType::Boolean;
        // Flags are stored as SMALLINT; a SMALLINT computed by an expression is a number.
        case kInt2Oid: return fromTable ? ColumnType::Boolean : ColumnType::Integer;
        case kInt4Oid:
        case kInt8Oid: return ColumnType::Integer;
        case kFloat4Oid:
        case kFloat8Oid: return ColumnType::Float;
        case kNumericOid: return typmod == kMoneyTypmod ? ColumnType::Currency : ColumnType::Unknown;
        default: return ColumnType::Text;
    }
}

Variant ReadValue(const PGresult* res, int row, int col, ColumnType type) {
    if (PQgetisnull(res, row, col)) return Variant::Null();
    const char* text = PQgetvalue(res, row, col);
    switch (type) {
        case ColumnType::Boolean:
            if (PQftype(res, col) == kBoolOid) return Variant(text[0] == 't');
            return Variant(std::strtoll(text, nullptr, 10) != 0);
        case ColumnType::Integer: return Variant(static_cast<int64_t>(std::strtoll(text, nullptr, 10)));
        case ColumnType::Float: return Variant(std::strtod(text, nullptr));
        case ColumnType::Currency: return Variant(CurrencyFromText(text));
        case ColumnType::Unknown: return NumberFromText(text);
        case ColumnType::Text: break;
    }
    return Variant(std::string(text, static_cast<size_t>(PQgetlength(res, row, col))));
}

// The type a column declaration stands for, as format_type() writes it.
ColumnType TypeFromDeclared(const std::string& declared) {
    if (declared == "bigint" || declared == "integer") return ColumnType::Integer;
    if (declared == "smallint" || declared == "boolean") return ColumnType::Boolean;
    if (declared == "double precision" || declared == "real") return ColumnType::Float;
    if (declared.rfind("numeric", 0) == 0) return ColumnType::Currency;
    return ColumnType::Text;
}

// A parameter value as text, or null for Null and Empty.
bool ParameterText(const Variant& v, std::string& out) {
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Null: return false;
        case VarType::Bool: out = v.AsBool() ? "1" : "0"; return true;
        case VarType::Int: out = std::to_string(v.AsInt()); return true;
        case VarType::Float: {
            char buf[64];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.AsFloat());
            out.assign(buf, ec == std::errc() ? end : buf);
            return true;
        }
        case VarType::Currency: {
            int64_t units = v.AsCurrency().Units();
            bool negative = units < 0;
            uint64_t abs = negative ? static_cast<uint64_t>(-(units + 1)) + 1 : static_cast<uint64_t>(units);
            std::string frac = std::to_string(abs % 10000);
            out = (negative ? "-" : "") + std::to_string(abs / 10000) + "." + std::string(4 - frac.size(), '0') + frac;
            return true;
        }
        case VarType::String: out = v.AsString(); return true;
        case VarType::Array:
        case VarType::Packet: break;
    }
    throw DatabaseError("an array or data packet cannot be bound");
}

Oid NumberType(std::string_view text, bool whole) {
    if (!whole) return kNumericOid;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return kNumericOid;
    return value <= INT32_MAX ? kInt4Oid : kInt8Oid;
}

LiftedValue LiftedFromLiteral(const SqlToken& tok) {
    if (tok.kind == SqlTokenKind::String) return {tok.value, kUnknownOid};
    const bool whole = tok.text.find_first_not_of("0123456789") == std::string::npos;
    return {tok.text, NumberType(tok.text, whole)};
}

}  // namespace humrs::pg_values
