#include "outbound/work_up_file.h"

#include "core/file_error.h"
#include "core/file_identity.h"
#include "core/message_table.h"
#include "core/system_error_text.h"
#include "core/text.h"
#include "core/trace_line.h"
#include "core/upper_case.h"
#include "outbound/archive_copy.h"
#include "outbound/office_code.h"
#include "outbound/path_helpers.h"
#include "outbound/source_scan.h"

#include <exception>

namespace zumaset {

namespace {

constexpr std::string_view kRoutine = "WorkUpFile";
// The server lists the receipts waiting for the client separated by "#", so a
// receipt for a name with "#" could never be fetched: such a file is not sent.
constexpr char kReceiptListSeparator = '#';
constexpr long kInvalidName = 123;
constexpr std::string_view kNameWithSeparator =
    "Název souboru obsahuje znak \"#\", potvrzení k němu nelze stáhnout; soubor nebyl odeslán.";
constexpr std::string_view kUnexpectedFailureText = "Soubor se nepodařilo zpracovat";
constexpr std::string_view kChangedAfterSend =
    "Soubor se během odesílání změnil, nebyl archivován ani smazán a odešle se znovu.";

// The routine's steps; a runtime failure inside them escapes as an exception
// and ends the call without the end line.
class FileWorkUp {
public:
    FileWorkUp(const OutboundContext& context, const std::string& folderPath, const std::string& fileName,
               const FileNode& found)
        : ctx_(context), folderPath_(folderPath), fileName_(fileName), found_(found) {}

    void Run() {
        Trace(TraceLine{kRoutine, 'F', 1}.Start());
        const OfficeCode code = DeriveOfficeCode(ctx_.settings, folderPath_, fileName_);
        Trace(TraceLine{kRoutine, 'F', 2}.Label("CELNICE").Values({code.CuCode}));
        if (Process(code)) Trace(TraceLine{kRoutine, 'F', 4}.End("Návrat na SearchFile"));
    }

private:
    // False only when a step failed at run time (no end line then).
    bool Process(const OfficeCode& code) {
        if (!CheckOfficeCode(code.CuCode, code.SendAs, ctx_.reporter)) return true;
        if (IsExcludedEnding(code.SendAs)) return true;
        if (code.SendAs.find(kReceiptListSeparator) != std::string::npos) {
            // Error log only: the line comes back every pass until the file is renamed.
            ctx_.logs.WriteLog("[" + std::to_string(kInvalidName) + "] *** " + std::string(kNameWithSeparator) + "  " +
                                   Quoted(folderPath_ + fileName_),
                               LogKind::Error);
            return true;
        }
        Activity("odesílám soubor: " + ToUpperText(code.SendAs));
        Trace(TraceLine{kRoutine, 'F', 3}.Label("Work volá SendFile").Values({code.CuCode}));
        const std::optional<FileIdentity> sent =
            ctx_.sender.SendFile(folderPath_, fileName_, code.CuCode, code.SendAs, found_);
        if (!sent) {
            Activity("CHYBA  SOUBOR NEBYL ODESLÁN");
            return true;
        }
        ctx_.view.IncrementSendCount();
        Activity("úspěšně odesláno");
        if (!IsAsSent(*sent)) return true;
        return ctx_.settings.ArchiveFiles ? ArchiveAndRemove(*sent) : RemoveSource(*sent);
    }

    // The file at the path must still be the version the upload read; a file
    // rewritten or replaced since is neither archived nor deleted, and so is
    // sent again in the next pass. Says so in the error log.
    bool IsAsSent(const FileIdentity& sent) const {
        if (IdentityOfPath(folderPath_ + fileName_) == sent) return true;
        LeaveChanged();
        return false;
    }

    void LeaveChanged() const {
        ctx_.logs.WriteLog("[" + std::to_string(kSourceChanged) + "] *** " + std::string(kChangedAfterSend) + "  " +
                               Quoted(folderPath_ + fileName_),
                           LogKind::Error);
    }

    // Copies the sent file to the archive and deletes it; when the copy fails
    // the failure is reported and the file is kept in the unarchived folder.
    bool ArchiveAndRemove(const FileIdentity& sent) {
        const std::string relative = RelativeFolder(ctx_.settings.SourcePath, folderPath_);
        const FileStepResult copied = ArchiveCopy(ctx_.settings.ArchivPath, relative, folderPath_, fileName_, sent);
        if (copied == 0) return RemoveSource(sent);
        if (copied == kSourceChanged) {
            LeaveChanged();
            return true;
        }
        ctx_.reporter.ReportSystemError(copied, Quoted(folderPath_ + fileName_));
        std::filesystem::path movedTo;
        const FileStepResult moved = KeepUnarchived(ctx_.unarchivedFolder, relative, folderPath_, fileName_, movedTo);
        if (moved != 0) {
            // Not deleted: the file is sent again rather than lost.
            ctx_.reporter.ReportSystemError(moved, Quoted(folderPath_ + fileName_));
            return false;
        }
        ctx_.logs.WriteLog("[" + std::to_string(copied) + "] *** Soubor nebyl archivován, uložen jako  " +
                               Quoted(movedTo.string()),
                           LogKind::Error);
        return true;
    }

    // Deletes the source unless it changed since it was read; false when it
    // could not be deleted.
    bool RemoveSource(const FileIdentity& sent) {
        const FileStepResult removed = RemoveSent(folderPath_, fileName_, sent);
        if (removed == kSourceChanged) LeaveChanged();
        return removed == 0 || removed == kSourceChanged;
    }

    void Activity(const std::string& event) {
        ctx_.view.AddActivity(LoadMessage(msg::kSendActivity, {{kPlaceholder, event}}), true);
    }

    void Trace(const std::string& line) const {
        if (ctx_.settings.WriteDebugLog) ctx_.logs.WriteDebugTrace(line);
    }

    const OutboundContext& ctx_;
    const std::string& folderPath_;
    const std::string& fileName_;
    const FileNode found_;
};

// The error-log line of a step that failed unexpectedly (an exception); the
// file stays where it is and the next pass tries again.
void LogUnexpectedFailure(const OutboundContext& context, const std::string& folderPath, const std::string& fileName,
                          std::string_view what) noexcept {
    try {
        context.logs.WriteLog("[" + std::to_string(kNoSystemErrorNumber) + "] *** " +
                                  std::string(kUnexpectedFailureText) + " (" + std::string(what) + ")  " +
                                  Quoted(folderPath + fileName),
                              LogKind::Error);
    } catch (...) {
        // Not even the line could be built (memory): nothing more can be done.
    }
}

} // namespace

std::filesystem::path UnarchivedFolder(const std::filesystem::path& dataFolder) {
    return dataFolder / "unarchived";
}

void WorkUpFile(const OutboundContext& context, const std::string& folderPath, const std::string& fileName,
                const FileNode& found) noexcept {
    try {
        FileWorkUp(context, folderPath, fileName, found).Run();
    } catch (const std::exception& failure) {
        LogUnexpectedFailure(context, folderPath, fileName, failure.what());
    } catch (...) {
        LogUnexpectedFailure(context, folderPath, fileName, "neznámá výjimka");
    }
}

void SearchSourceFolder(const OutboundContext& context) {
    SearchFiles(context.settings, context.logs, context.reporter, context.clock, context.settings.SourcePath,
                [&context](const std::string& folderPath, const std::string& fileName, const FileNode& found) {
                    WorkUpFile(context, folderPath, fileName, found);
                });
}

} // namespace zumaset
