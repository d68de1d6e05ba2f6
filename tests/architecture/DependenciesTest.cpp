// Every package a build file asks for is one that scripts/setup.sh installs. A machine
// that still holds a package from earlier work would otherwise hide a missing install
// step until a newcomer's bare machine stops the build.
#include "BuildPaths.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

// What CMake is asked for (find_package, pkg_check_modules, find_program), and the
// Debian package that brings it.
const std::map<std::string, std::string> kDebianPackage = {
    {"PkgConfig", "pkg-config"},         {"nlohmann_json", "nlohmann-json3-dev"},
    {"CLI11", "libcli11-dev"},           {"GTest", "libgtest-dev"},
    {"benchmark", "libbenchmark-dev"},   {"fmt", "libfmt-dev"},
    {"sqlite3", "libsqlite3-dev"},       {"libpq", "libpq-dev"},
    {"icu-i18n", "libicu-dev"},          {"icu-uc", "libicu-dev"},
    {"cpp-httplib", "libcpp-httplib-dev"}, {"libsodium", "libsodium-dev"},
    {"libmicrohttpd", "libmicrohttpd-dev"}, {"OpenSSL", "libssl-dev"},
    {"clang++", "clang"},                {"clang++-14", "clang"},
    {"ccache", "ccache"},                {"python3", "python3"},
    {"libtcmalloc_minimal", "libgoogle-perftools-dev"},
};

// The packages the set-up installs: the lines of its PKGS list.
std::set<std::string> SetUpPackages(const std::string& script) {
    std::set<std::string> packages;
    const auto begin = script.find("PKGS=\"");
    if (begin == std::string::npos) return packages;
    const auto end = script.find('"', begin + 6);
    std::istringstream list(script.substr(begin + 6, end - begin - 6));
    for (std::string word; list >> word;) packages.insert(word);
    return packages;
}

std::string WithoutComments(const std::string& text) {
    return std::regex_replace(text, std::regex("#[^\n]*"), "");
}

// An option word of a CMake command (PATHS, NO_DEFAULT_PATH, …): upper case throughout.
bool IsKeyword(const std::string& word) {
    return std::all_of(word.begin(), word.end(), [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; });
}

struct Request {
    std::string name;
    std::string where;
};

// The names one build file asks for.
std::vector<Request> Requests(const std::string& text, const std::string& file) {
    static const std::set<std::string> kKeywords = {"REQUIRED", "QUIET", "IMPORTED_TARGET", "GLOBAL",
                                                    "NO_CMAKE_PATH", "NO_CMAKE_ENVIRONMENT_PATH", "NAMES"};
    static const std::regex call(R"((find_package|pkg_check_modules|pkg_search_module|find_program)\s*\(([^)]*)\))",
                                 std::regex::icase);
    std::vector<Request> found;
    for (std::sregex_iterator m(text.begin(), text.end(), call), end; m != end; ++m) {
        std::string command = (*m)[1];
        for (char& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::istringstream args((*m)[2].str());
        std::vector<std::string> words;
        for (std::string w; args >> w;) words.push_back(w);
        if (words.empty()) continue;
        const std::string where = file + ": " + (*m)[0].str();
        if (command == "find_package") {
            found.push_back({words[0], where});
        } else if (command == "find_program") {
            // find_program(VAR name) or find_program(VAR NAMES a b … [PATHS …] [options]).
            const bool list = words.size() > 1 && words[1] == "NAMES";
            for (size_t i = list ? 2 : 1; i < words.size() && (list || i == 1); ++i) {
                if (IsKeyword(words[i])) break;
                found.push_back({words[i], where});
            }
        } else {
            // The first word names the result variable; the rest are options and names.
            for (size_t i = 1; i < words.size(); ++i) {
                if (kKeywords.count(words[i]) || words[i].find('$') != std::string::npos) continue;
                std::string name = words[i];
                if (auto cut = name.find_first_of("<>="); cut != std::string::npos) name.resize(cut);  // a version
                found.push_back({name, where});
            }
        }
    }
    return found;
}

// The problems of one build file against the set-up's packages.
std::vector<std::string> Missing(const std::string& cmake, const std::string& file, const std::set<std::string>& installed) {
    std::vector<std::string> problems;
    for (const Request& r : Requests(WithoutComments(cmake), file)) {
        const auto package = kDebianPackage.find(r.name);
        if (package == kDebianPackage.end())
            problems.push_back(r.where + " asks for '" + r.name +
                               "', which this test cannot map to a Debian package: add it to kDebianPackage");
        else if (!installed.count(package->second))
            problems.push_back(r.where + " asks for '" + r.name + "', but scripts/setup.sh does not install " +
                               package->second);
    }
    return problems;
}

TEST(Dependencies, EveryBuildFileAsksOnlyForWhatTheSetUpInstalls) {
    const fs::path root = HUMRS_SOURCE_DIR;
    const auto installed = SetUpPackages(humrs::testing::ReadFile(root / "scripts" / "setup.sh"));
    ASSERT_TRUE(installed.count("cmake")) << "no PKGS list found in scripts/setup.sh";
    int files = 0;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name.rfind("build", 0) == 0 || name == ".git" || name == "node_modules")) {
            it.disable_recursion_pending();
            continue;
        }
        if (name != "CMakeLists.txt" && it->path().extension() != ".cmake") continue;
        ++files;
        for (const std::string& problem : Missing(humrs::testing::ReadFile(it->path()), it->path().string(), installed))
            ADD_FAILURE() << problem;
    }
    EXPECT_GE(files, 2);
}

TEST(Dependencies, ARequestTheSetUpDoesNotCoverIsFound) {
    const std::set<std::string> installed = {"cmake", "pkg-config", "libsqlite3-dev", "libicu-dev", "nlohmann-json3-dev"};
    struct Case {
        const char* cmake;
        size_t problems;
    } cases[] = {
        {"find_package(PkgConfig REQUIRED)\npkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-i18n icu-uc)", 0},
        {"find_package(fmt REQUIRED)", 1},
        {"FIND_PACKAGE(fmt)", 1},
        {"# find_package(fmt REQUIRED)\nfind_package(nlohmann_json REQUIRED)", 0},
        {"pkg_check_modules(PQ REQUIRED libpq>=14 sqlite3)", 1},
        {"find_package(Frobnicator CONFIG QUIET)", 1},
        {"find_program(CXX NAMES clang++ clang++-14)", 2},
        {"find_program(PY NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)", 1},
        {"find_program(CCACHE ccache)", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(Missing(c.cmake, "CMakeLists.txt", installed).size(), c.problems) << c.cmake;
}

}  // namespace
