#include "sim_settings.h"

#include <algorithm>
#include <charconv>
#include <fstream>

namespace zumaset::vansim {
namespace {

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

bool SimSettings::RefusesVersion(std::string_view version) const {
    return std::any_of(refusedVersions.begin(), refusedVersions.end(),
                       [&](const std::string& refused) { return refused == "*" || refused == version; });
}

SimSettings LoadSimSettings(const std::filesystem::path& file, const SimSettings& defaults,
                            std::vector<std::string>& problems) {
    SimSettings settings = defaults;
    std::ifstream in(file);
    if (!in) return settings;

    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        const std::string content = Trim(line.substr(0, line.find('#')));
        if (content.empty()) continue;
        const auto where = file.filename().string() + " line " + std::to_string(lineNumber) + ": ";
        const size_t eq = content.find('=');
        if (eq == std::string::npos) {
            problems.push_back(where + "expected NAME = VALUE");
            continue;
        }
        const std::string key = Trim(std::string_view(content).substr(0, eq));
        const std::string value = Trim(std::string_view(content).substr(eq + 1));
        if (key == "receipt_delay") {
            int seconds = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
            if (ec != std::errc() || end != value.data() + value.size() || seconds < 0) {
                problems.push_back(where + "receipt_delay needs a number of seconds");
            } else {
                settings.receiptDelaySeconds = seconds;
            }
        } else if (key == "refuse_version") {
            if (!value.empty()) settings.refusedVersions.push_back(value);
        } else if (key == "list_entry") {
            if (!value.empty()) settings.listEntries.push_back(value);
        } else if (key == "fault") {
            std::string error;
            if (auto rule = ParseFaultRule(value, error)) {
                settings.faults.push_back(std::move(*rule));
            } else {
                problems.push_back(where + error);
            }
        } else {
            problems.push_back(where + "unknown setting \"" + key + "\"");
        }
    }
    return settings;
}

} // namespace zumaset::vansim
