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
std::uint32_t ReferenceRegister(std::uint32_t c, std::string_view text) {
    for (const char ch : text) {
        c ^= static_cast<unsigned char>(ch);
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1u) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
    }
    return c;
}

std::uint32_t ReferenceCrc32(std::string_view text) {
    return ~ReferenceRegister(0xFFFFFFFFu, text);
}

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& ch : bytes) {
        ch = static_cast<char>(byte(random));
    }
    return bytes;
}

struct KnownChecksum {
    const char* name;
    std::string_view text;
    std::int32_t expected;
    const char* decimal;
};

void PrintTo(const KnownChecksum& row, std::ostream* out) {
    *out << row.name;
}

class Crc32KnownValue : public ::testing::TestWithParam<KnownChecksum> {};

TEST_P(Crc32KnownValue, BothPathsGiveTheValueAndItsDecimalText) {
    const KnownChecksum& row = GetParam();
    EXPECT_EQ(CalcCrc32(row.text), row.expected);
    EXPECT_EQ(CalcCrc32Portable(row.text), row.expected);
    EXPECT_EQ(CrcToDecimal(CalcCrc32(row.text)), row.decimal);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Crc32KnownValue,
    ::testing::Values(KnownChecksum{"Empty", "", 0, "0"},
                      KnownChecksum{"CheckString", "123456789", -873187034, "-873187034"}, // 0xCBF43926
                      KnownChecksum{"XmlKindChunk", "4142", 140090682, "140090682"}),
    [](const ::testing::TestParamInfo<KnownChecksum>& info) { return std::string(info.param.name); });

TEST(Crc32, DecimalTextHasNoPlusSignOrLeadingZeros) {
    EXPECT_EQ(CrcToDecimal(7), "7");
    EXPECT_EQ(CrcToDecimal(-1), "-1");
    EXPECT_EQ(CrcToDecimal(INT32_MIN), "-2147483648");
    EXPECT_EQ(CrcToDecimal(INT32_MAX), "2147483647");
}

TEST(Crc32, EmptyInputLeavesAnyValueUnchanged) {
    EXPECT_EQ(Crc32Update(0x12345678u, nullptr, 0), 0x12345678u);
    EXPECT_EQ(Crc32UpdatePortable(0x12345678u, nullptr, 0), 0x12345678u);
}

// Both paths against the bit-by-bit definition, over every short length (where
// the fast path hands over to the table at different points) and the chunk
// sizes of the upload, each at sixteen different alignments.
struct Crc32Path {
    const char* name;
    std::int32_t (*calc)(std::string_view);
};

void PrintTo(const Crc32Path& path, std::ostream* out) {
    *out << path.name;
}

class Crc32MatchesDefinition : public ::testing::TestWithParam<Crc32Path> {};

TEST_P(Crc32MatchesDefinition, OnRandomDataOfManyLengthsAndAlignments) {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 300; ++n) {
        lengths.push_back(n);
    }
    for (const std::size_t n : {1000u, 4095u, 4096u, 65537u, 99998u, 99999u, 100000u, 1048576u + 13u}) {
        lengths.push_back(n);
    }
    std::mt19937 random(20240611);
    for (const std::size_t length : lengths) {
        const std::string buffer = RandomBytes(random, length + 16);
        for (std::size_t offset = 0; offset < 16; ++offset) {
            const std::string_view text(buffer.data() + offset, length);
            ASSERT_EQ(static_cast<std::uint32_t>(GetParam().calc(text)), ReferenceCrc32(text))
                << "length " << length << ", offset " << offset;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Crc32MatchesDefinition,
                         ::testing::Values(Crc32Path{"Dispatched", &CalcCrc32},
                                           Crc32Path{"Portable", &CalcCrc32Portable}),
                         [](const ::testing::TestParamInfo<Crc32Path>& info) { return std::string(info.param.name); });

TEST(Crc32, PiecesSplitAtRandomPointsGiveTheWholeTextsChecksum) {
    std::mt19937 random(4242);
    for (const std::size_t length : {0u, 1u, 63u, 64u, 200u, 5000u, 99999u}) {
        const std::string text = RandomBytes(random, length);
        const std::int32_t whole = CalcCrc32(text);
        for (int trial = 0; trial < 20; ++trial) {
            std::uint32_t dispatched = 0;
            std::uint32_t portable = 0;
            std::size_t at = 0;
            while (at < length) {
                // Pieces from empty to a few hundred bytes, so the fast path
                // starts and stops mid-text.
                std::uniform_int_distribution<std::size_t> pieceSize(0, std::min<std::size_t>(length - at, 300));
                const std::size_t piece = pieceSize(random);
                dispatched = Crc32Update(dispatched, text.data() + at, piece);
                portable = Crc32UpdatePortable(portable, text.data() + at, piece);
                at += piece;
            }
            ASSERT_EQ(static_cast<std::int32_t>(dispatched), whole) << "length " << length;
            ASSERT_EQ(static_cast<std::int32_t>(portable), whole) << "length " << length;
        }
    }
}

} // namespace
} // namespace zumaset
