#include "exchange/crc32.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {
namespace {

// The definition, one bit at a time: shares nothing with the code under test
// (no table), so a wrong table entry or a wrong folding constant shows up.
std::uint32_t ReferenceCrc32(std::string_view text) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : text) {
        c ^= static_cast<unsigned char>(ch);
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1u) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
    }
    return ~c;
}

// The server compares the signed decimal text of the checksum.
TEST(Crc32, CheckValueAndItsSignedDecimalText) {
    EXPECT_EQ(CalcCrc32("123456789"), -873187034); // 0xCBF43926
    EXPECT_EQ(CrcToDecimal(CalcCrc32("123456789")), "-873187034");
    EXPECT_EQ(CrcToDecimal(0), "0");
    EXPECT_EQ(CrcToDecimal(INT32_MIN), "-2147483648");
    EXPECT_EQ(CrcToDecimal(INT32_MAX), "2147483647");
}

// Both paths against the definition, over every short length (where the fast
// path hands over to the table at different points) and the chunk sizes of
// the upload, each at sixteen alignments; and fed in random pieces, so the
// fast path starts and stops mid-text.
struct Crc32Path {
    const char* name;
    std::int32_t (*calc)(std::string_view);
    std::uint32_t (*update)(std::uint32_t, const void*, std::size_t);
};

void PrintTo(const Crc32Path& path, std::ostream* out) {
    *out << path.name;
}

class Crc32MatchesDefinition : public ::testing::TestWithParam<Crc32Path> {};

TEST_P(Crc32MatchesDefinition, OnRandomDataOfManyLengthsAlignmentsAndPieces) {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 300; ++n) {
        lengths.push_back(n);
    }
    for (const std::size_t n : {4096u, 65537u, 99998u, 99999u, 1048576u + 13u}) {
        lengths.push_back(n);
    }
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const std::size_t length : lengths) {
        std::string buffer(length + 16, '\0');
        for (char& ch : buffer) ch = static_cast<char>(byte(random));
        for (std::size_t offset = 0; offset < 16; ++offset) {
            const std::string_view text(buffer.data() + offset, length);
            ASSERT_EQ(static_cast<std::uint32_t>(GetParam().calc(text)), ReferenceCrc32(text))
                << "length " << length << ", offset " << offset;
        }
        std::uint32_t pieces = 0;
        for (std::size_t at = 0; at < length;) {
            const std::size_t piece =
                std::uniform_int_distribution<std::size_t>(0, std::min<std::size_t>(length - at, 300))(random);
            pieces = GetParam().update(pieces, buffer.data() + at, piece);
            at += piece;
        }
        ASSERT_EQ(pieces, ReferenceCrc32(std::string_view(buffer.data(), length))) << "pieces of " << length;
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Crc32MatchesDefinition,
                         ::testing::Values(Crc32Path{"Dispatched", &CalcCrc32, &Crc32Update},
                                           Crc32Path{"Portable", &CalcCrc32Portable, &Crc32UpdatePortable}),
                         [](const ::testing::TestParamInfo<Crc32Path>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
