#pragma once

#include <string>

namespace zumaset {

// The description of a dial-up error number: nmcli's exit statuses and the
// numbers that stand for a run that did not end by itself (see nmcli_code).
// Empty for 0 and for numbers without a text.
std::string RasErrorText(long code);

} // namespace zumaset
