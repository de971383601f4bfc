#include "core/file_error.h"
#include "core/system_error_text.h"
#include "outbound/source_scan.h"

#include "outbound_fixture.h"
#include "trace_has.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

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

// RetValPath or ArchivPath inside the source, also written another way than
// the scan reaches the folder: never entered, so nothing in it is sent again.
struct ExcludedFolderRow {
    std::string name;
    bool archive; // the setting is ArchivPath, else RetValPath
    std::function<std::string(const fs::path& source, const fs::path& dir)> path;
};
void PrintTo(const ExcludedFolderRow& row, std::ostream* os) {
    *os << row.name;
}

class ExcludedFolder : public SourceScan, public ::testing::WithParamInterface<ExcludedFolderRow> {};

TEST_P(ExcludedFolder, IsRecognisedWhateverThePathsForm) {
    const std::string path = GetParam().path(settings.SourcePath, dir.path());
    (GetParam().archive ? settings.ArchivPath : settings.RetValPath) = path;
    Source("inner/kept.txt");
    Source("inner/deeper/kept.txt");
    Source("a.txt");
    EXPECT_EQ(Scan(), std::vector<std::string>{"a.txt"});
}

std::string Inner(const fs::path& source, const fs::path&) {
    return source.string() + "inner/";
}
std::string InnerThroughALink(const fs::path& source, const fs::path& dir) {
    fs::create_directories(source / "inner");
    fs::create_directory_symlink(source / "inner", dir / "alias");
    return (dir / "alias").string() + "/";
}

INSTANTIATE_TEST_SUITE_P(Forms, ExcludedFolder,
                         ::testing::Values(ExcludedFolderRow{"Delivered", false, Inner},
                                           ExcludedFolderRow{"Archive", true, Inner},
                                           ExcludedFolderRow{"DeliveredWithDotSegment", false,
                                                             [](const fs::path& source, const fs::path&) {
                                                                 return source.string() + "./inner/";
                                                             }},
                                           ExcludedFolderRow{"DeliveredWithDotDot", false,
                                                             [](const fs::path& source, const fs::path&) {
                                                                 fs::create_directories(source / "x");
                                                                 return source.string() + "x/../inner/";
                                                             }},
                                           ExcludedFolderRow{"DeliveredThroughALink", false, InnerThroughALink},
                                           ExcludedFolderRow{"ArchiveWithDotSegment", true,
                                                             [](const fs::path& source, const fs::path&) {
                                                                 return source.string() + "./inner";
                                                             }}),
                         [](const auto& info) { return info.param.name; });

TEST_F(SourceScan, ArchiveThatIsTheSourceItselfDoesNotStopTheScan) {
    settings.ArchivPath = settings.SourcePath + "./";
    Source("a.txt");
    EXPECT_EQ(Scan(), std::vector<std::string>{"a.txt"});
}

TEST_F(SourceScan, DeliveredFolderEqualToSourceStopsTheScan) {
    settings.WriteDebugLog = true;
    settings.RetValPath = settings.SourcePath;
    Source("a.txt");
    EXPECT_TRUE(Scan().empty());
    ASSERT_EQ(DebugLines().size(), 1u); // the start line, and no end line
    EXPECT_TRUE(test::TraceHas(DebugLines()[0], 'K', 1));
}

TEST_F(SourceScan, SubfoldersAreIgnoredOnRequestAndWalkedOtherwise) {
    Source("top.txt");
    Source("a/b/c/deep.txt");
    EXPECT_EQ(Sorted(Scan()), (std::vector<std::string>{"a/b/c/deep.txt", "top.txt"}));
    settings.SubDirIgnore = true;
    EXPECT_EQ(Scan(), std::vector<std::string>{"top.txt"});
}

TEST_F(SourceScan, EachSubfolderIsFinishedBeforeTheNextEntryOfItsParent) {
    for (const char* file : {"1.txt", "2.txt", "3.txt", "a/1.txt", "a/2.txt", "a/x/1.txt", "a/x/2.txt", "b/1.txt",
                             "b/y/1.txt", "b/y/2.txt", "c/1.txt"}) {
        Source(file);
    }
    const std::vector<std::string> found = Scan();
    ASSERT_EQ(found.size(), 11u);
    // Depth first: the files of every folder (with its subfolders) form one unbroken run.
    for (const std::string prefix : {"a/", "a/x/", "b/", "b/y/", "c/"}) {
        const auto inFolder = [&](const std::string& f) { return f.rfind(prefix, 0) == 0; };
        const auto first = std::find_if(found.begin(), found.end(), inFolder);
        const auto afterRun = std::find_if_not(first, found.end(), inFolder);
        EXPECT_EQ(std::find_if(afterRun, found.end(), inFolder), found.end()) << prefix;
    }
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

TEST_F(SourceScan, TraceLinesFollowTheWalk) {
    settings.WriteDebugLog = true;
    Source("a.txt");
    Scan();
    std::vector<std::string> lines = DebugLines();
    // "." and ".." come in listing order; only their K02 lines are written.
    std::erase_if(lines, [](const std::string& l) { return l.ends_with("[.]") || l.ends_with("[..]"); });
    ASSERT_EQ(lines.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(test::TraceHas(lines[i], 'K', i + 1,
                                   i == 1 || i == 2 ? std::vector<std::string>{"a.txt"} : std::vector<std::string>{}));
    }
}

} // namespace
} // namespace zumaset
