// The runner the command-line tests share: what a test hands the program arrives as
// it was given, the test's own HUMRS_ settings stay out, and a program that does not
// end is cut off at the time limit.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "support/Files.h"
#include "support/HumrsProcess.h"

namespace humrs::testing {
namespace {

TEST(HumrsProcessTest, ArgumentsReachTheProgramAsTheyWereGiven) {
    TempFolder folder("humrs-process");
    const std::string db = (folder.Path() / "it's a db; $(x).db").string();
    ASSERT_EQ(RunHumrs({"init"}, {.db = db}).exitCode, 0);
    for (const std::string value :
         {"O'Brien", "a \"b\" c", "x; rm -rf .", "$(id) `id` $HOME", "tab\tand\nline", "back\\slash", "*"}) {
        SCOPED_TRACE(value);
        ASSERT_EQ(RunHumrs({"param", "set", "K", value}, {.db = db}).exitCode, 0);
        const HumrsResult read = RunHumrs({"param", "get", "K"}, {.db = db});
        EXPECT_EQ(read.answer["value"], value) << read.out;
    }
}

TEST(HumrsProcessTest, OnlyTheSettingsTheTestNamesReachTheProgram) {
    TempFolder folder("humrs-process");
    const std::string ambient = (folder.Path() / "ambient.db").string(),
                      named = (folder.Path() / "named.db").string();
    const char* before = std::getenv("HUMRS_DB");
    const std::string saved = before ? before : "";
    ::setenv("HUMRS_DB", ambient.c_str(), 1);
    const HumrsResult plain = RunHumrs({"init"}, {.folder = folder.Path()});
    const HumrsResult chosen = RunHumrs({"init"}, {.folder = folder.Path(), .env = {{"HUMRS_DB", named}}});
    before ? ::setenv("HUMRS_DB", saved.c_str(), 1) : ::unsetenv("HUMRS_DB");
    EXPECT_EQ(plain.exitCode, 0) << plain.out;
    EXPECT_EQ(chosen.exitCode, 0) << chosen.out;
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "humrs.db")) << "the default without a setting";
    EXPECT_TRUE(std::filesystem::exists(named));
    EXPECT_FALSE(std::filesystem::exists(ambient)) << "the test's own HUMRS_DB reached the program";
}

TEST(HumrsProcessTest, ARunThatDoesNotEndIsCutOffAtTheTimeLimit) {
    const auto start = std::chrono::steady_clock::now();
    // The shell that runs in humrs's place sleeps; humrs's path is only its $0.
    const HumrsResult r =
        RunHumrs({}, {.runner = {"sh", "-c", "exec sleep 30"}, .timeLimit = std::chrono::milliseconds(300)});
    EXPECT_EQ(r.exitCode, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace humrs::testing
