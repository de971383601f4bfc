#include "core/system_error_text.h"

#include <cstring>
#include <string_view>
#include <type_traits>

namespace zumaset {

namespace {

struct CodeText {
    long code;
    std::string_view text;
};

// File codes first (223: a reply over its size limit, 1117: a read or write
// error of the device, 1921: a symbolic link that is not followed), then the
// transport codes (12000-12999).
constexpr CodeText kTexts[] = {
    {fileerr::kFileNotFound, "Systém nemůže nalézt uvedený soubor."},
    {fileerr::kPathNotFound, "Systém nemůže nalézt uvedenou cestu."},
    {fileerr::kAccessDenied, "Přístup byl odepřen."},
    {223, "Odpověď serveru je delší, než je povoleno."},
    {1117, "Požadavek nelze provést z důvodu chyby vstupně-výstupního zařízení."},
    {1921, "Systém nemůže přeložit název souboru."},
    {12002, "Časový limit operace vypršel."},
    {12004, "Při přenosu došlo k vnitřní chybě."},
    {12005, "Adresa URL je neplatná."},
    {12007, "Název serveru nelze přeložit na adresu."},
    {12017, "Operace byla zrušena."},
    {12019, "Operace není v tomto stavu spojení možná."},
    {12029, "K serveru nelze navázat spojení."},
    {12030, "Spojení se serverem bylo přerušeno."},
    {12031, "Spojení se serverem bylo ukončeno druhou stranou."},
    {12037, "Platnost certifikátu serveru vypršela nebo ještě nezačala."},
    {12038, "Název v certifikátu neodpovídá názvu serveru."},
    {12044, "Server vyžaduje certifikát klienta."},
    {12045, "Certifikát serveru vydala neznámá nebo nedůvěryhodná certifikační autorita."},
    {12152, "Server vrátil neplatnou nebo neznámou odpověď."},
    {12153, "Server vrátil neplatnou hlavičku odpovědi."},
    {12157, "Při zabezpečeném spojení se serverem došlo k chybě."},
    {12175, "Zabezpečení spojení selhalo: certifikát nelze ověřit."},
};

constexpr long kTransportFirst = 12000;
constexpr long kTransportLast = 12999;

// strerror_r has a GNU and a POSIX form; both are handled so the code builds
// against either.
[[maybe_unused]] std::string ErrnoText(int result, const char* buffer) { return result == 0 ? buffer : ""; }
[[maybe_unused]] std::string ErrnoText(const char* result, const char*) { return result ? result : ""; }

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
