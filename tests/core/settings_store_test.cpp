#include "core/registry_document.h"
#include "core/settings_store.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace zumaset {
namespace {

constexpr auto kSz = RegType::Sz;
constexpr auto kDword = RegType::Dword;

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
    LoadSettings(s, doc);
    EXPECT_EQ(s, Settings{});
    EXPECT_TRUE(doc.keys().empty());
    SaveSettings(s, doc);
    EXPECT_TRUE(doc.KeyExists(Hive::CurrentUser, kSettingsKey));
}

TEST_F(SettingsStore, RoundTripKeepsEveryFieldAndPlainPasswords) {
    s.User = "DEKL01";
    s.Pass = "Heslo 2026-čř";
    s.SourcePath = "/home/u/Zumaset/Na_CU/";
    s.RASMode = true;
    s.CuPosition = -3;
    s.DeleteDayInt = 100000;
    s.MAPIErrorMessage = true;
    SaveSettings(s, doc);

    Settings loaded;
    LoadSettings(loaded, doc);
    EXPECT_EQ(loaded, s);

    // Stored forms: booleans as 0xFFFFFFFF, the text booleans as words,
    // passwords scrambled.
    EXPECT_EQ(std::get<std::int32_t>(Stored("RASMode")), -1);
    EXPECT_EQ(std::get<std::string>(Stored("MAPIErrorMessage")), "True");
    EXPECT_EQ(std::get<std::string>(Stored("Pass")), ScrambleText(s.Pass));
    EXPECT_NE(ScrambleText(s.Pass), s.Pass);
}

// A negative size is no limit of zero but the default; 8192 MiB does not overflow.
TEST_F(SettingsStore, MaxFileSizeCountsMebibytesAndDefaultsToTwoGibibytes) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    Put("MaxFileSize", std::int32_t{-5}, kDword);
    LoadSettings(s, doc);
    EXPECT_EQ(MaxReceivedFileBytes(s), 2048 * kMiB);
    s.MaxFileSize = 8192;
    EXPECT_EQ(MaxReceivedFileBytes(s), 8192 * kMiB);
}

// Hand-edited values: folders closed and their separators turned, texts
// trimmed but the delimiter kept, and a value that does not convert or fit
// leaves the previous one.
TEST_F(SettingsStore, HandEditedValuesAreNormalisedOrKeepThePreviousValue) {
    Put("SourcePath", std::string("  /data/Na_CU  "), kSz);
    Put("ErrLogPath", std::string("C:\\Zumaset\\Logy\\"), kSz);
    Put("Pass", std::string(" ") + ScrambleText("tajne") + " ", kSz);
    Put("Delimiter", std::string(" "), kSz);
    Put("RASMode", std::int32_t{1}, kDword);    // a hand-written 1 is true
    Put("RunMode", std::string("1"), kSz);      // text where a number is expected
    Put("UseProxy", std::string("maybe"), kSz); // does not convert
    Put("CuMode", std::int32_t{40000}, kDword); // outside the 16-bit range
    Put("MAPIErrorMessage", std::string(" true "), kSz);
    s.UseProxy = true;
    s.CuMode = 1;
    LoadSettings(s, doc);
    EXPECT_EQ(s.SourcePath, "/data/Na_CU/");
    EXPECT_EQ(s.ErrLogPath, "C:/Zumaset/Logy/");
    EXPECT_EQ(s.Pass, "tajne");
    EXPECT_EQ(s.Delimiter, " ");
    EXPECT_TRUE(s.RASMode);
    EXPECT_TRUE(s.RunMode);
    EXPECT_TRUE(s.UseProxy);
    EXPECT_EQ(s.CuMode, 1);
    EXPECT_TRUE(s.MAPIErrorMessage);
}

TEST_F(SettingsStore, MigrationTakesTheSiblingSettingsAndRemovesItsKeys) {
    doc.CreateKey(Hive::CurrentUser, kSiblingKey);
    doc.SetValue(Hive::CurrentUser, kSiblingKey, "RemoteServer", std::string(" old.van.example "), kSz);
    doc.SetValue(Hive::CurrentUser, kSiblingKey, "Pass", ScrambleText("heslo"), kSz);
    doc.SetValue(Hive::CurrentUser, kSiblingKey, "WriteLogFile", std::int32_t{-1}, kDword);
    doc.CreateKey(Hive::CurrentUser, kSiblingCompanyKey);
    MigrateSettings(s, doc);
    EXPECT_FALSE(doc.KeyExists(Hive::CurrentUser, kSiblingKey));
    EXPECT_FALSE(doc.KeyExists(Hive::CurrentUser, kSiblingCompanyKey));
    Settings loaded;
    LoadSettings(loaded, doc);
    EXPECT_EQ(loaded.ServerTxt, "old.van.example");
    EXPECT_EQ(loaded.Pass, "heslo");
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

} // namespace
} // namespace zumaset
