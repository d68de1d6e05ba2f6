#pragma once
// A test of the humrs program as a user runs it: a folder of the test's own, the
// database file hr.db in it (which the test makes with `init`), and the built program
// run there on that file (support/HumrsProcess.h).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "hosting/ClassTable.h"
#include "support/Files.h"
#include "support/HumrsProcess.h"
#include "support/StoredRows.h"

namespace humrs::testing {

class CliFixture : public ::testing::Test {
protected:
    using Result = HumrsResult;

    // The leave category class, the one bill every command can save without other data.
    static constexpr const char* kCategory = "QVXHumrs.ExcuseCls";

    // `folderPrefix` names the test's folder under the temporary folder.
    explicit CliFixture(const std::string& folderPrefix) : folder(folderPrefix) {}

    // Runs `humrs --db <dbPath, else db> args...` in the test's folder with `input` on
    // standard input.
    HumrsResult Humrs(const std::vector<std::string>& args, const std::string& input = "",
                      const std::string& dbPath = "") {
        return RunHumrs(args, {.db = dbPath.empty() ? db : dbPath,
                               .input = input,
                               .folder = dir,
                               .env = env,
                               .timeLimit = timeLimit});
    }

    // A bill of one dataset holding one row, as `save` reads it.
    static nlohmann::json Category(nlohmann::json row) {
        return nlohmann::json{{"datasets", nlohmann::json::array({nlohmann::json::array({std::move(row)})})}};
    }
    // The category T1 (测试假): ordinary, counted in hours by the half hour.
    static nlohmann::json TestCategory() {
        return Category({{"ExcuseClsID", "T1"},
                         {"ExcuseClsName", "测试假"},
                         {"ExcuseCls", 9},
                         {"UnitName", 1},
                         {"ExcuseUnit", 0.5}});
    }
    static bool CategoryClassBuilt() {
        const ClassEntry* e = FindClassEntry(kCategory);
        return e && e->create;
    }

    TempFolder folder;
    std::filesystem::path dir = folder.Path();
    std::string db = (dir / "hr.db").string();
    std::vector<std::pair<std::string, std::string>> env;  // settings added to the program's environment
    std::chrono::milliseconds timeLimit = std::chrono::minutes(2);
};

#define REQUIRE_CATEGORY_CLASS() \
    if (!CategoryClassBuilt()) GTEST_SKIP() << "QVXHumrs.ExcuseCls is not available yet"

}  // namespace humrs::testing
