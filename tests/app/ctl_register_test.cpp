#include "ctl_runner.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

TEST(CtlRegister, ListsTheRecordsWithoutConsumingTheFile) {
    test::TempDir dir;
    test::CtlRunner ctl{dir / "registry.reg"};
    ASSERT_EQ(ctl.Set({{"LogsPath", dir.path().string()}}), 0);
    EXPECT_EQ(ctl.Run({"register"}), 0);
    EXPECT_NE(ctl.out.str().find("holds no sent files"), std::string::npos);

    test::WriteFileBytes(dir / "Zumaset.sav", "Řád_CZ510000.vas#/out/PRAHA/#CZ510000#5.12.2026 9:05:03\r\nbroken\r\n");
    EXPECT_EQ(ctl.Run({"register"}), 0);
    EXPECT_NE(ctl.out.str().find("Řád_CZ510000.vas  /out/PRAHA/  CZ510000  5.12.2026 9:05:03\n"), std::string::npos)
        << ctl.out.str();
    EXPECT_NE(ctl.out.str().find("1 sent file awaiting receipts."), std::string::npos);
    EXPECT_NE(ctl.err.str().find("line 2"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "Zumaset.sav"));

    // Control characters in a stored name reach the terminal escaped.
    test::WriteFileBytes(dir / "Zumaset.sav", "a\x1b[31mb.vas#/out/\t/#CZ510000#5.12.2026 9:05:03\r\n");
    EXPECT_EQ(ctl.Run({"register"}), 0);
    EXPECT_NE(ctl.out.str().find("a\\x1B[31mb.vas  /out/\\x09/"), std::string::npos) << ctl.out.str();

    // A register file that is a link is not read.
    std::filesystem::remove(dir / "Zumaset.sav");
    test::WriteFileBytes(dir / "elsewhere", "x.vas#/out/#CZ510000#5.12.2026 9:05:03\r\n");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "Zumaset.sav");
    EXPECT_EQ(ctl.Run({"register"}), 1);
    EXPECT_NE(ctl.err.str().find("not a regular file"), std::string::npos) << ctl.err.str();
    EXPECT_EQ(ctl.out.str().find("x.vas"), std::string::npos);
}

} // namespace
} // namespace zumaset
