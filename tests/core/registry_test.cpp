#include "core/registry_document.h"
#include "core/registry_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zumaset {
namespace {

constexpr std::string_view kKey = "Software\\RLK a.s.\\Zumaset";

std::string Text(const RegValue& v) {
    return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "<not text>";
}

TEST(RegDocument, ReadsTextsNumbersAndKeysWithBlanksAndDots) {
    auto doc = RegDocument::Parse("REGEDIT4\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\Software\\RLK a.s.\\Zumaset]\r\n"
                                  "\"User\"=\"novák \\\"a\\\" \\\\ spol\"\r\n"
                                  "\"RASMode\"=dword:ffffffff\r\n"
                                  "\"Bin\"=hex:01,02,\\\r\n  03,04\r\n"
                                  "@=\"default\"\r\n");
    EXPECT_EQ(Text(doc.QueryValue(Hive::CurrentUser, kKey, "User")), "novák \"a\" \\ spol");
    EXPECT_EQ(std::get<std::int32_t>(doc.QueryValue(Hive::CurrentUser, kKey, "rasmode")), -1);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(doc.QueryValue(Hive::CurrentUser, kKey, "Bin")));
    EXPECT_EQ(Text(doc.QueryValue(Hive::CurrentUser, kKey, "")), "default");

    // Writing and reading again gives the same content, the binary value included.
    auto again = RegDocument::Parse(doc.Serialize());
    EXPECT_EQ(again.Serialize(), doc.Serialize());
    EXPECT_NE(doc.Serialize().find("\"Bin\"=hex:01,02,03,04"), std::string::npos);
}

TEST(RegDocument, DamagedLinesAreSkippedAndTheRestLoads) {
    RegParseReport report;
    std::string garbage("\x01\x02\xff\xfe\x00zz", 7);
    // Escaped control characters have no written form that reads back.
    const std::string escapedControls = std::string("\"EscNul\"=\"a\\\0b\"\n", 16) + "\"EscCtl\"=\"a\\\x01\"\n";
    auto doc = RegDocument::Parse("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RLK a.s.\\Zumaset]\n"
                                  "\"ServerTxt\"=\"good.example\"\n" +
                                      garbage +
                                      "\n"
                                      "\"User\"=\"no closing quote\n"
                                      "\"Odd\"=qword:0000000000000001\n"
                                      "\"Big\"=dword:1ffffffff\n"
                                      "\"Bad\"=\"\xff\xfe\"\n"
                                      "\"Pass\"=\"ok\"\n"
                                      "\"Trunc" +
                                      "\n" + escapedControls,
                                  &report);
    EXPECT_TRUE(report.hasHeader);
    EXPECT_EQ(report.damagedLines, 8u);
    EXPECT_EQ(report.firstDamagedLine, 4u);
    EXPECT_EQ(Text(doc.QueryValue(Hive::CurrentUser, kKey, "ServerTxt")), "good.example");
    EXPECT_EQ(Text(doc.QueryValue(Hive::CurrentUser, kKey, "Pass")), "ok");
    for (auto name : {"User", "Odd", "Big", "Bad", "Trunc", "EscNul", "EscCtl"}) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(doc.QueryValue(Hive::CurrentUser, kKey, name))) << name;
    }
}

TEST(RegistryFile, ChangesAreWrittenAtomicallyWithPrivateMode) {
    test::TempDir dir;
    RegistryFile reg(dir / "cfg" / "registry.reg");
    EXPECT_FALSE(reg.KeyExists(Hive::CurrentUser, kKey));
    EXPECT_FALSE(std::filesystem::exists(reg.file())); // reading creates nothing

    reg.CreateKey(Hive::CurrentUser, kKey);
    EXPECT_EQ(reg.SetValue(Hive::CurrentUser, kKey, "User", std::string("Dvořák"), RegType::Sz), regerr::kSuccess);
    struct stat st {};
    ASSERT_EQ(::stat(reg.file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Text(RegistryFile(reg.file()).QueryValue(Hive::CurrentUser, kKey, "User")), "Dvořák");

    // No temporary file is left beside it.
    for (const auto& entry : std::filesystem::directory_iterator(reg.file().parent_path())) {
        EXPECT_EQ(entry.path().filename().string().rfind(".registry.reg.", 0), std::string::npos) << entry.path();
    }
}

TEST(RegistryFile, DamagedFileKeepsItsOriginalBesideTheRewrite) {
    test::TempDir dir;
    const auto file = dir / "registry.reg";
    const std::string damaged =
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\RLK a.s.\\Zumaset]\n\"User\"=\"jan\"\n\"Pass\"=\"broken\n";
    test::WriteFileBytes(file, damaged);
    RegistryFile reg(file);
    EXPECT_EQ(Text(reg.QueryValue(Hive::CurrentUser, kKey, "User")), "jan");
    reg.SetValue(Hive::CurrentUser, kKey, "ServerTxt", std::string("a"), RegType::Sz);
    EXPECT_EQ(test::ReadFileBytes(dir / "registry.reg.damaged"), damaged);
    EXPECT_EQ(Text(reg.QueryValue(Hive::CurrentUser, kKey, "ServerTxt")), "a");
    EXPECT_EQ(Text(reg.QueryValue(Hive::CurrentUser, kKey, "User")), "jan");
}

} // namespace
} // namespace zumaset
