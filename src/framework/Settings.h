#pragma once
// Typed reading of the suite's system parameters (comSysParam). A subsystem reads its
// parameters through one settings struct that names each key once with its type and
// default; a stored value that is not of the declared type is an error naming the
// key and the value, never read as 0 or false.
#include <map>
#include <string>
#include <string_view>

namespace humrs {

class TQVXComBase;

class ParamReader {
public:
    // Reads the stored parameters once; the reader answers from what it read.
    explicit ParamReader(TQVXComBase& object);

    // Each returns the stored value, or `fallback` when the key is unset or empty.
    // Whole numbers: digits with an optional sign. Numbers: decimal text. Flags:
    // 1/0 or true/false in any letter case.
    int Int(std::string_view key, int fallback) const;
    double Float(std::string_view key, double fallback) const;
    bool Bool(std::string_view key, bool fallback) const;
    std::string Text(std::string_view key, const std::string& fallback) const;

private:
    const std::string* Stored(std::string_view key) const;
    std::map<std::string, std::string> values_;  // by lower-case key
};

}  // namespace humrs
