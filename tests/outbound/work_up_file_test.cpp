#include "core/file_identity.h"
#include "core/system_error_text.h"
#include "outbound/source_scan.h"
#include "outbound/work_up_file.h"

#include "file_size_limit.h"
#include "outbound_fixture.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <stdexcept>

namespace zumaset {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

class WorkUp : public test::OutboundTest {
protected:
    WorkUp() {
        settings.CuMode = 0;
        settings.CuOption = "PRAHA|CZ510201%ALL_FILES|CZ900000%";
        settings.ShowErrMessage = true;
    }
    OutboundContext Context() { return {settings, logs, reporter, model, sender, dir / "data" / "unarchived", clock}; }
    void Pass() { SearchSourceFolder(Context()); }
    std::vector<std::string> Activity() const {
        std::vector<std::string> texts;
        for (const std::string& entry : model.activity()) texts.push_back(entry.substr(11)); // after "hh:mm:ss * "
        return texts;
    }
};

TEST_F(WorkUp, AcceptedFileIsCountedShownAndDeleted) {
    const fs::path file = Source("praha_05.txt");
    Pass();
    ASSERT_EQ(sender.calls.size(), 1u);
    EXPECT_EQ(sender.calls[0].sourceName, "praha_05.txt");
    EXPECT_EQ(sender.calls[0].cuCode, "CZ510201");
    EXPECT_EQ(model.sendCount(), 1);
    EXPECT_EQ(Activity(), (std::vector<std::string>{"Proces SEND - odesílám soubor: PRAHA_05.TXT",
                                                    "Proces SEND - úspěšně odesláno"}));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(WorkUp, RefusedFileStaysAndIsOfferedAgain) {
    sender.accept = false;
    const fs::path file = Source("brno_01.txt");
    Pass();
    Pass();
    EXPECT_EQ(sender.calls.size(), 2u);
    EXPECT_EQ(model.sendCount(), 0);
    EXPECT_EQ(Activity().back(), "Proces SEND - CHYBA  SOUBOR NEBYL ODESLÁN");
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(WorkUp, AnUnexpectedFailureIsLoggedAndTheFileStays) {
    sender.onSend = [](const std::string&) { throw std::runtime_error("disk gone"); };
    const fs::path file = Source("brno_02.txt");
    Pass();
    EXPECT_EQ(ErrorLines(), (std::vector<std::string>{"[99999] *** Soubor se nepodařilo zpracovat (disk gone)  \"" +
                                                      file.string() + "\""}));
    EXPECT_TRUE(fs::exists(file));
}

TEST_F(WorkUp, ExcludedEndingsAreHeldBackSilently) {
    Source("praha_05.dok");
    Source("x.E91");
    Pass();
    ASSERT_EQ(sender.calls.size(), 1u);
    EXPECT_EQ(sender.calls[0].sourceName, "x.E91");
    EXPECT_TRUE(fs::exists(fs::path(settings.SourcePath) / "praha_05.dok"));
    EXPECT_TRUE(boxes.boxes.empty());
}

// Receipts are listed separated by "#": a name announced with "#" is refused
// before the upload, every pass, and the file stays; only SendAs counts.
TEST_F(WorkUp, ANameWithTheReceiptListSeparatorIsReportedEveryPassAndNotSent) {
    const fs::path file = Source("praha#2.txt");
    Pass();
    Pass();
    EXPECT_TRUE(sender.calls.empty());
    EXPECT_TRUE(fs::exists(file));
    const std::string line = "[123] *** Název souboru obsahuje znak \"#\", potvrzení k němu nelze stáhnout; soubor "
                             "nebyl odeslán.  \"" +
                             file.string() + "\"";
    EXPECT_EQ(ErrorLines(), (std::vector<std::string>{line, line}));

    settings.CuMode = 2;
    settings.Delimiter = "_";
    settings.CuPosition = 1;
    settings.FileNamePos = 2;
    fs::remove(file);
    Source("Praha#2_CZ510201_decl.txt");
    Pass();
    ASSERT_EQ(sender.calls.size(), 1u);
    EXPECT_EQ(sender.calls[0].sendAs, "decl.txt");
}

// An invalid code is reported every pass; an empty list holds everything back silently.
TEST_F(WorkUp, AnUnusableCodeListSendsNothing) {
    Source("a.txt");
    for (const auto& [option, reports] : {std::pair{"ALL_FILES|CZABCDEF%", 2u}, std::pair{"", 0u}}) {
        settings.CuOption = option;
        boxes.boxes.clear();
        Pass();
        Pass();
        EXPECT_TRUE(sender.calls.empty()) << option;
        EXPECT_EQ(boxes.boxes.size(), reports) << option;
    }
}

TEST_F(WorkUp, FailedArchiveCopyIsReportedAndTheFileKeptUnarchived) {
    settings.ArchiveFiles = true;
    settings.ArchivPath = (dir / "no-such-archive").string() + "/";
    const fs::path file = Source("sub/praha.txt", "only copy");
    Pass();
    EXPECT_FALSE(fs::exists(settings.ArchivPath)); // the archive folder itself is never created
    EXPECT_EQ(ErrorLines().front(),
              "[3] *** " + SystemErrorText(fileerr::kPathNotFound) + "  \"" + file.string() + "\"");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/sub/praha.txt"), "only copy");
    Pass();
    EXPECT_EQ(sender.calls.size(), 1u); // not sent a second time
    Source("sub/praha.txt", "second");
    Pass();
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/sub/praha.txt"), "only copy"); // never replaced
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/sub/praha.txt.1"), "second");
}

TEST_F(WorkUp, SourceStaysWhenItCanNeitherBeArchivedNorKept) {
    settings.ArchiveFiles = true;
    settings.ArchivPath = (dir / "no-such-archive").string() + "/";
    test::WriteFileBytes(dir / "blocker", "a file where the folder should be");
    const fs::path file = Source("praha.txt");
    SearchSourceFolder({settings, logs, reporter, model, sender, dir / "blocker" / "unarchived", clock});
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(ErrorLines().size(), 2u);
}

// A file rewritten after the upload read it (its time put back, as a copy
// tool does) is neither archived nor deleted, and the log says so.
TEST_F(WorkUp, AFileChangedAfterTheUploadReadItStays) {
    settings.ArchiveFiles = true;
    const fs::path file = Source("praha.txt", "old content");
    sender.onSend = [&](const std::string& path) {
        const auto time = fs::last_write_time(path);
        test::WriteFileBytes(path, "new content");
        fs::last_write_time(path, time);
    };
    Pass();
    EXPECT_EQ(model.sendCount(), 1);
    EXPECT_EQ(ReadFileBytes(file), "new content");
    EXPECT_FALSE(fs::exists(fs::path(settings.ArchivPath) / "praha.txt"));
    const std::vector<std::string> errors = ErrorLines();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].starts_with("[1006] *** ")) << errors[0];
}

// A file replaced between the scan and the upload's opening of it (the
// scan's handler is the seam) is not sent, and nothing is removed.
TEST_F(WorkUp, AFileSwappedAfterTheScanIsNotSent) {
    settings.ArchiveFiles = true;
    Source("praha.txt", "found by the scan");
    test::WriteFileBytes(dir / "other.txt", "not for the server");
    SearchFiles(settings, logs, reporter, clock, settings.SourcePath,
                [&](const std::string& folderPath, const std::string& fileName, const FileNode& found) {
                    fs::rename(dir / "other.txt", folderPath + fileName);
                    WorkUpFile(Context(), folderPath, fileName, found);
                });
    ASSERT_EQ(sender.calls.size(), 1u);
    EXPECT_EQ(model.sendCount(), 0);
    EXPECT_EQ(ReadFileBytes(fs::path(settings.SourcePath) / "praha.txt"), "not for the server");
    EXPECT_TRUE(fs::is_empty(settings.ArchivPath));
}

// The archive mirrors the folders below the source and keeps the file's own
// name, an earlier copy under a numbered backup name.
TEST_F(WorkUp, ArchiveMirrorsTheFoldersAndKeepsAnEarlierCopy) {
    settings.ArchiveFiles = true;
    for (const char* content : {"first", "second"}) {
        Source("one/two/praha.txt", content);
        Pass();
    }
    const fs::path archive = fs::path(settings.ArchivPath) / "one/two";
    EXPECT_EQ(ReadFileBytes(archive / "praha.txt"), "second");
    EXPECT_EQ(ReadFileBytes(archive / "praha.txt.~1~"), "first");
    EXPECT_EQ(std::distance(fs::directory_iterator(archive), fs::directory_iterator()), 2); // no temporary left
    // The copy keeps the file's own modification time.
    EXPECT_EQ(fs::last_write_time(archive / "praha.txt"),
              std::chrono::file_clock::from_sys(clock.Now() - std::chrono::minutes(1)));
}

// A work file a killed copy left is taken over; a link in its place is never
// followed: the copy fails and the file is kept as for any failed copy.
TEST_F(WorkUp, AStaleWorkFileIsTakenOverButALinkIsNeverFollowed) {
    settings.ArchiveFiles = true;
    const fs::path archive = fs::path(settings.ArchivPath) / "sub";
    fs::create_directories(archive);
    test::WriteFileBytes(archive / ".praha.txt.zumaset-part", std::string(200000, 'x'));
    Source("sub/praha.txt", "sent");
    Pass();
    EXPECT_EQ(ReadFileBytes(archive / "praha.txt"), "sent");
    EXPECT_FALSE(fs::exists(archive / ".praha.txt.zumaset-part"));

    test::WriteFileBytes(dir / "outside.txt", "not ours");
    fs::create_symlink(dir / "outside.txt", archive / ".brno.txt.zumaset-part");
    Source("sub/brno.txt", "sent");
    Pass();
    EXPECT_EQ(ReadFileBytes(dir / "outside.txt"), "not ours");
    EXPECT_FALSE(fs::exists(archive / "brno.txt"));
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/sub/brno.txt"), "sent");
    EXPECT_FALSE(ErrorLines().empty());
}

TEST_F(WorkUp, ACopyCutShortLeavesTheEarlierArchivedFileWhole) {
    settings.ArchiveFiles = true;
    test::WriteFileBytes(fs::path(settings.ArchivPath) / "praha.txt", "sent last week");
    const std::string content(64 * 1024, 'D');
    Source("praha.txt", content);
    {
        const test::FileSizeLimit full(16 * 1024); // writing stops as on a full disk
        Pass();
    }
    EXPECT_EQ(ReadFileBytes(fs::path(settings.ArchivPath) / "praha.txt"), "sent last week");
    EXPECT_EQ(std::distance(fs::directory_iterator(settings.ArchivPath), fs::directory_iterator()), 1);
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/praha.txt"), content);
    ASSERT_FALSE(ErrorLines().empty());
    EXPECT_TRUE(ErrorLines().front().starts_with("[" + std::to_string(EFBIG) + "] *** ")) << ErrorLines().front();
}

} // namespace
} // namespace zumaset
