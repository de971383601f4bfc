#pragma once

#include "core/settings.h"

#include <string>
#include <string_view>

namespace zumaset {

// Checks a value typed by an administrator for one setting against the rule
// and range its table row gives and, when it is acceptable, puts it into the
// record. Returns an empty text on success, or a one-line explanation naming
// what is wrong and what is accepted.
std::string ApplySettingText(Settings& settings, const FieldInfo& field, std::string_view text);

// What the setting accepts, in a few words (for help and error texts).
std::string AcceptedValues(const FieldInfo& field);

// True for the three password settings.
bool IsPasswordField(const FieldInfo& field);

} // namespace zumaset
