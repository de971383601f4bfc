#include "core/system_error_text.h"

#include "core/file_error.h"
#include "core/inet_error.h"

#include <cstring>
#include <string_view>
#include <type_traits>

namespace zumaset {

namespace {

struct CodeText {
    long code;
    std::string_view text;
};

// File codes first, then the transport codes (12000-12999).
constexpr CodeText kTexts[] = {
    {fileerr::kFileNotFound, "Systém nemůže nalézt uvedený soubor."},
    {fileerr::kPathNotFound, "Systém nemůže nalézt uvedenou cestu."},
    {fileerr::kAccessDenied, "Přístup byl odepřen."},
    {inet_error::kReplyTooLarge, "Odpověď serveru je delší, než je povoleno."},
    {kFileIoError, "Požadavek nelze provést z důvodu chyby vstupně-výstupního zařízení."},
    {kLinkNotFollowed, "Systém nemůže přeložit název souboru."},
    {inet_error::kTimeout, "Časový limit operace vypršel."},
    {inet_error::kInternalError, "Při přenosu došlo k vnitřní chybě."},
    {inet_error::kInvalidUrl, "Adresa URL je neplatná."},
    {inet_error::kNameNotResolved, "Název serveru nelze přeložit na adresu."},
    {inet_error::kOperationCancelled, "Operace byla zrušena."},
    {inet_error::kIncorrectHandleState, "Operace není v tomto stavu spojení možná."},
    {inet_error::kCannotConnect, "K serveru nelze navázat spojení."},
    {inet_error::kConnectionAborted, "Spojení se serverem bylo přerušeno."},
    {inet_error::kConnectionReset, "Spojení se serverem bylo ukončeno druhou stranou."},
    {inet_error::kCertificateDateInvalid, "Platnost certifikátu serveru vypršela nebo ještě nezačala."},
    {inet_error::kCertificateNameInvalid, "Název v certifikátu neodpovídá názvu serveru."},
    {inet_error::kClientCertificateNeeded, "Server vyžaduje certifikát klienta."},
    {inet_error::kInvalidCa, "Certifikát serveru vydala neznámá nebo nedůvěryhodná certifikační autorita."},
    {inet_error::kInvalidServerResponse, "Server vrátil neplatnou nebo neznámou odpověď."},
    {inet_error::kInvalidHeader, "Server vrátil neplatnou hlavičku odpovědi."},
    {inet_error::kSecureChannelError, "Při zabezpečeném spojení se serverem došlo k chybě."},
    {inet_error::kSecurityFailure, "Zabezpečení spojení selhalo: certifikát nelze ověřit."},
};

constexpr long kTransportFirst = 12000;
constexpr long kTransportLast = 12999;

// strerror_r has a GNU and a POSIX form; both are handled so the code builds
// against either.
[[maybe_unused]] std::string ErrnoText(int result, const char* buffer) {
    return result == 0 ? buffer : "";
}
[[maybe_unused]] std::string ErrnoText(const char* result, const char*) {
    return result ? result : "";
}

} // namespace

std::string SystemErrorText(long code) {
    for (const auto& entry : kTexts) {
        if (entry.code == code) return std::string(entry.text);
    }
    if (code <= 0 || (code >= kTransportFirst && code <= kTransportLast)) return {};
    char buffer[256] = {};
    std::string text = ErrnoText(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
    // The C library answers unknown numbers with a generic text; that says nothing.
    if (text.rfind("Unknown error", 0) == 0) return {};
    return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace zumaset
