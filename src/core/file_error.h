#pragma once

#include <string>

namespace zumaset {

// Code of an input/output failure, also used for a copy of the wrong size.
inline constexpr long kFileIoError = 1117;
// Code of a symbolic link met where a file is expected; links are never followed.
inline constexpr long kLinkNotFollowed = 1921;

// The code a failed file operation is reported with. The codes the report
// table describes as file errors (2 file not found, 3 path not found, 5 access
// denied) stand for their errno counterparts; an I/O error (errno 5, which
// would read as "access denied") becomes kFileIoError and a refused link
// (ELOOP) kLinkNotFollowed; other errno values pass through.
long FileErrorCode(int errnoValue);

// The description of a code from FileErrorCode: this program's own texts for
// kFileIoError and kLinkNotFollowed, the system's text otherwise (possibly empty).
std::string FileErrorText(long code);

} // namespace zumaset
