#include "exchange/no_dial_up.h"

namespace zumaset {

bool NoDialUpSupport::EnsureDialUpConnection() {
    static constexpr std::string_view kText =
        "Telefonické připojení není v této verzi podporováno. Nastavte připojení místní sítí.";
    reporter_.ReportFailure(FailureReport{
        kErrorNumber, std::string(kText), {}, MessageIcon::Exclamation, CodeAndText(kErrorNumber, kText)});
    return false;
}

} // namespace zumaset
