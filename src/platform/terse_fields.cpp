#include "platform/terse_fields.h"

namespace zumaset {

std::vector<std::string> SplitTerseLine(std::string_view line) {
    std::vector<std::string> fields(1);
    for (std::size_t at = 0; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '\\' && at + 1 < line.size()) {
            fields.back() += line[++at];
        } else if (c == ':') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::vector<std::vector<std::string>> SplitTerseOutput(std::string_view output) {
    std::vector<std::vector<std::string>> rows;
    while (!output.empty()) {
        const auto end = output.find('\n');
        std::string_view line = output.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty()) rows.push_back(SplitTerseLine(line));
        if (end == std::string_view::npos) break;
        output.remove_prefix(end + 1);
    }
    return rows;
}

} // namespace zumaset
