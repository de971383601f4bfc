#pragma once

#include "core/time_format.h"

#include <string>

namespace zumaset {

// A local date and time as the text-kind upload sends a file's date:
// "YYYY-MM-DDTHH:MM:SS" (24-hour, every field zero-padded).
std::string FormatDateBT(TimePoint at);

} // namespace zumaset
