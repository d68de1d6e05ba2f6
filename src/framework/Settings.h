#pragma once
// Typed reading of the suite's system parameters (comSysParam). Each key is declared
// once, as a Param: its key, the type it is read as and the value it reads as when it
// is unset or empty. Everything that reads a key reads it through that declaration,
// so no two readers can disagree on its type or default. A stored value that is not
// of the declared type is an error naming the key and the value, never read as 0 or
// false; a settings struct reads each of its parameters only when a rule asks for it
// (Setting), so a bad value stops only the rules that need it.
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace humrs {

class TQVXComBase;

// A system parameter as declared. T is int (a whole number), double (a number), bool
// (a flag) or std::string_view (a text).
template <class T>
struct Param {
    std::string_view key;
    T fallback;  // what the key reads as when unset or empty
};

// The installation's local type when the session does not fix it.
inline constexpr Param<int> kLocalTypeParam{"LocalType", 0};

class ParamReader {
public:
    // Reads the stored parameters once; the reader answers from what it read.
    explicit ParamReader(TQVXComBase& object);

    // The stored value of the parameter, or its declared fallback when unset or
    // empty. Whole numbers: digits with an optional sign. Numbers: decimal text.
    // Flags: true or false in any letter case, or a number (0 false, any other value
    // true, so the stored -1 of true reads as true). Texts: as stored, trimmed.
    int Get(const Param<int>& param) const;
    double Get(const Param<double>& param) const;
    bool Get(const Param<bool>& param) const;
    std::string Get(const Param<std::string_view>& param) const;

private:
    const std::string* Stored(std::string_view key) const;
    // Keys compared without regard to case, looked up without a copy.
    struct KeyLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    std::map<std::string, std::string, KeyLess> values_;  // by trimmed key
};

// One parameter of a settings struct: read as its declared type at the moment a rule
// uses it (it converts to that type), not when the struct is filled.
template <class T>
class Setting {
public:
    using Value = decltype(std::declval<const ParamReader&>().Get(std::declval<const Param<T>&>()));

    Setting(std::shared_ptr<const ParamReader> reader, const Param<T>& param)
        : reader_(std::move(reader)), param_(&param) {}

    Value Get() const { return reader_->Get(*param_); }
    operator Value() const { return Get(); }  // NOLINT: a setting reads as its value

private:
    std::shared_ptr<const ParamReader> reader_;
    const Param<T>* param_;  // a declaration of static storage
};

}  // namespace humrs
