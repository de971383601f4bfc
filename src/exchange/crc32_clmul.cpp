// CRC-32 by carry-less multiplication (PCLMULQDQ), x86-64 only.
//
// The input is consumed 64 bytes at a time in four independent 128-bit lanes.
// Each step multiplies every lane by a constant that stands for "shift this
// lane 512 bits further along the message, modulo the polynomial" and adds the
// next 64 bytes, so the lanes keep the processor's multipliers busy without
// waiting on each other. At the end the lanes are folded into one, reduced to
// 64 bits and then to the 32-bit remainder by Barrett reduction. All values are
// bit-reflected, matching the reflected CRC, which is why the constants are the
// reflected remainders of powers of x (shifted left by one bit).
//
// The functions carry their own target attribute so the rest of the program is
// built for the baseline processor and this code runs only after the run-time
// check in ClmulSupported has passed.

#include "exchange/crc32_clmul.h"

#ifdef ZUMASET_CRC32_CLMUL

#include <immintrin.h>

namespace zumaset::detail {
namespace {

// x^(4*128+32) and x^(4*128-32) mod P: advance a lane by four lanes' width.
constexpr std::uint64_t kFold4Low = 0x154442BD4u;
constexpr std::uint64_t kFold4High = 0x1C6E41596u;
// x^(128+32) and x^(128-32) mod P: advance by one 128-bit block.
constexpr std::uint64_t kFold1Low = 0x1751997D0u;
constexpr std::uint64_t kFold1High = 0x0CCAA009Eu;
// x^64 mod P: reduce 96 bits to 64.
constexpr std::uint64_t kFold64 = 0x163CD6124u;
// The reflected polynomial with its x^32 term, and floor(x^64 / P) reflected.
constexpr std::uint64_t kPolynomial = 0x1DB710641u;
constexpr std::uint64_t kBarrettMu = 0x1F7011641u;

#define ZUMASET_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

ZUMASET_CLMUL_TARGET inline __m128i Load(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// lane * x^(distance) mod P, added to `next`: the low half of the lane is
// multiplied by the low constant, the high half by the high constant.
ZUMASET_CLMUL_TARGET inline __m128i Fold(__m128i lane, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

} // namespace

bool ClmulSupported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

ZUMASET_CLMUL_TARGET std::uint32_t Crc32FoldClmul(std::uint32_t state, const unsigned char* data, std::size_t size) {
    __m128i lane0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i lane1 = Load(data + 16);
    __m128i lane2 = Load(data + 32);
    __m128i lane3 = Load(data + 48);
    data += 64;
    size -= 64;

    const __m128i fold4 = _mm_set_epi64x(static_cast<long long>(kFold4High), static_cast<long long>(kFold4Low));
    while (size >= 64) {
        lane0 = Fold(lane0, fold4, Load(data));
        lane1 = Fold(lane1, fold4, Load(data + 16));
        lane2 = Fold(lane2, fold4, Load(data + 32));
        lane3 = Fold(lane3, fold4, Load(data + 48));
        data += 64;
        size -= 64;
    }

    // Four lanes into one, then any remaining whole 16-byte blocks.
    const __m128i fold1 = _mm_set_epi64x(static_cast<long long>(kFold1High), static_cast<long long>(kFold1Low));
    __m128i acc = Fold(lane0, fold1, lane1);
    acc = Fold(acc, fold1, lane2);
    acc = Fold(acc, fold1, lane3);
    while (size >= 16) {
        acc = Fold(acc, fold1, Load(data));
        data += 16;
        size -= 16;
    }

    // 128 bits to 64: fold the low half onto the high half.
    const __m128i low32Mask = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i t = _mm_clmulepi64_si128(acc, fold1, 0x10);
    acc = _mm_xor_si128(_mm_srli_si128(acc, 8), t);

    // 96 bits to 64: fold the lowest 32 bits by x^64.
    const __m128i fold64 = _mm_set_epi64x(0, static_cast<long long>(kFold64));
    t = _mm_srli_si128(acc, 4);
    acc = _mm_clmulepi64_si128(_mm_and_si128(acc, low32Mask), fold64, 0x00);
    acc = _mm_xor_si128(acc, t);

    // Barrett reduction of the remaining 64 bits to the 32-bit remainder.
    const __m128i barrett = _mm_set_epi64x(static_cast<long long>(kBarrettMu), static_cast<long long>(kPolynomial));
    t = _mm_clmulepi64_si128(_mm_and_si128(acc, low32Mask), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32Mask), barrett, 0x00);
    acc = _mm_xor_si128(acc, t);
    return static_cast<std::uint32_t>(_mm_extract_epi32(acc, 1));
}

#undef ZUMASET_CLMUL_TARGET

} // namespace zumaset::detail

#endif
