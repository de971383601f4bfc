#include "platform/ras_error_text.h"

#include "platform/nmcli.h"

#include <csignal>
#include <string_view>

namespace zumaset {

namespace {

struct CodeText {
    long code;
    std::string_view text;
};

// nmcli's documented exit statuses, then the numbers of a run that did not end by itself.
constexpr CodeText kTexts[] = {
    {1, "Neznámá nebo blíže neurčená chyba."},
    {2, "Neplatný vstup nebo chybné volání programu nmcli."},
    {nmcli_code::kTimeout, "Časový limit operace vypršel."},
    {4, "Aktivace připojení selhala."},
    {5, "Deaktivace připojení selhala."},
    {6, "Odpojení zařízení selhalo."},
    {7, "Odstranění připojení selhalo."},
    {nmcli_code::kNotRunning, "Služba NetworkManager neběží."},
    {10, "Připojení, zařízení nebo přístupový bod neexistuje."},
    {65, "Za volbou --complete-args chybí název souboru."},
    {nmcli_code::kCannotStart, "Program nmcli nelze spustit."},
    {nmcli_code::kNotFound, "Program nmcli nebyl nalezen: NetworkManager není nainstalován."},
};

} // namespace

std::string RasErrorText(long code) {
    for (const auto& entry : kTexts) {
        if (entry.code == code) return std::string(entry.text);
    }
    if (code > nmcli_code::kSignalled && code < nmcli_code::kSignalled + NSIG) {
        return "Program nmcli byl ukončen signálem " + std::to_string(code - nmcli_code::kSignalled) + ".";
    }
    return {};
}

} // namespace zumaset
