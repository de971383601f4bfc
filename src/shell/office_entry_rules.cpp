#include "shell/office_entry_rules.h"

#include "core/text.h"
#include "core/upper_case.h"

#include <utility>

namespace zumaset {

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether two characters read as a number: digits with at most one sign in
// front and at most one decimal point ("12", "-1", "1.", " 3").
bool FormsNumber(std::string_view two) {
    std::string_view text = TrimView(two);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    bool digit = false;
    bool point = false;
    for (const char c : text) {
        if (IsDigit(c)) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

} // namespace

CodeKey OfficeCodeKey(std::string_view currentText, char32_t character) {
    if (TrimView(currentText).size() < 2) {
        if (character >= U'a' && character <= U'z') return CodeKey::Accept;
        if (character >= U'A' && character <= U'Z') return CodeKey::AcceptLowered;
        return CodeKey::Refuse;
    }
    return character >= U'0' && character <= U'9' ? CodeKey::Accept : CodeKey::Refuse;
}

bool OfficeCodeTextFits(std::string_view text) {
    if (text.size() > kOfficeCodeLength) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i < 2 ? !IsLetter(text[i]) : !IsDigit(text[i])) return false;
    }
    return true;
}

bool OfficeCodeMalformed(std::string_view text) {
    if (text.empty()) return false;
    const std::string_view code = TrimView(text);
    return code.size() != kOfficeCodeLength || FormsNumber(code.substr(0, 2));
}

std::optional<OfficeRow> ConfirmedOfficeRow(std::string_view abbreviation, std::string_view code) {
    std::string upper = ToUpperText(TrimView(code));
    if (upper.empty()) return std::nullopt;
    std::string trimmed = TrimBlanks(abbreviation);
    if (trimmed.empty()) trimmed = "ALL_FILES";
    return OfficeRow{std::move(trimmed), std::move(upper)};
}

} // namespace zumaset
