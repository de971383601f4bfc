#include "faults.h"

#include <charconv>
#include <sstream>

namespace zumaset::vansim {
namespace {

bool ParseCount(std::string_view text, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return false;
    out = value;
    return true;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

struct ActionName {
    std::string_view name;
    FaultAction action;
    bool needsValue;
};

constexpr ActionName kActions[] = {
    {"status", FaultAction::Status, true},
    {"redirect", FaultAction::Redirect, false},
    {"drop", FaultAction::Drop, false},
    {"drop-middle", FaultAction::DropMiddle, false},
    {"stall-before", FaultAction::StallBefore, true},
    {"stall-middle", FaultAction::StallMiddle, true},
    {"trickle", FaultAction::Trickle, true},
    {"drip", FaultAction::Drip, true},
    {"endless", FaultAction::Endless, false},
    {"no-length", FaultAction::NoLength, false},
    {"no-length-no-notify", FaultAction::NoLengthNoNotify, false},
    {"wrong-crc", FaultAction::WrongCrc, false},
};

} // namespace

std::optional<FaultRule> ParseFaultRule(std::string_view text, std::string& error) {
    std::istringstream in{std::string(text)};
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    if (words.size() < 2) {
        error = "a rule needs a page and an action";
        return std::nullopt;
    }

    FaultRule rule;
    rule.page = words[0];
    size_t next = 2;
    const ActionName* action = nullptr;
    for (const auto& candidate : kActions) {
        if (candidate.name == words[1]) action = &candidate;
    }
    if (action == nullptr) {
        error = "unknown action \"" + words[1] + "\"";
        return std::nullopt;
    }
    rule.action = action->action;
    if (action->needsValue) {
        if (words.size() < 3 || !ParseCount(words[2], rule.value)) {
            error = "action \"" + words[1] + "\" needs a number";
            return std::nullopt;
        }
        next = 3;
    }
    if (rule.action == FaultAction::Status && (rule.value < 100 || rule.value > 999)) {
        error = "a status must have three digits";
        return std::nullopt;
    }
    if (rule.action == FaultAction::Trickle && rule.value == 0) {
        error = "a trickle needs at least one byte per second";
        return std::nullopt;
    }
    if (rule.action == FaultAction::Drip && rule.value == 0) {
        error = "a drip needs an interval of at least one millisecond";
        return std::nullopt;
    }
    for (; next < words.size(); ++next) {
        const std::string& word = words[next];
        const size_t eq = word.find('=');
        const std::string key = word.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : word.substr(eq + 1);
        if (key == "file" && !value.empty()) {
            rule.file = value;
        } else if (key == "chunk" && ParseCount(value, rule.chunk) && rule.chunk > 0) {
        } else if (key == "times" && ParseCount(value, rule.times) && rule.times > 0) {
        } else {
            error = "cannot read \"" + word + "\"";
            return std::nullopt;
        }
    }
    rule.text = std::string(text);
    return rule;
}

std::optional<FaultRule> FaultBook::Pick(const std::vector<FaultRule>& rules, std::string_view page,
                                         std::string_view file, int chunk) {
    std::lock_guard lock(mutex_);
    for (const auto& rule : rules) {
        if (rule.page != "*" && !EqualsIgnoringAsciiCase(rule.page, page)) continue;
        if (!rule.file.empty() && rule.file != file) continue;
        if (rule.chunk != 0 && rule.chunk != chunk) continue;
        if (rule.times != 0) {
            int& fired = fired_[rule.text];
            if (fired >= rule.times) continue;
            ++fired;
        }
        return rule;
    }
    return std::nullopt;
}

} // namespace zumaset::vansim
