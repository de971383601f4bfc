#include "core/message_table.h"

#include <charconv>

namespace zumaset {

namespace {

const std::map<int, std::string>& Table() {
    // Parsed once from the compiled-in bytes and never changed afterwards.
    static const std::map<int, std::string> table = ParseMessageTable(detail::EmbeddedMessageTable());
    return table;
}

} // namespace

std::map<int, std::string> ParseMessageTable(std::string_view data) {
    std::map<int, std::string> table;
    while (!data.empty()) {
        const auto end = data.find('\n');
        std::string_view line = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view{} : data.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        const auto tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0) continue;
        int id = 0;
        const auto [next, error] = std::from_chars(line.data(), line.data() + tab, id);
        if (error != std::errc{} || next != line.data() + tab) continue;
        table.insert_or_assign(id, std::string(line.substr(tab + 1)));
    }
    return table;
}

std::string MessageText(int id) {
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? std::string{} : it->second;
}

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    for (auto hit = text.find(what); hit != std::string_view::npos; hit = text.find(what, pos)) {
        result.append(text, pos, hit - pos);
        result.append(with);
        pos = hit + what.size();
    }
    result.append(text, pos);
    return result;
}

std::string LoadMessage(int id, std::initializer_list<std::pair<std::string_view, std::string_view>> substitutions) {
    std::string text = MessageText(id);
    for (const auto& [placeholder, value] : substitutions) text = ReplaceAll(text, placeholder, value);
    return text;
}

} // namespace zumaset
