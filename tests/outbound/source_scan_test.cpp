#include "core/file_error.h"
#include "core/system_error_text.h"
#include "outbound/source_scan.h"

#include "outbound_fixture.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

class SourceScan : public test::OutboundTest {
protected:
    // Runs one scan of SourcePath and returns the files handed on, relative to it.
    std::vector<std::string> Scan() {
        std::vector<std::string> found;
        SearchFiles(settings, logs, reporter, clock, settings.SourcePath,
                    [&](const std::string& folderPath, const std::string& fileName, const FileNode& node) {
                        EXPECT_EQ(folderPath.back(), '/');
                        EXPECT_EQ(node, IdentityOfPath(folderPath + fileName)->node()); // the file found
                        found.push_back(folderPath.substr(settings.SourcePath.size()) + fileName);
                    });
        return found;
    }
    static std::vector<std::string> Sorted(std::vector<std::string> list) {
        std::sort(list.begin(), list.end());
        return list;
    }
};

TEST_F(SourceScan, EmptyWorkAndUnsettledFilesAreNotHandedOn) {
    using std::chrono::seconds;
    Source("empty.txt", "");
    Source(".work.txt", "x");                                  // a writer's work file, renamed when done
    Source("recent.txt", "x", seconds(1));                     // still being written
    Source("settled.txt", "x", kSettleTime);                   // left alone long enough
    Source("ahead.txt", "x", seconds(-10));                    // a writer's clock a little ahead
    Source("far-ahead.txt", "x", -kFutureSlack - seconds(30)); // a wrong clock must not hold it for ever
    EXPECT_EQ(Sorted(Scan()), (std::vector<std::string>{"far-ahead.txt", "settled.txt"}));
    clock.Advance(seconds(15));
    EXPECT_EQ(Sorted(Scan()), (std::vector<std::string>{"ahead.txt", "far-ahead.txt", "recent.txt", "settled.txt"}));
    EXPECT_TRUE(fs::exists(fs::path(settings.SourcePath) / "empty.txt"));
}

TEST_F(SourceScan, ALinkToAFileIsReportedEveryPassAndNeverHandedOn) {
    test::WriteFileBytes(dir / "secret.txt", "not for the server");
    fs::create_symlink(dir / "secret.txt", fs::path(settings.SourcePath) / "link.txt");
    fs::create_symlink(dir / "nowhere", fs::path(settings.SourcePath) / "dangling.txt");
    fs::create_directory_symlink(dir / "Logy", fs::path(settings.SourcePath) / "folder-link");
    EXPECT_TRUE(Scan().empty());
    EXPECT_TRUE(Scan().empty());
    const std::string line =
        "[1921] *** " + FileErrorText(kLinkNotFollowed) + "  \"" + settings.SourcePath + "link.txt\"";
    EXPECT_EQ(ErrorLines(), (std::vector<std::string>{line, line}));
    EXPECT_TRUE(boxes.boxes.empty());
}

// RetValPath and ArchivPath inside the source, also written another way than
// the scan reaches them: never entered, so nothing in them is sent again.
TEST_F(SourceScan, DeliveredAndArchiveFoldersInsideTheSourceAreSkippedWhateverTheirForm) {
    const fs::path source = settings.SourcePath;
    Source("delivered/kept.txt");
    Source("archive/deeper/kept.txt");
    Source("a.txt");
    fs::create_directories(source / "x");
    settings.RetValPath = source.string() + "x/../delivered/";
    fs::create_directory_symlink(source / "archive", dir / "alias");
    settings.ArchivPath = (dir / "alias").string() + "/";
    EXPECT_EQ(Scan(), std::vector<std::string>{"a.txt"});
}

// An archive that is the source itself is no reason to skip it; a delivered
// folder that is the source stops the scan, or received files would go back.
TEST_F(SourceScan, TheSourceAsArchiveIsScannedButAsDeliveredFolderIsNot) {
    settings.ArchivPath = settings.SourcePath + "./";
    Source("a.txt");
    EXPECT_EQ(Scan(), std::vector<std::string>{"a.txt"});
    settings.RetValPath = settings.SourcePath;
    EXPECT_TRUE(Scan().empty());
}

TEST_F(SourceScan, SubfoldersAreIgnoredOnRequestAndWalkedOtherwise) {
    Source("top.txt");
    Source("a/b/c/deep.txt");
    EXPECT_EQ(Sorted(Scan()), (std::vector<std::string>{"a/b/c/deep.txt", "top.txt"}));
    settings.SubDirIgnore = true;
    EXPECT_EQ(Scan(), std::vector<std::string>{"top.txt"});
}

TEST_F(SourceScan, LinkedFolderIsNotFollowedSoALoopEnds) {
    Source("a/file.txt");
    fs::create_directory_symlink(settings.SourcePath, fs::path(settings.SourcePath) / "a" / "loop");
    EXPECT_EQ(Scan(), std::vector<std::string>{"a/file.txt"});
}

TEST_F(SourceScan, MissingSourceIsReportedOncePerPassAsPathNotFound) {
    settings.SourcePath += "missing/";
    EXPECT_TRUE(Scan().empty());
    EXPECT_TRUE(Scan().empty());
    const std::string line = "[3] *** " + SystemErrorText(fileerr::kPathNotFound) + "  ";
    EXPECT_EQ(ErrorLines(), (std::vector<std::string>{line, line}));
    EXPECT_EQ(mail.notices.size(), 2u);
}

} // namespace
} // namespace zumaset
