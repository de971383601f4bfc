#pragma once

#include "core/message_box.h"
#include "core/settings.h"
#include "exchange/ca_certificate.h"
#include "exchange/ca_fetch.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <variant>

namespace zumaset {

// The pages the operator publishes its two CA certificates at.
inline constexpr std::string_view kFirstCaPage = "/download/cert.der";
inline constexpr std::string_view kSecondCaPage = "/download/cert2.der";

// What the certificate offer shows and asks. A desktop shows boxes and an
// import dialog; without one the terminal asks.
class CaOfferFace {
public:
    virtual ~CaOfferFace() = default;
    // A question with Yes and No; true for Yes.
    virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
    // The import dialog: the certificate's details; true when the user
    // confirms that it is to be trusted.
    virtual bool ConfirmImport(std::string_view title, const CertificateInfo& info) = 0;
    // A box with an OK button.
    virtual void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) = 0;
};

// Fetches one page of the server: the body, or why not.
using CaFetcher = std::function<std::variant<std::string, CaFetchError>(std::string_view page)>;

struct CaOfferSetup {
    std::string exeName;   // the program's name, the boxes' titles start with it
    std::string serverTxt; // the server the certificates come from
    std::filesystem::path caFolder;
};

// What the offer did.
struct CaOfferResult {
    bool accepted = false; // Yes to the first question
    int stored = 0;        // certificates newly stored
    int present = 0;       // certificates already in the folder
    bool failed = false;   // a failure box was shown
};

// Box titles.
std::string CaQuestionTitle(std::string_view exeName);
std::string CaBetweenTitle(std::string_view exeName);
// The text of the box between the two certificates.
std::string CaBetweenText();
// The failure box: message 502 with the server, CR LF, the reason.
std::string CaFailureText(std::string_view server, std::string_view reason);

// Fetches, parses and, when the user confirms, stores one certificate.
// A failure is shown with the 502 box; returns false then.
bool OfferOneCaCertificate(const CaOfferSetup& setup, std::string_view page, const CaFetcher& fetch, CaOfferFace& face,
                           CaOfferResult& result);

// The whole dialogue: the question of message 501 (No ends it at once), the
// first certificate, the box between the two, the second certificate. A
// failure ends it after its box.
CaOfferResult InstallCACertificates(const CaOfferSetup& setup, const CaFetcher& fetch, CaOfferFace& face);

// How the settings reach the server: the named proxy (local names without a
// dot go direct) or the https_proxy/no_proxy environment.
CaFetchOptions CaFetchOptionsFrom(const Settings& settings);

// The same dialogue with the real fetch from `setup.serverTxt`.
CaOfferResult InstallCACertificates(const CaOfferSetup& setup, const CaFetchOptions& options, CaOfferFace& face);

// The entry point of the first-run flow: the dialogue for the settings'
// `ServerTxt`, through their proxy, into the CA folder `caFolder`
// (Paths::ca), the boxes titled with `exeName`.
CaOfferResult InstallCACertificates(const Settings& settings, const std::filesystem::path& caFolder,
                                    std::string_view exeName, CaOfferFace& face);

// The details of a certificate, one "label: value" a line.
std::string CertificateDetails(const CertificateInfo& info);

// A face for a terminal or standard streams: boxes are written to `out`,
// questions read a line from `in` (y/yes is Yes, anything else No). With
// `assumeYes` every question is answered Yes without reading.
class StreamCaOfferFace final : public CaOfferFace {
public:
    StreamCaOfferFace(std::istream& in, std::ostream& out, bool assumeYes = false)
        : in_(in), out_(out), assumeYes_(assumeYes) {}
    bool AskYesNo(std::string_view title, std::string_view text) override;
    bool ConfirmImport(std::string_view title, const CertificateInfo& info) override;
    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override;

private:
    bool ReadAnswer();
    std::istream& in_;
    std::ostream& out_;
    bool assumeYes_;
};

} // namespace zumaset
