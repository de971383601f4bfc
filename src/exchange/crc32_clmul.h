#pragma once

// Carry-less-multiply folding of the CRC-32, used by crc32.cpp only. It exists
// on x86-64 builds; elsewhere, or when ZUMASET_CRC32_PORTABLE_ONLY is defined,
// ZUMASET_CRC32_CLMUL stays undefined and only the portable path is compiled.

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(ZUMASET_CRC32_PORTABLE_ONLY)
#define ZUMASET_CRC32_CLMUL 1

namespace zumaset::detail {

// True when the processor has PCLMULQDQ and SSE4.1.
bool ClmulSupported();

// Smallest input the folding accepts; shorter inputs go through the table.
inline constexpr std::size_t kClmulMinSize = 64;

// Folds `size` bytes into the running CRC register `state` (not inverted) and
// returns the new register. `size` must be a multiple of 16 and at least
// kClmulMinSize; `data` needs no particular alignment.
std::uint32_t Crc32FoldClmul(std::uint32_t state, const unsigned char* data, std::size_t size);

} // namespace zumaset::detail

#endif
