// The layers look only down, and the framework knows no HR name: each business class
// brings its own tables, ProgIDs and messages through its descriptor.
#include "BuildPaths.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> kLayer = {
    {"core", 0},    {"utils", 1},     {"db", 2},        {"framework", 3}, {"suite", 4},   {"leave", 5},
    {"overtime", 5}, {"payroll", 5}, {"personnel", 5}, {"hosting", 6},   {"cli", 7},
};

std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Layers, NoFileIncludesAFolderAboveItsOwn) {
    const fs::path src = fs::path(HUMRS_SOURCE_DIR) / "src";
    const std::regex include(R"re(#include "(\w+)/)re");
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) continue;
        const std::string own = fs::relative(entry.path(), src).begin()->string();
        ASSERT_TRUE(kLayer.count(own)) << "a folder the layer list does not know: " << own;
        ++files;
        const std::string text = Read(entry.path());
        for (std::sregex_iterator m(text.begin(), text.end(), include), end; m != end; ++m) {
            const std::string target = (*m)[1];
            if (!kLayer.count(target)) continue;
            EXPECT_TRUE(kLayer.at(target) < kLayer.at(own) || target == own)
                << entry.path().string() << " includes " << target << "/";
        }
    }
    EXPECT_GT(files, 50);
}

TEST(Layers, FrameworkNamesNoHrTableProgIdOrMessage) {
    const std::regex hrName(R"(\b(hum[A-Z]\w*|Hum[A-Z]\w*|com(Person|Department)\b|QV[Xx]Humrs\.\w+|QvxComm\.\w+))");
    // A Chinese character inside a string literal.
    const std::regex chinese("\"[^\"\n]*[\xE4-\xE9][\x80-\xBF][\x80-\xBF]");
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(HUMRS_SOURCE_DIR) / "src" / "framework")) {
        const std::string text = Read(entry.path());
        std::smatch m;
        EXPECT_FALSE(std::regex_search(text, m, hrName)) << entry.path().string() << " names " << m.str();
        // The framework's own messages (bill not found, voucher guard) live in one file.
        if (entry.path().filename() != "Messages.h")
            EXPECT_FALSE(std::regex_search(text, m, chinese)) << entry.path().string() << " holds a user message";
    }
}

}  // namespace
