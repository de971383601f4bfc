#include "app/ctl/ca_command.h"

#include "app/ctl/exit_codes.h"
#include "core/atomic_file.h"
#include "core/text.h"
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
    if (stored.outcome == StoreOutcome::Stored) output.out << "stored " << stored.file.string() << '\n';
    if (stored.outcome == StoreOutcome::AlreadyPresent) {
        output.out << "already trusted: " << stored.file.string() << '\n';
    }
}

} // namespace

int ListCaCertificates(const std::filesystem::path& caFolder, const CtlOutput& output) {
    const auto entries = ListCaFolder(caFolder);
    if (entries.empty()) output.out << "no certificates in " << caFolder.string() << '\n';
    for (const auto& entry : entries) {
        output.out << EscapeControlChars(entry.name) << '\n';
        if (!entry.info) {
            output.out << "  (not a certificate)\n";
            continue;
        }
        const CertificateInfo& info = *entry.info;
        output.out << "  Subject: " << EscapeControlChars(info.subject) << "\n  Valid: " << info.notBefore << " to "
                   << info.notAfter << "\n  SHA-256: " << info.fingerprint << '\n';
    }
    return kExitOk;
}

int FetchCaCertificates(const std::filesystem::path& caFolder, const std::string& server, const CaFetchOptions& options,
                        std::istream& in, bool assumeYes, const CtlOutput& output) {
    if (server.empty()) {
        output.err << "ServerTxt is not set (zumasetctl config set ServerTxt host)\n";
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
    output.out << result.stored << " stored, " << result.present << " already trusted\n";
    return result.failed ? kExitFailure : kExitOk;
}

int AddCaCertificate(const std::filesystem::path& caFolder, const std::filesystem::path& file,
                     const CtlOutput& output) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxCertificateFile) {
        output.err << "not a readable certificate file of at most 64 KiB: " << EscapeControlChars(file.string())
                   << '\n';
        return kExitUsage;
    }
    const auto bytes = ReadWholeFile(file);
    std::string why;
    const auto info = bytes ? ParseCertificate(*bytes, &why) : std::nullopt;
    if (!info) {
        output.err << EscapeControlChars(file.string()) << ": " << (bytes ? why : "cannot be read") << '\n';
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
    output.out << "removed " << EscapeControlChars((caFolder / name).string()) << '\n';
    return kExitOk;
}

} // namespace zumaset
