#pragma once

#include <string>

namespace zumaset {

// File-system error codes, in the numbering the logs show.
namespace fileerr {
inline constexpr long kFileNotFound = 2;
inline constexpr long kPathNotFound = 3;
inline constexpr long kAccessDenied = 5;
} // namespace fileerr

// The number a failure is reported with when no system number applies to it:
// content from the server that cannot be used, an unexpected failure inside a
// check, a register file that cannot be used.
inline constexpr long kNoSystemErrorNumber = 99999;

// One-line description of an error code this program produces: the transport
// codes (12000-12999), the file codes 2, 3, 5, 1117 and 1921, and otherwise an
// errno value.
// Empty for 0, negative codes and codes without a text.
std::string SystemErrorText(long code);

} // namespace zumaset
