#include "platform/ras_entries.h"

namespace zumaset {

bool IsDiallingType(std::string_view type) {
    return type == "gsm" || type == "cdma" || type == "pppoe" || type == "bluetooth";
}

std::optional<RasEntries> ListRasEntries(std::string_view rasName, const Nmcli& nmcli) {
    const NmcliAnswer answer = nmcli.Query("NAME,TYPE", {"connection", "show"});
    if (!answer.ok()) return std::nullopt;
    RasEntries entries;
    for (const auto& row : answer.Rows()) {
        if (row.size() < 2 || !IsDiallingType(row[1])) continue;
        if (row[0] == rasName) entries.selected = entries.names.size();
        entries.names.push_back(row[0]);
    }
    if (entries.names.empty()) return std::nullopt;
    return entries;
}

} // namespace zumaset
