// zumasetctl's own messages in the user's language: the built program run as
// a user would, with nothing in its environment but the language variables.
// Exit statuses, the client's texts and the JSON documents stay as they are.
#include "child_process.h"
#include "temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace zumaset {
namespace {

using Environment = std::vector<std::string>;

struct Ran {
    int status = -1;
    std::string output; // standard output and error
};

class UserLanguage : public ::testing::Test {
protected:
    // Runs the program with only HOME and `environment` in its environment.
    Ran RunProgram(Environment environment, const std::vector<std::string>& args) {
        environment.push_back("HOME=" + home.path().string());
        std::vector<std::string> argv{std::string(std::getenv("ZUMASET_BUILD_DIR")) + "/src/app/zumasetctl",
                                      "--registry", (home / "registry.reg").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        test::ChildProcess program(argv, {.output = home / "output", .environment = environment});
        const int status = program.WaitForExit().value_or(-1);
        return {status, test::ReadFileBytes(home / "output")};
    }

    void SetUp() override {
        if (std::getenv("ZUMASET_BUILD_DIR") == nullptr) GTEST_SKIP() << "ZUMASET_BUILD_DIR is not set";
    }

    test::TempDir home;
};

const Environment kCzech{"LANGUAGE=cs", "LC_ALL=C.UTF-8"};

struct LanguageCase {
    const char* name;
    Environment environment;
    std::vector<std::string> args;
    int exitStatus;
    std::string said; // a piece of what the program printed
};
void PrintTo(const LanguageCase& row, std::ostream* os) {
    *os << row.name;
}

class UserLanguageRows : public UserLanguage, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(UserLanguageRows, TheLocaleChoosesTheLanguage) {
    const Ran ran = RunProgram(GetParam().environment, GetParam().args);
    EXPECT_EQ(ran.status, GetParam().exitStatus) << ran.output;
    EXPECT_NE(ran.output.find(GetParam().said), std::string::npos) << ran.output;
}

const std::vector<std::string> kUnknownSetting{"config", "get", "Bogus"};

INSTANTIATE_TEST_SUITE_P(
    Rows, UserLanguageRows,
    ::testing::Values(LanguageCase{"CzechRefusal", kCzech, kUnknownSetting, 2,
                                   "neznámé nastavení „Bogus“; nastavení jsou: ServerTxt"},
                      // Without an English catalogue the second language on the list would answer.
                      LanguageCase{"EnglishBeforeCzech",
                                   {"LANGUAGE=en:cs", "LC_ALL=C.UTF-8"},
                                   kUnknownSetting,
                                   2,
                                   "unknown setting 'Bogus'; the settings are: ServerTxt"},
                      LanguageCase{"CzechPluralOfSettings",
                                   kCzech,
                                   {"send"},
                                   3,
                                   "průchod nelze spustit, tato nastavení jsou prázdná: User ServerTxt SourcePath"},
                      LanguageCase{
                          "CzechRuleWithItsNote",
                          kCzech,
                          {"config", "set", "CuMode", "7"},
                          2,
                          "neplatná hodnota „7“ pro CuMode: mimo rozsah; přípustné: celé číslo od 0 do 2 (0 seznam"}),
    [](const auto& info) { return std::string(info.param.name); });

// The terminal gets the Czech verdict beside the client's own Czech error
// text; the JSON document keeps the English verdict scripts match.
TEST_F(UserLanguage, JsonStaysEnglishWhileTheTextIsCzech) {
    ASSERT_EQ(RunProgram(kCzech, {"config", "set", "ServerTxt", "127.0.0.1:1"}).status, 0);
    const Ran text = RunProgram(kCzech, {"check"});
    EXPECT_EQ(text.status, 1) << text.output;
    EXPECT_NE(text.output.find("127.0.0.1:1: bez spojení - 12029 K serveru nelze navázat spojení.\n"
                               "  => SELHALO: žádný server testem neprošel\n"),
              std::string::npos)
        << text.output;

    const Ran json = RunProgram(kCzech, {"--json", "check"});
    EXPECT_EQ(json.status, 1) << json.output;
    const auto document = nlohmann::json::parse(json.output, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << json.output;
    EXPECT_EQ(document["servers"][0]["verdict"], "no server passed the test");
}

} // namespace
} // namespace zumaset
