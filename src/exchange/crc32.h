#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zumaset {

// The transfer checksum: the standard CRC-32 (reflected polynomial 0xEDB88320,
// initial value and final XOR 0xFFFFFFFF, check value 0xCBF43926 for
// "123456789"). Every uploaded chunk carries it so the server can tell whether
// the chunk arrived intact.

// Extends a finished CRC-32 value by `size` more bytes. Start a new text with 0;
// Crc32Update(Crc32Update(0, a), b) is the CRC-32 of a followed by b. Uses
// carry-less multiplication when the processor offers it.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size);

// The same result without processor-specific instructions (eight bytes per
// step, table driven). Used where the fast path is missing, and by tests and
// benchmarks to compare the two.
std::uint32_t Crc32UpdatePortable(std::uint32_t crc, const void* data, std::size_t size);

// True when Crc32Update uses carry-less multiplication on this processor.
bool Crc32UsesClmul();

// The checksum of a whole text (each char taken as one byte): the CRC-32
// reinterpreted as a signed 32-bit number, as the upload sends it.
std::int32_t CalcCrc32(std::string_view text);

// CalcCrc32 forced onto the portable path.
std::int32_t CalcCrc32Portable(std::string_view text);

// The decimal text of a checksum as it goes into the form and the trace:
// a minus sign when negative, no plus sign, no leading zeros ("0" for zero).
std::string CrcToDecimal(std::int32_t crc);

} // namespace zumaset
