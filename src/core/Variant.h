#pragma once
// The value type that travels between the client, the framework and the business
// classes: the automation variant reduced to what the HR component uses.
#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace humrs {

// Money as fixed point with four decimals. Arithmetic never rounds: results keep
// four decimals and anything finer is cut off, as currency arithmetic does.
class Currency {
public:
    static constexpr int64_t kScale = 10000;
    constexpr Currency() = default;
    static constexpr Currency FromUnits(int64_t units) { Currency c; c.units_ = units; return c; }
    // Lossy: rounds the double to the nearest ten-thousandth (half away from zero).
    static Currency FromDouble(double v);
    static constexpr Currency FromInt(int64_t v) { return FromUnits(v * kScale); }
    constexpr int64_t Units() const { return units_; }
    double ToDouble() const { return static_cast<double>(units_) / kScale; }
    // Plain decimal text without trailing zeros ("12.5", "-3", "0.0001").
    std::string ToString() const;
    Currency operator+(Currency o) const { return FromUnits(units_ + o.units_); }
    Currency operator-(Currency o) const { return FromUnits(units_ - o.units_); }
    Currency operator-() const { return FromUnits(-units_); }
    // Product and quotient truncated towards zero at four decimals.
    Currency operator*(Currency o) const;
    Currency operator/(Currency o) const;
    Currency& operator+=(Currency o) { units_ += o.units_; return *this; }
    Currency& operator-=(Currency o) { units_ -= o.units_; return *this; }
    auto operator<=>(const Currency&) const = default;

private:
    int64_t units_ = 0;
};

class Variant;
struct DataPacket;
using VariantArray = std::vector<Variant>;
using DataPacketPtr = std::shared_ptr<DataPacket>;

struct NullTag {
    bool operator==(const NullTag&) const = default;
};
struct EmptyTag {
    bool operator==(const EmptyTag&) const = default;
};

enum class VarType { Empty, Null, Bool, Int, Float, Currency, String, Array, Packet };

class Variant {
public:
    Variant() = default;  // Empty
    Variant(EmptyTag) {}
    Variant(NullTag) : v_(NullTag{}) {}
    Variant(bool b) : v_(b) {}
    Variant(int i) : v_(static_cast<int64_t>(i)) {}
    Variant(long i) : v_(static_cast<int64_t>(i)) {}
    Variant(long long i) : v_(static_cast<int64_t>(i)) {}
    Variant(double d) : v_(d) {}
    Variant(Currency c) : v_(c) {}
    Variant(std::string s) : v_(std::move(s)) {}
    Variant(const char* s) : v_(std::string(s)) {}
    Variant(std::string_view s) : v_(std::string(s)) {}
    Variant(VariantArray a) : v_(std::make_shared<VariantArray>(std::move(a))) {}
    Variant(DataPacketPtr p) : v_(std::move(p)) {}

    static Variant Null() { return Variant(NullTag{}); }
    static Variant Empty() { return Variant(); }

    VarType Type() const { return static_cast<VarType>(v_.index()); }
    bool IsEmpty() const { return Type() == VarType::Empty; }
    bool IsNull() const { return Type() == VarType::Null; }
    // Empty or Null: "no value".
    bool IsNullOrEmpty() const { return IsEmpty() || IsNull(); }
    bool IsArray() const { return Type() == VarType::Array; }
    bool IsPacket() const { return Type() == VarType::Packet; }
    bool IsString() const { return Type() == VarType::String; }
    bool IsNumeric() const {
        auto t = Type();
        return t == VarType::Int || t == VarType::Float || t == VarType::Currency || t == VarType::Bool;
    }

    // Raw accessors; they assert the type. Use the CStr/CInt family for conversions.
    bool AsBool() const { return std::get<bool>(v_); }
    int64_t AsInt() const { return std::get<int64_t>(v_); }
    double AsFloat() const { return std::get<double>(v_); }
    Currency AsCurrency() const { return std::get<Currency>(v_); }
    const std::string& AsString() const { return std::get<std::string>(v_); }
    const VariantArray& AsArray() const { return *std::get<std::shared_ptr<VariantArray>>(v_); }
    VariantArray& MutableArray();
    const DataPacketPtr& AsPacket() const { return std::get<DataPacketPtr>(v_); }

    // Element i of an array (indexed from 0); Empty when not an array or out of range.
    const Variant& operator[](size_t i) const;
    size_t ArrayLength() const { return IsArray() ? AsArray().size() : 0; }

    // Same type and same value (arrays element by element, packets by identity).
    bool operator==(const Variant& o) const;
    // Loose equality as the client sees it: numbers compare by value whatever their
    // type, texts exactly, Null/Empty equal each other.
    bool SameValue(const Variant& o) const;

    // A debugging text of the value ("Empty", "Null", "'abc'", "[1, 2]").
    std::string Describe() const;

private:
    std::variant<EmptyTag, NullTag, bool, int64_t, double, Currency, std::string,
                 std::shared_ptr<VariantArray>, DataPacketPtr>
        v_;
};

// Element i of a list of values; Empty past its end (a client's lists of field names
// and values may be shorter than a routine reads).
inline Variant Item(const VariantArray& values, size_t i) { return i < values.size() ? values[i] : Variant(); }

}  // namespace humrs
