#pragma once
// Small helpers of the tests that run the humrs program or read what it wrote.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace humrs::testing {

// A text quoted for the shell, whatever quotes it holds.
inline std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The whole content of a file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace humrs::testing
