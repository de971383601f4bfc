#pragma once

#include <string>

namespace zumaset {

// The first name "path.~N~" (N = 1, 2, ...) under which nothing exists yet,
// not even a dangling link: where an existing file is kept when a new one
// takes its name.
std::string NextNumberedBackup(const std::string& path);

} // namespace zumaset
