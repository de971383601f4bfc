#include "core/charset.h"
#include "core/registry_file.h"
#include "core/settings_store.h"

#include "ctl_runner.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <vector>

namespace zumaset {
namespace {

class CtlConfig : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args, const std::string& input = "") { return ctl.Run(std::move(args), input); }
    Settings Load() {
        RegistryFile file(registry);
        Settings s;
        LoadSettings(s, file);
        return s;
    }

    test::TempDir dir;
    std::filesystem::path registry = dir / "registry.reg";
    test::CtlRunner ctl{registry};
    std::ostringstream& out = ctl.out;
    std::ostringstream& err = ctl.err;
};

// How each value is cleaned up is in setting_rules_test; here that "config
// set" applies those rules, finds names in any case and reads "-" from stdin.
TEST_F(CtlConfig, SetWritesTheWholeRecordAndGetReadsItBack) {
    EXPECT_EQ(Run({"config", "show"}), 0);
    EXPECT_NE(out.str().find("RASMode          = false  (not set, the default)\n"), std::string::npos) << out.str();

    EXPECT_EQ(Run({"config", "set", "User", "  DEKL01 "}), 0) << err.str();
    EXPECT_EQ(Run({"config", "set", "TimeInterval", "300"}), 0);
    EXPECT_EQ(Run({"config", "set", "rasmode", "TRUE"}), 0);
    EXPECT_EQ(Run({"config", "set", "Pass", "-"}, "tajné heslo\n"), 0);

    const Settings s = Load();
    EXPECT_EQ(s.User, "DEKL01");
    EXPECT_EQ(s.TimeInterval, 300);
    EXPECT_TRUE(s.RASMode);
    EXPECT_EQ(s.Pass, "tajné heslo");
    // The file holds every setting, as the dialog would have written it.
    const std::string text = test::ReadFileBytes(registry);
    EXPECT_NE(text.find("\"MAPINoRetMessage\"=\"False\""), std::string::npos);
    EXPECT_EQ(text.find("tajné heslo"), std::string::npos);

    EXPECT_EQ(Run({"config", "get", "Pass"}), 0);
    EXPECT_EQ(out.str(), "********\n");
    EXPECT_EQ(Run({"config", "get", "Pass", "--show-passwords"}), 0);
    EXPECT_EQ(out.str(), "tajné heslo\n");
    EXPECT_EQ(Run({"config", "show"}), 0);
    EXPECT_NE(out.str().find("TimeInterval     = 300\n"), std::string::npos);
    EXPECT_EQ(out.str().find("tajné"), std::string::npos);
    // Every setting was written with the record: none is marked as the default.
    EXPECT_EQ(out.str().find("the default"), std::string::npos) << out.str();
}

// Two "config set" at once, each changing its own setting many times: every
// update must survive the other writer, so each writer always reads back the
// value it wrote last.
TEST_F(CtlConfig, ConcurrentSetsNeverLoseAnUpdate) {
    constexpr int kRounds = 60;
    auto writer = [&](const std::string& name, std::vector<std::string>& problems) {
        test::CtlRunner runner{registry};
        for (int i = 0; i < kRounds; ++i) {
            const std::string value = name + "-" + std::to_string(i);
            if (runner.Run({"config", "set", name, value}) != 0) problems.push_back("set failed: " + runner.err.str());
            runner.Run({"config", "get", name});
            if (runner.out.str() != value + "\n") problems.push_back(value + " lost, read " + runner.out.str());
        }
    };
    std::vector<std::string> problemsOne, problemsTwo;
    std::thread one(writer, "ServerOne", std::ref(problemsOne));
    std::thread two(writer, "ServerTwo", std::ref(problemsTwo));
    one.join();
    two.join();
    EXPECT_TRUE(problemsOne.empty()) << problemsOne.size() << " e.g. " << problemsOne.front();
    EXPECT_TRUE(problemsTwo.empty()) << problemsTwo.size() << " e.g. " << problemsTwo.front();
}

TEST_F(CtlConfig, ImportKeepingPasswordsNeverUndoesAConcurrentPasswordSet) {
    constexpr int kRounds = 40;
    ASSERT_EQ(Run({"config", "export", (dir / "u.reg").string()}), 0) << err.str();
    std::vector<std::string> problems;
    std::thread setter([&] {
        test::CtlRunner runner{registry};
        for (int i = 0; i < kRounds; ++i) {
            const std::string value = "heslo-" + std::to_string(i);
            if (runner.Run({"config", "set", "Pass", value}) != 0) problems.push_back("set failed");
            if (const std::string read = Load().Pass; read != value) problems.push_back(value + " lost, read " + read);
        }
    });
    std::thread importer([&] {
        test::CtlRunner runner{registry};
        for (int i = 0; i < kRounds; ++i)
            runner.Run({"config", "import", (dir / "u.reg").string(), "--keep-passwords"});
    });
    setter.join();
    importer.join();
    EXPECT_TRUE(problems.empty()) << problems.size() << " e.g. " << problems.front();
    EXPECT_EQ(Load().Pass, "heslo-" + std::to_string(kRounds - 1));
}

TEST_F(CtlConfig, ControlCharactersInValuesAreShownEscaped) {
    Settings stored; // written by another editor: "config set" refuses such values
    stored.Delimiter = "\t";
    RegistryFile file(registry);
    SaveSettings(stored, file);
    EXPECT_EQ(Run({"config", "get", "Delimiter"}), 0);
    EXPECT_EQ(out.str(), "\\x09\n");
}

// Which values each setting accepts is in setting_rules_test; here only what
// the command does with a refused one.
TEST_F(CtlConfig, BadValueIsRefusedWithExitTwoAndChangesNothing) {
    ASSERT_EQ(Run({"config", "set", "User", "kept"}), 0);
    const std::string before = test::ReadFileBytes(registry);
    EXPECT_EQ(Run({"config", "set", "cumode", "7"}), 2);
    EXPECT_EQ(err.str(), "invalid value '7' for CuMode: out of range; accepted: a whole number from 0 to 2 (0 list, 1 "
                         "folder structure, 2 structured name)\n");
    EXPECT_EQ(test::ReadFileBytes(registry), before);
}

// A REGEDIT4 export is in the Windows code page; version 5.00 (UTF-16) comes
// back through the round trip below.
TEST_F(CtlConfig, ImportsAWindowsRegedit4Export) {
    const std::string body = "\r\n[HKEY_CURRENT_USER\\Software\\RLK a.s.\\Zumaset]\r\n"
                             "\"User\"=\"Dvořák\"\r\n\"SourcePath\"=\"C:\\\\Zumaset\\\\Na_CU\"\r\n"
                             "\"WriteLogFile\"=dword:ffffffff\r\n\"MAPIErrorMessage\"=\"True\"\r\n";
    const auto path4 = dir / "old.reg";
    test::WriteFileBytes(path4, *Utf8ToCp1250("REGEDIT4\r\n" + body));
    // Imported all the same, with the Windows folder named and how to mend it.
    ASSERT_EQ(Run({"config", "import", path4.string()}), 1) << err.str();
    EXPECT_NE(err.str().find("SourcePath = C:/Zumaset/Na_CU/ is a Windows folder and cannot work here; set a folder of "
                             "this machine with: zumasetctl config set SourcePath /path/to/folder\n"),
              std::string::npos)
        << err.str();
    Settings s = Load();
    EXPECT_EQ(s.User, "Dvořák");
    EXPECT_TRUE(s.WriteLogFile);
}

TEST_F(CtlConfig, ExportAndImportRoundTrip) {
    ASSERT_EQ(Run({"config", "set", "User", "jan"}), 0);
    ASSERT_EQ(Run({"config", "set", "Pass", "heslo-123"}), 0);
    ASSERT_EQ(Run({"config", "set", "CuOption", "PRAHA;BRNO|CZ510000%ALL_FILES|CZ520000%"}), 0);
    for (bool windows : {false, true}) {
        const auto file = dir / (windows ? "w.reg" : "u.reg");
        std::vector<std::string> args{"config", "export", file.string()};
        if (windows) args.push_back("--windows");
        ASSERT_EQ(Run(args), 0) << err.str();
        const Settings before = Load();
        ASSERT_EQ(Run({"config", "set", "User", "someone-else"}), 0);
        ASSERT_EQ(Run({"config", "import", file.string()}), 0) << err.str();
        EXPECT_EQ(Load(), before);
    }
}

TEST_F(CtlConfig, ImportRefusesWhatIsNotASettingsExport) {
    ASSERT_EQ(Run({"config", "set", "User", "kept"}), 0);
    const auto junk = dir / "junk.reg";
    test::WriteFileBytes(junk, "hello\n");
    EXPECT_EQ(Run({"config", "import", junk.string()}), 2);
    EXPECT_NE(err.str().find("not a registry export"), std::string::npos);

    const auto other = dir / "other.reg";
    test::WriteFileBytes(other, "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Other]\n\"User\"=\"x\"\n");
    EXPECT_EQ(Run({"config", "import", other.string()}), 2);
    EXPECT_NE(err.str().find("holds no Zumaset settings"), std::string::npos);

    EXPECT_EQ(Load().User, "kept");
}

TEST_F(CtlConfig, ImportTakesTheSiblingProductsExport) {
    const auto file = dir / "vorbek.reg";
    test::WriteFileBytes(file, "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RLK\\Vorbek]\n\"RemoteServer\"=\"old.van\"\n"
                               "\"User\"=\"DEKL\"\n");
    ASSERT_EQ(Run({"config", "import", file.string()}), 0) << err.str();
    EXPECT_EQ(Load().ServerTxt, "old.van");
}

} // namespace
} // namespace zumaset
