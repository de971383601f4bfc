#include "core/registry_document.h"
#include "core/registry_file.h"
#include "core/settings_store.h"

#include "temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace zumaset {
namespace {

constexpr auto kSz = RegType::Sz;
constexpr auto kDword = RegType::Dword;

bool IsAlphabetSymbol(char c) {
    return (c >= '0' && c <= '9') || c == '?' || c == '@' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

class SettingsStore : public ::testing::Test {
protected:
    void Put(std::string_view name, RegValue value, RegType type) {
        doc.CreateKey(Hive::CurrentUser, kSettingsKey);
        doc.SetValue(Hive::CurrentUser, kSettingsKey, name, value, type);
    }
    RegValue Stored(std::string_view name) { return doc.QueryValue(Hive::CurrentUser, kSettingsKey, name); }

    RegDocument doc;
    Settings s;
};

// Two rows with one name would load one value twice; two rows with one member
// would let the later row overwrite the earlier setting.
TEST_F(SettingsStore, NoTwoRowsShareANameOrAMember) {
    const auto& fields = SettingsFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        for (std::size_t j = i + 1; j < fields.size(); ++j) {
            EXPECT_NE(fields[i].name, fields[j].name);
            EXPECT_FALSE(fields[i].member == fields[j].member) << fields[i].name << " and " << fields[j].name;
        }
    }
}

TEST_F(SettingsStore, MissingKeyLoadsEmptyValuesAndCreatesNothing) {
    s.User = "previous";
    s.RASMode = true;
    s.CuMode = 2;
    LoadSettings(s, doc);
    EXPECT_EQ(s, Settings{});
    EXPECT_TRUE(doc.keys().empty());
    SaveSettings(s, doc);
    EXPECT_TRUE(doc.KeyExists(Hive::CurrentUser, kSettingsKey));
}

TEST_F(SettingsStore, RoundTripKeepsEveryFieldAndPlainPasswords) {
    s.ServerTxt = "van.example:8443";
    s.User = "DEKL01";
    s.Pass = "Heslo 2026-čř";
    s.ProxyPass = "abcXYZ019?@";
    s.MAPIPass = "";
    s.SourcePath = "/home/u/Zumaset/Na_CU/";
    s.Delimiter = " ";
    s.RASMode = true;
    s.CuMode = 2;
    s.CuPosition = -3;
    s.TimeInterval = 300;
    s.DeleteDayInt = 100000;
    s.MAPIErrorMessage = true;
    s.CuOption = "PRAHA|CZ510000%ALL_FILES|CZ520000%";
    SaveSettings(s, doc);

    Settings loaded;
    LoadSettings(loaded, doc);
    EXPECT_EQ(loaded, s);

    // Stored forms: booleans as 0xFFFFFFFF, the two text booleans as words,
    // scrambled passwords of the same length with only symbols changed.
    EXPECT_EQ(std::get<std::int32_t>(Stored("RASMode")), -1);
    EXPECT_EQ(std::get<std::int32_t>(Stored("RunMode")), 0);
    EXPECT_EQ(std::get<std::string>(Stored("MAPIErrorMessage")), "True");
    EXPECT_EQ(std::get<std::string>(Stored("MAPINoRetMessage")), "False");
    EXPECT_EQ(std::get<std::int32_t>(Stored("CuPosition")), -3);
    const std::string storedPass = std::get<std::string>(Stored("Pass"));
    ASSERT_EQ(storedPass.size(), s.Pass.size());
    EXPECT_NE(storedPass, s.Pass);
    for (std::size_t i = 0; i < s.Pass.size(); ++i) {
        if (IsAlphabetSymbol(s.Pass[i])) {
            EXPECT_TRUE(IsAlphabetSymbol(storedPass[i])) << i;
        } else {
            EXPECT_EQ(storedPass[i], s.Pass[i]) << i;
        }
    }
    EXPECT_EQ(std::get<std::string>(Stored("MAPIPass")), "");
}

TEST_F(SettingsStore, MaxFileSizeCountsMebibytesAndDefaultsToTwoGibibytes) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    EXPECT_EQ(MaxReceivedFileBytes(s), 2048 * kMiB);
    Put("MaxFileSize", std::int32_t{-5}, kDword);
    LoadSettings(s, doc);
    EXPECT_EQ(MaxReceivedFileBytes(s), 2048 * kMiB);
    Put("MaxFileSize", std::int32_t{1}, kDword);
    LoadSettings(s, doc);
    EXPECT_EQ(MaxReceivedFileBytes(s), kMiB);
    s.MaxFileSize = 8192;
    EXPECT_EQ(MaxReceivedFileBytes(s), 8192 * kMiB);
}

TEST_F(SettingsStore, ScramblingIsItsOwnInverse) {
    for (const std::string& text :
         std::vector<std::string>{"", "a", "0123456789?@ABCXYZabcxyz", "žluťoučký kůň - úpěl", std::string(300, 'Q')}) {
        const std::string scrambled = ScrambleText(text);
        EXPECT_EQ(scrambled.size(), text.size());
        EXPECT_EQ(ScrambleText(scrambled), text);
    }
    EXPECT_NE(ScrambleText("password"), "password");
}

TEST_F(SettingsStore, FolderPathsAreNormalised) {
    Put("SourcePath", std::string("  /data/Na_CU  "), kSz);
    Put("RetValPath", std::string("/data/Z_CU/"), kSz);
    Put("ArchivPath", std::string(""), kSz);
    Put("LogsPath", std::string("   "), kSz);
    Put("ErrLogPath", std::string("C:\\Zumaset\\Logy\\"), kSz);
    LoadSettings(s, doc);
    EXPECT_EQ(s.SourcePath, "/data/Na_CU/");
    EXPECT_EQ(s.RetValPath, "/data/Z_CU/");
    EXPECT_EQ(s.ArchivPath, "");
    EXPECT_EQ(s.LogsPath, "");
    EXPECT_EQ(s.ErrLogPath, "C:/Zumaset/Logy/");
}

TEST_F(SettingsStore, TextsAreTrimmedButTheDelimiterIsNot) {
    Put("User", std::string("  jan  "), kSz);
    Put("Delimiter", std::string(" "), kSz);
    Put("Pass", std::string(" ") + ScrambleText("tajne") + " ", kSz);
    LoadSettings(s, doc);
    EXPECT_EQ(s.User, "jan");
    EXPECT_EQ(s.Delimiter, " ");
    EXPECT_EQ(s.Pass, "tajne");
}

TEST_F(SettingsStore, NumbersAndBooleansConvertOrKeepThePreviousValue) {
    Put("RASMode", std::int32_t{1}, kDword);    // a hand-written 1 is true
    Put("RunMode", std::string("1"), kSz);      // text where a number is expected
    Put("UseProxy", std::string("maybe"), kSz); // does not convert
    Put("CuMode", std::int32_t{40000}, kDword); // outside the 16-bit range
    Put("CuPosition", std::string("5"), kSz);
    Put("FileNamePos", std::int32_t{-1}, kDword);
    Put("TimeInterval", std::string("12x"), kSz);
    Put("MAPIErrorMessage", std::string(" true "), kSz);
    Put("MAPINoRetMessage", std::string("7"), kSz);
    s.UseProxy = true;
    s.CuMode = 1;
    s.TimeInterval = 9;
    LoadSettings(s, doc);
    EXPECT_TRUE(s.RASMode);
    EXPECT_TRUE(s.RunMode);
    EXPECT_TRUE(s.UseProxy);
    EXPECT_EQ(s.CuMode, 1);
    EXPECT_EQ(s.CuPosition, 5);
    EXPECT_EQ(s.FileNamePos, -1);
    EXPECT_EQ(s.TimeInterval, 9);
    EXPECT_TRUE(s.MAPIErrorMessage);
    EXPECT_TRUE(s.MAPINoRetMessage);
}

TEST_F(SettingsStore, MigrationTakesTheSiblingSettingsAndRemovesItsKeys) {
    doc.CreateKey(Hive::CurrentUser, kSiblingKey);
    doc.SetValue(Hive::CurrentUser, kSiblingKey, "RemoteServer", std::string(" old.van.example "), kSz);
    doc.SetValue(Hive::CurrentUser, kSiblingKey, "User", std::string("DEKL"), kSz);
    doc.SetValue(Hive::CurrentUser, kSiblingKey, "Pass", ScrambleText("heslo"), kSz);
    doc.SetValue(Hive::CurrentUser, kSiblingKey, "WriteLogFile", std::int32_t{-1}, kDword);
    doc.CreateKey(Hive::CurrentUser, kSiblingCompanyKey);
    MigrateSettings(s, doc);
    EXPECT_EQ(s.ServerTxt, "old.van.example");
    EXPECT_EQ(s.Pass, "heslo");
    EXPECT_FALSE(doc.KeyExists(Hive::CurrentUser, kSiblingKey));
    EXPECT_FALSE(doc.KeyExists(Hive::CurrentUser, kSiblingCompanyKey));
    Settings loaded;
    LoadSettings(loaded, doc);
    EXPECT_EQ(loaded.ServerTxt, "old.van.example");
    EXPECT_EQ(loaded.User, "DEKL");
    EXPECT_TRUE(loaded.WriteLogFile);
}

TEST_F(SettingsStore, ProxyCredentialsAreReadAgainFromTheStore) {
    SaveSettings(s, doc);
    doc.SetValue(Hive::CurrentUser, kSettingsKey, "ProxyUser", std::string(" proxyman "), kSz);
    doc.SetValue(Hive::CurrentUser, kSettingsKey, "ProxyPass", ScrambleText("new-secret"), kSz);
    ReloadProxyCredentials(s, doc);
    EXPECT_EQ(s.ProxyUser, "proxyman");
    EXPECT_EQ(s.ProxyPass, "new-secret");
}

TEST_F(SettingsStore, RegistryFileRoundTripSurvivesAReload) {
    test::TempDir dir;
    RegistryFile file(dir / "registry.reg");
    s.User = "Šimon";
    s.Pass = "P4ss w0rd";
    s.WriteDebugLog = true;
    s.ConLogPath = "/var/log/zumaset/";
    SaveSettings(s, file);
    Settings loaded;
    LoadSettings(loaded, file);
    EXPECT_EQ(loaded, s);
    const std::string text = test::ReadFileBytes(file.file());
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\RLK a.s.\\Zumaset]"), std::string::npos);
    EXPECT_NE(text.find("\"WriteDebugLog\"=dword:ffffffff"), std::string::npos);
    EXPECT_NE(text.find("\"MAPIErrorMessage\"=\"False\""), std::string::npos);
}

} // namespace
} // namespace zumaset
