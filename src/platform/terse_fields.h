#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// The fields of one line of nmcli's terse output: ":" separates them, and a
// ":" or "\" inside a value comes escaped with "\".
std::vector<std::string> SplitTerseLine(std::string_view line);

// The lines of a terse output, each split into its fields; empty lines are
// skipped.
std::vector<std::vector<std::string>> SplitTerseOutput(std::string_view output);

} // namespace zumaset
