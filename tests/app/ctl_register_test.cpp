#include "app/ctl/ctl_app.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace zumaset {
namespace {

int RunCtl(std::vector<std::string> args, std::ostringstream& out, std::ostringstream& err) {
    std::vector<const char*> argv{"zumasetctl"};
    for (const auto& a : args) argv.push_back(a.c_str());
    std::istringstream in;
    return RunZumasetCtl(static_cast<int>(argv.size()), argv.data(), in, out, err);
}

TEST(CtlRegister, ListsTheRecordsWithoutConsumingTheFile) {
    test::TempDir dir;
    const std::string registry = (dir / "registry.reg").string();
    std::ostringstream out, err;
    ASSERT_EQ(RunCtl({"--registry", registry, "config", "set", "LogsPath", dir.path().string()}, out, err), 0);

    out.str("");
    EXPECT_EQ(RunCtl({"--registry", registry, "register"}, out, err), 0);
    EXPECT_NE(out.str().find("holds no sent files"), std::string::npos);

    test::WriteFileBytes(dir / "Zumaset.sav", "Řád_CZ510000.vas#/out/PRAHA/#CZ510000#5.12.2026 9:05:03\r\nbroken\r\n");
    out.str("");
    EXPECT_EQ(RunCtl({"--registry", registry, "register"}, out, err), 0);
    EXPECT_NE(out.str().find("Řád_CZ510000.vas  /out/PRAHA/  CZ510000  5.12.2026 9:05:03\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("1 sent file awaiting receipts."), std::string::npos);
    EXPECT_NE(err.str().find("line 2"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "Zumaset.sav"));

    // Control characters in a stored name reach the terminal escaped.
    test::WriteFileBytes(dir / "Zumaset.sav", "a\x1b[31mb.vas#/out/\t/#CZ510000#5.12.2026 9:05:03\r\n");
    out.str("");
    EXPECT_EQ(RunCtl({"--registry", registry, "register"}, out, err), 0);
    EXPECT_NE(out.str().find("a\\x1B[31mb.vas  /out/\\x09/"), std::string::npos) << out.str();

    // A register file that is a link is not read.
    std::filesystem::remove(dir / "Zumaset.sav");
    test::WriteFileBytes(dir / "elsewhere", "x.vas#/out/#CZ510000#5.12.2026 9:05:03\r\n");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "Zumaset.sav");
    out.str("");
    err.str("");
    EXPECT_EQ(RunCtl({"--registry", registry, "register"}, out, err), 1);
    EXPECT_NE(err.str().find("not a regular file"), std::string::npos) << err.str();
    EXPECT_EQ(out.str().find("x.vas"), std::string::npos);
}

} // namespace
} // namespace zumaset
