#include "core/mail_address.h"

#include "core/host_port.h"
#include "core/text.h"

namespace zumaset {

bool IsMailServerUrl(std::string_view text) {
    std::string_view rest;
    for (const std::string_view scheme : {"smtp://", "smtps://"}) {
        if (text.size() > scheme.size() && EqualsNoCase(text.substr(0, scheme.size()), scheme)) {
            rest = text.substr(scheme.size());
        }
    }
    if (rest.ends_with('/')) rest.remove_suffix(1);
    return !rest.empty() && ParseServerName(rest).has_value();
}

bool IsMailAddress(std::string_view text) {
    const auto at = text.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == text.size()) return false;
    if (text.find('@', at + 1) != std::string_view::npos) return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7f) return false;
        if (std::string_view("<>()[],;:\"\\").find(c) != std::string_view::npos) return false;
    }
    return true;
}

} // namespace zumaset
