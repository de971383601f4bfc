#pragma once

#include "shell/office_grid.h"

#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// The longest customs office code: two letters and six digits.
inline constexpr std::size_t kOfficeCodeLength = 8;

// What becomes of a character typed into the code field.
enum class CodeKey {
    Accept,        // inserted as typed
    AcceptLowered, // inserted as the same letter in lower case
    Refuse,        // not inserted
};

// The code field's typing rule for one printable character, decided on the
// length of the field's trimmed text before the key: below two characters
// only letters a-z (A-Z are shown lower case), from two on only digits.
CodeKey OfficeCodeKey(std::string_view currentText, char32_t character);

// True when the whole text can stand in the code field while it is edited: up
// to two letters, or two letters followed by up to six digits (either case).
// Checked on every change, so pasting, dropping or typing away from the end
// cannot get around the typing rule.
bool OfficeCodeTextFits(std::string_view text);

// The check on leaving the code field: a non-empty text is malformed when its
// trimmed form is not eight characters long or its first two characters form
// a number. An empty field passes.
bool OfficeCodeMalformed(std::string_view text);

// The row the entry form stores on OK: the trimmed abbreviation ("ALL_FILES"
// when it is blank) and the trimmed code in upper case. Nothing when the code
// is blank.
std::optional<OfficeRow> ConfirmedOfficeRow(std::string_view abbreviation, std::string_view code);

} // namespace zumaset
