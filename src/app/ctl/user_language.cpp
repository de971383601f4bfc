#include "app/ctl/user_language.h"

#include "core/translate.h"

#include <clocale>
#include <libintl.h>
#include <system_error>

namespace zumaset {

std::filesystem::path CatalogueFolder() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::filesystem::path beside = program.parent_path() / ZUMASET_LOCALEDIR_FROM_BINDIR;
        if (std::filesystem::is_directory(beside, ec)) return beside.lexically_normal();
    }
    return ZUMASET_INSTALL_LOCALEDIR;
}

void UseUserLanguage() {
    // LC_CTYPE stays "C": in an 8-bit locale the character classes would
    // change bytes of the UTF-8 text the settings and file names hold.
    std::setlocale(LC_MESSAGES, "");
    ::bindtextdomain(kCtlTextDomain, CatalogueFolder().c_str());
    ::bind_textdomain_codeset(kCtlTextDomain, "UTF-8");
}

} // namespace zumaset
