#pragma once

namespace zumaset {

// The code a failed file operation is reported with. The codes the report
// table describes as file errors (2 file not found, 3 path not found, 5 access
// denied) stand for their errno counterparts; other errno values pass through,
// except I/O errors, whose errno (5) would read as "access denied".
long FileErrorCode(int errnoValue);

// Code of an input/output failure, also used for a copy of the wrong size.
inline constexpr long kFileIoError = 1117;

} // namespace zumaset
