#include "outbound/work_up_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/system_error_text.h"
#include "outbound_fixture.h"

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
    OutboundContext Context() { return {settings, logs, reporter, model, sender, dir / "data" / "unarchived"}; }
    void Pass() { SearchSourceFolder(Context()); }
    std::vector<std::string> Activity() const {
        std::vector<std::string> texts;
        for (const std::string& entry : model.activity()) texts.push_back(entry.substr(11));  // after "hh:mm:ss * "
        return texts;
    }
};

TEST_F(WorkUp, AcceptedFileIsCountedShownAndDeleted) {
    const fs::path file = Source("praha_05.txt");
    Pass();
    ASSERT_EQ(sender.calls.size(), 1u);
    EXPECT_EQ(sender.calls[0].FolderPath, settings.SourcePath);
    EXPECT_EQ(sender.calls[0].SourceName, "praha_05.txt");
    EXPECT_EQ(sender.calls[0].CuCode, "CZ510201");
    EXPECT_EQ(sender.calls[0].SendAs, "praha_05.txt");
    EXPECT_EQ(model.sendCount(), 1);
    EXPECT_EQ(Activity(), (std::vector<std::string>{"Proces SEND - odesílám soubor: PRAHA_05.TXT",
                                                    "Proces SEND - úspěšně odesláno"}));
    EXPECT_EQ(model.activity().front().substr(0, 11), "09:05:03 * ");
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

TEST_F(WorkUp, ExcludedEndingsAreHeldBackSilently) {
    for (const char* name : {"praha_05.dok", "x.E81", "x.EA1", "setup.exe", "declLST"}) Source(name);
    Source("x.E91");
    Pass();
    ASSERT_EQ(sender.calls.size(), 1u);
    EXPECT_EQ(sender.calls[0].SourceName, "x.E91");
    EXPECT_EQ(Activity().size(), 2u);
    EXPECT_TRUE(fs::exists(fs::path(settings.SourcePath) / "praha_05.dok"));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(WorkUp, InvalidCodeIsReportedEveryPassAndNothingIsSent) {
    settings.CuOption = "ALL_FILES|CZABCDEF%";
    Source("a.txt");
    Pass();
    Pass();
    EXPECT_TRUE(sender.calls.empty());
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(ErrorLines().size(), 2u);
    EXPECT_TRUE(model.activity().empty());
}

TEST_F(WorkUp, EmptyListHoldsEverythingWithoutReport) {
    settings.CuOption = "";
    Source("a.txt");
    Pass();
    EXPECT_TRUE(sender.calls.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(WorkUp, ArchiveMirrorsTwoLevelsAndKeepsTheOwnName) {
    settings.ArchiveFiles = true;
    settings.CuMode = 2;
    settings.Delimiter = "_";
    settings.CuPosition = 1;
    settings.FileNamePos = 2;
    const fs::path file = Source("one/two/Praha_CZ900000_Test01.vas", "declaration");
    Pass();
    ASSERT_EQ(sender.calls.size(), 1u);
    EXPECT_EQ(sender.calls[0].SendAs, "Test01.vas");
    EXPECT_EQ(ReadFileBytes(fs::path(settings.ArchivPath) / "one/two/Praha_CZ900000_Test01.vas"), "declaration");
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(WorkUp, FailedArchiveCopyIsReportedAndTheFileKeptUnarchived) {
    settings.ArchiveFiles = true;
    settings.ArchivPath = (dir / "no-such-archive").string() + "/";
    const fs::path file = Source("sub/praha.txt", "only copy");
    Pass();
    EXPECT_FALSE(fs::exists(settings.ArchivPath));  // the archive folder itself is never created
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(ErrorLines().front(),
              "[3] *** " + SystemErrorText(fileerr::kPathNotFound) + "  \"" + file.string() + "\"");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/sub/praha.txt"), "only copy");
    Pass();
    EXPECT_EQ(sender.calls.size(), 1u);  // not sent a second time
}

TEST_F(WorkUp, UnarchivedFileNeverReplacesAnEarlierOne) {
    settings.ArchiveFiles = true;
    settings.ArchivPath = "";
    Source("praha.txt", "first");
    Pass();
    Source("praha.txt", "second");
    Pass();
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/praha.txt"), "first");
    EXPECT_EQ(ReadFileBytes(dir / "data/unarchived/praha.txt.1"), "second");
}

TEST_F(WorkUp, SourceStaysWhenItCanNeitherBeArchivedNorKept) {
    settings.ArchiveFiles = true;
    settings.ArchivPath = (dir / "no-such-archive").string() + "/";
    test::WriteFileBytes(dir / "blocker", "a file where the folder should be");
    const fs::path file = Source("praha.txt");
    OutboundContext context{settings, logs, reporter, model, sender, dir / "blocker" / "unarchived"};
    SearchSourceFolder(context);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(ErrorLines().size(), 2u);
}

TEST_F(WorkUp, UndeletableSourceStaysWithoutEndTrace) {
    settings.WriteDebugLog = true;
    // While "sending", the file becomes a folder with content, which cannot be removed like a file.
    sender.onSend = [](const std::string& path) {
        fs::remove(path);
        fs::create_directories(path + "/inside");
    };
    Source("praha.txt");
    WorkUpFile(Context(), settings.SourcePath, "praha.txt");
    EXPECT_TRUE(fs::exists(fs::path(settings.SourcePath) / "praha.txt"));
    EXPECT_EQ(model.sendCount(), 1);
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{
                                "[WorkUpFile    - START]<F01>",
                                "[WorkUpFile           ]<F02>*** CELNICE                 *** [CZ510201]",
                                "[WorkUpFile           ]<F03>*** Work volá SendFile      *** [CZ510201]",
                            }));
}

TEST_F(WorkUp, HeldBackFileEndsWithTheReturnTrace) {
    settings.WriteDebugLog = true;
    Source("praha.dok");
    WorkUpFile(Context(), settings.SourcePath, "praha.dok");
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{
                                "[WorkUpFile    - START]<F01>",
                                "[WorkUpFile           ]<F02>*** CELNICE                 *** [CZ510201]",
                                "[WorkUpFile    -   END]<F04>*** Návrat na SearchFile    ***",
                            }));
}

} // namespace
} // namespace zumaset
