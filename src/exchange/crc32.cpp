#include "exchange/crc32.h"

#include "exchange/crc32_clmul.h"

#include <array>
#include <bit>
#include <cstring>

namespace zumaset {
namespace {

constexpr std::uint32_t kReflectedPolynomial = 0xEDB88320u;

// Table s maps a byte to its remainder after it has been followed by s more
// zero bytes, so eight table reads advance the register by eight bytes.
using SliceTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr SliceTables BuildSliceTables() {
    SliceTables tables{};
    for (std::uint32_t k = 0; k < 256; ++k) {
        std::uint32_t c = k;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1u) != 0 ? (c >> 1) ^ kReflectedPolynomial : c >> 1;
        }
        tables[0][k] = c;
    }
    for (std::size_t s = 1; s < tables.size(); ++s) {
        for (std::size_t k = 0; k < 256; ++k) {
            const std::uint32_t previous = tables[s - 1][k];
            tables[s][k] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

// Computed by the compiler: no lazy filling, no flag, nothing to race on.
constexpr SliceTables kSliceTables = BuildSliceTables();

// Advances the (not inverted) CRC register over `size` bytes.
std::uint32_t UpdateRegisterPortable(std::uint32_t state, const unsigned char* data, std::size_t size) {
    const SliceTables& t = kSliceTables;
    if constexpr (std::endian::native == std::endian::little) {
        while (size >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, data, sizeof word); // any alignment
            word ^= state;
            state = t[7][word & 0xFFu] ^ t[6][(word >> 8) & 0xFFu] ^ t[5][(word >> 16) & 0xFFu] ^
                    t[4][(word >> 24) & 0xFFu] ^ t[3][(word >> 32) & 0xFFu] ^ t[2][(word >> 40) & 0xFFu] ^
                    t[1][(word >> 48) & 0xFFu] ^ t[0][word >> 56];
            data += 8;
            size -= 8;
        }
    }
    for (; size > 0; --size, ++data) {
        state = t[0][(state ^ *data) & 0xFFu] ^ (state >> 8);
    }
    return state;
}

using RegisterUpdate = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);

#ifdef ZUMASET_CRC32_CLMUL
// Folds the largest multiple of 16 bytes with carry-less multiplication and
// lets the table finish the remaining few bytes.
std::uint32_t UpdateRegisterClmul(std::uint32_t state, const unsigned char* data, std::size_t size) {
    if (size >= detail::kClmulMinSize) {
        const std::size_t folded = size & ~std::size_t{15};
        state = detail::Crc32FoldClmul(state, data, folded);
        data += folded;
        size -= folded;
    }
    return UpdateRegisterPortable(state, data, size);
}
#endif

// Chosen once, on first use; the choice never changes afterwards.
RegisterUpdate SelectedUpdate() {
    static const RegisterUpdate selected = []() -> RegisterUpdate {
#ifdef ZUMASET_CRC32_CLMUL
        if (detail::ClmulSupported()) {
            return &UpdateRegisterClmul;
        }
#endif
        return &UpdateRegisterPortable;
    }();
    return selected;
}

std::uint32_t Run(RegisterUpdate update, std::uint32_t crc, const void* data, std::size_t size) {
    if (size == 0) {
        return crc;
    }
    return ~update(~crc, static_cast<const unsigned char*>(data), size);
}

} // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size) {
    return Run(SelectedUpdate(), crc, data, size);
}

std::uint32_t Crc32UpdatePortable(std::uint32_t crc, const void* data, std::size_t size) {
    return Run(&UpdateRegisterPortable, crc, data, size);
}

bool Crc32UsesClmul() {
    return SelectedUpdate() != &UpdateRegisterPortable;
}

std::int32_t CalcCrc32(std::string_view text) {
    return static_cast<std::int32_t>(Crc32Update(0, text.data(), text.size()));
}

std::int32_t CalcCrc32Portable(std::string_view text) {
    return static_cast<std::int32_t>(Crc32UpdatePortable(0, text.data(), text.size()));
}

std::string CrcToDecimal(std::int32_t crc) {
    return std::to_string(crc);
}

} // namespace zumaset
