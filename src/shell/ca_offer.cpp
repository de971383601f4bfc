#include "shell/ca_offer.h"

#include "core/host_port.h"
#include "core/message_table.h"
#include "core/text.h"
#include "core/translate.h"
#include "exchange/curl_transport.h"

#include <istream>
#include <ostream>

namespace zumaset {

std::string CaQuestionTitle(std::string_view exeName) {
    return std::string(exeName) + " - Instalace certifikátu CA";
}

std::string CaBetweenTitle(std::string_view exeName) {
    return std::string(exeName) + " - Instalace certifikátů CA";
}

std::string CaBetweenText() {
    return "Pokud je již dokončena instalace prvního certifikátu, stiskněte tlačítko OK.\r\n"
           "Není-li dokončena, přejděte do okna instalace certifikátu a dokončete ji.\r\n"
           "Potom teprve stiskněte toto tlačítko OK a instalujte druhý certifikát.";
}

std::string CaFailureText(std::string_view server, std::string_view reason) {
    return LoadMessage(msg::kInstallCaYourself, {{kPlaceholder, server}}) + "\r\n" + std::string(reason);
}

std::string CertificateDetails(const CertificateInfo& info) {
    // The names come from the server before it is trusted: no control
    // character of theirs reaches the terminal or the dialog.
    return FormatText(Tr("Subject: %s\nIssuer: %s\nValid from: %s\nValid until: %s\nSHA-256 fingerprint: %s\n"),
                      EscapeControlChars(info.subject).c_str(), EscapeControlChars(info.issuer).c_str(),
                      info.notBefore.c_str(), info.notAfter.c_str(), info.fingerprint.c_str());
}

bool OfferOneCaCertificate(const CaOfferSetup& setup, std::string_view page, const CaFetcher& fetch, CaOfferFace& face,
                           CaOfferResult& result) {
    auto fail = [&](std::string_view reason) {
        face.ShowBox(setup.exeName, CaFailureText(setup.serverTxt, reason), MessageIcon::Exclamation);
        result.failed = true;
        return false;
    };
    auto fetched = fetch(page);
    if (const auto* error = std::get_if<CaFetchError>(&fetched)) {
        return fail(std::string(page) + ": " + error->reason);
    }
    std::string why;
    const auto info = ParseCertificate(std::get<std::string>(fetched), &why);
    if (!info) return fail(std::string(page) + ": " + why);
    if (!face.ConfirmImport(CaQuestionTitle(setup.exeName), *info)) return true;
    const StoreResult stored = StoreCaCertificate(setup.caFolder, *info);
    switch (stored.outcome) {
    case StoreOutcome::Stored: ++result.stored; return true;
    case StoreOutcome::AlreadyPresent: ++result.present; return true;
    case StoreOutcome::Failed: break;
    }
    return fail(stored.reason);
}

CaOfferResult InstallCACertificates(const CaOfferSetup& setup, const CaFetcher& fetch, CaOfferFace& face) {
    CaOfferResult result;
    const std::string question = LoadMessage(msg::kInstallCaQuestion, {{kPlaceholder, "\r\n"}});
    if (!face.AskYesNo(CaQuestionTitle(setup.exeName), question)) return result;
    result.accepted = true;
    if (!OfferOneCaCertificate(setup, kFirstCaPage, fetch, face, result)) return result;
    face.ShowBox(CaBetweenTitle(setup.exeName), CaBetweenText(), MessageIcon::None);
    OfferOneCaCertificate(setup, kSecondCaPage, fetch, face, result);
    return result;
}

CaFetchOptions CaFetchOptionsFrom(const Settings& settings) {
    CaFetchOptions options;
    if (settings.UseProxy) {
        const auto server = ParseServerName(settings.ServerTxt);
        if (!server || !BypassesNamedProxy(server->host)) {
            options.proxy = settings.ProxyName + ":" + settings.ProxyPort;
            options.proxyUser = settings.ProxyUser;
            options.proxyPassword = settings.ProxyPass;
        }
    } else {
        const SystemProxy system = SystemProxyFromEnvironment();
        options.proxy = system.proxy;
        options.noProxy = system.noProxy;
    }
    return options;
}

CaOfferResult InstallCACertificates(const CaOfferSetup& setup, const CaFetchOptions& options, CaOfferFace& face) {
    const std::string server = setup.serverTxt;
    return InstallCACertificates(
        setup, [&](std::string_view page) { return FetchCaCertificate(server, page, options); }, face);
}

CaOfferResult InstallCACertificates(const Settings& settings, const std::filesystem::path& caFolder,
                                    std::string_view exeName, CaOfferFace& face) {
    const CaOfferSetup setup{std::string(exeName), settings.ServerTxt, caFolder};
    return InstallCACertificates(setup, CaFetchOptionsFrom(settings), face);
}

bool StreamCaOfferFace::ReadAnswer() {
    if (assumeYes_) {
        out_ << "y (--yes)\n" << std::flush;
        return true;
    }
    std::string line;
    if (!std::getline(in_, line)) {
        out_ << "\n";
        return false;
    }
    return line == "y" || line == "Y" || line == "yes" || line == "ano" || line == "a";
}

bool StreamCaOfferFace::AskYesNo(std::string_view title, std::string_view text) {
    out_ << title << "\n" << ReplaceAll(text, "\r\n", "\n") << " [y/N] " << std::flush;
    return ReadAnswer();
}

bool StreamCaOfferFace::ConfirmImport(std::string_view, const CertificateInfo& info) {
    // The answer is read in both languages (y, yes, a, ano).
    out_ << CertificateDetails(info) << Tr("Trust this certificate? [y/N]") << ' ' << std::flush;
    return ReadAnswer();
}

void StreamCaOfferFace::ShowBox(std::string_view title, std::string_view text, MessageIcon) {
    out_ << title << "\n" << ReplaceAll(text, "\r\n", "\n") << "\n" << std::flush;
}

} // namespace zumaset
