#include "app/ctl/ca_command.h"

#include "app/ctl/exit_codes.h"
#include "core/atomic_file.h"
#include "core/text.h"
#include "core/translate.h"
#include "exchange/ca_certificate.h"
#include "shell/ca_offer.h"

#include <istream>
#include <ostream>
#include <sys/stat.h>

namespace zumaset {

namespace {

// A certificate file of more than this is refused before it is read.
constexpr off_t kMaxCertificateFile = 64 * 1024;

void Report(const StoreResult& stored, const CtlOutput& output) {
    const std::string file = EscapeControlChars(stored.file.string());
    if (stored.outcome == StoreOutcome::Stored) output.out << FormatText(Tr("stored %s"), file.c_str()) << '\n';
    if (stored.outcome == StoreOutcome::AlreadyPresent)
        output.out << FormatText(Tr("already trusted: %s"), file.c_str()) << '\n';
}

} // namespace

int ListCaCertificates(const std::filesystem::path& caFolder, const CtlOutput& output) {
    const auto entries = ListCaFolder(caFolder);
    if (entries.empty())
        output.out << FormatText(Tr("no certificates in %s"), EscapeControlChars(caFolder.string()).c_str()) << '\n';
    for (const auto& entry : entries) {
        output.out << EscapeControlChars(entry.name) << '\n';
        if (!entry.info) {
            output.out << "  (" << Tr("not a certificate") << ")\n";
            continue;
        }
        const CertificateInfo& info = *entry.info;
        output.out << "  " << FormatText(Tr("Subject: %s"), EscapeControlChars(info.subject).c_str()) << "\n  "
                   << FormatText(Tr("Valid: %s to %s"), info.notBefore.c_str(), info.notAfter.c_str()) << "\n  "
                   << "SHA-256: " << info.fingerprint << '\n';
    }
    return kExitOk;
}

int FetchCaCertificates(const std::filesystem::path& caFolder, const std::string& server, const CaFetchOptions& options,
                        std::istream& in, bool assumeYes, const CtlOutput& output) {
    if (server.empty()) {
        output.err << Tr("ServerTxt is not set (zumasetctl config set ServerTxt host)") << '\n';
        return kExitCannotRun;
    }
    CaOfferSetup setup{"zumasetctl", server, caFolder};
    StreamCaOfferFace face(in, output.out, assumeYes);
    const CaFetcher fetch = [&](std::string_view page) { return FetchCaCertificate(server, page, options); };
    CaOfferResult result;
    result.accepted = true;
    for (const std::string_view page : {kFirstCaPage, kSecondCaPage}) {
        output.out << "https://" << EscapeControlChars(server) << page << '\n';
        OfferOneCaCertificate(setup, page, fetch, face, result);
    }
    output.out << FormatText(Tr("%ld stored, %ld already trusted"), static_cast<long>(result.stored),
                             static_cast<long>(result.present))
               << '\n';
    return result.failed ? kExitFailure : kExitOk;
}

int AddCaCertificate(const std::filesystem::path& caFolder, const std::filesystem::path& file,
                     const CtlOutput& output) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxCertificateFile) {
        output.err << FormatText(Tr("not a readable certificate file of at most 64 KiB: %s"),
                                 EscapeControlChars(file.string()).c_str())
                   << '\n';
        return kExitUsage;
    }
    const auto bytes = ReadWholeFile(file);
    std::string why;
    const auto info = bytes ? ParseCertificate(*bytes, &why) : std::nullopt;
    if (!info) {
        output.err << EscapeControlChars(file.string()) << ": " << (bytes ? why : Tr("cannot be read")) << '\n';
        return kExitUsage;
    }
    output.out << CertificateDetails(*info);
    const StoreResult stored = StoreCaCertificate(caFolder, *info);
    if (stored.outcome == StoreOutcome::Failed) {
        output.err << stored.reason << '\n';
        return kExitFailure;
    }
    Report(stored, output);
    return kExitOk;
}

int RemoveCaCertificate(const std::filesystem::path& caFolder, const std::string& name, const CtlOutput& output) {
    if (const auto refused = RemoveCaFile(caFolder, name)) {
        output.err << EscapeControlChars(*refused) << '\n';
        return kExitUsage;
    }
    output.out << FormatText(Tr("removed %s"), EscapeControlChars((caFolder / name).string()).c_str()) << '\n';
    return kExitOk;
}

} // namespace zumaset
