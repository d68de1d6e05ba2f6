#include "core/Variant.h"

#include <cmath>
#include <cstdio>

#include "core/DataPacket.h"
#include "core/Text.h"

namespace humrs {

Currency Currency::FromDouble(double v) {
    double scaled = v * kScale;
    return FromUnits(static_cast<int64_t>(std::llround(scaled)));
}

std::string Currency::ToString() const {
    int64_t u = units_;
    bool neg = u < 0;
    uint64_t a = neg ? static_cast<uint64_t>(-(u + 1)) + 1 : static_cast<uint64_t>(u);
    uint64_t whole = a / kScale, frac = a % kScale;
    std::string s = (neg ? "-" : "") + std::to_string(whole);
    if (frac != 0) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04llu", static_cast<unsigned long long>(frac));
        std::string f(buf);
        while (!f.empty() && f.back() == '0') f.pop_back();
        s += "." + f;
    }
    return s;
}

Currency Currency::operator*(Currency o) const {
    __int128 p = static_cast<__int128>(units_) * o.units_;
    return FromUnits(static_cast<int64_t>(p / kScale));
}

Currency Currency::operator/(Currency o) const {
    if (o.units_ == 0) throw std::domain_error("currency division by zero");
    __int128 p = static_cast<__int128>(units_) * kScale;
    return FromUnits(static_cast<int64_t>(p / o.units_));
}

VariantArray& Variant::MutableArray() {
    auto& p = std::get<std::shared_ptr<VariantArray>>(v_);
    if (p.use_count() > 1) p = std::make_shared<VariantArray>(*p);
    return *p;
}

const Variant& Variant::operator[](size_t i) const {
    static const Variant kEmpty;
    if (!IsArray()) return kEmpty;
    const auto& a = AsArray();
    return i < a.size() ? a[i] : kEmpty;
}

bool Variant::operator==(const Variant& o) const {
    if (Type() != o.Type()) return false;
    switch (Type()) {
        case VarType::Array: return AsArray() == o.AsArray();
        default: return v_ == o.v_;
    }
}

static double NumberOf(const Variant& v) {
    switch (v.Type()) {
        case VarType::Bool: return v.AsBool() ? 1 : 0;
        case VarType::Int: return static_cast<double>(v.AsInt());
        case VarType::Float: return v.AsFloat();
        case VarType::Currency: return v.AsCurrency().ToDouble();
        default: return 0;
    }
}

bool Variant::SameValue(const Variant& o) const {
    if (IsNullOrEmpty() || o.IsNullOrEmpty()) return IsNullOrEmpty() && o.IsNullOrEmpty();
    if (IsNumeric() && o.IsNumeric()) {
        if (Type() == VarType::Int && o.Type() == VarType::Int) return AsInt() == o.AsInt();
        if (Type() == VarType::Currency && o.Type() == VarType::Currency) return AsCurrency() == o.AsCurrency();
        return NumberOf(*this) == NumberOf(o);
    }
    if (IsString() && o.IsString()) return AsString() == o.AsString();
    return *this == o;
}

std::string Variant::Describe() const {
    switch (Type()) {
        case VarType::Empty: return "Empty";
        case VarType::Null: return "Null";
        case VarType::Bool: return AsBool() ? "true" : "false";
        case VarType::Int: return std::to_string(AsInt());
        case VarType::Float: return DecimalText(AsFloat());
        case VarType::Currency: return AsCurrency().ToString();
        case VarType::String: return "'" + AsString() + "'";
        case VarType::Array: {
            std::string s = "[";
            for (size_t i = 0; i < AsArray().size(); ++i) s += (i ? ", " : "") + AsArray()[i].Describe();
            return s + "]";
        }
        case VarType::Packet: {
            auto& p = AsPacket();
            return "<packet " + std::to_string(p ? p->rows.size() : 0) + " rows>";
        }
    }
    return "?";
}

int DataPacket::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (SameText(fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

}  // namespace humrs
