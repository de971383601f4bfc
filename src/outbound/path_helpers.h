#pragma once

#include "core/folder_path.h"

#include <string>
#include <string_view>

namespace zumaset {

// Adds the platform's folder separator (kPathSeparator, "/"), not a backslash:
// the name is the one the client's routines are known by. Empty for an empty
// path; otherwise the path without surrounding blanks and with a separator
// appended when it does not end with one already (WithTrailingSeparator). A
// path of blanks only therefore becomes a lone separator.
std::string AddBackslash(std::string_view path);

// The path less its final separator, when it has one.
std::string StripBackslash(std::string_view path);

// The text up to its first NUL character (all of it when there is none), as
// read from a fixed-length buffer.
std::string CutAtNul(std::string_view text);

// The part of a folder path below SourcePath: folderPath from the position
// after SourcePath's length on (empty when it is not longer).
std::string RelativeFolder(std::string_view sourcePath, std::string_view folderPath);

} // namespace zumaset
