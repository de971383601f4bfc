#include "core/charset.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace zumaset {
namespace {

using namespace std::string_view_literals;

struct Utf8Row {
    const char* name;
    std::string_view bytes;
    bool valid;
};

void PrintTo(const Utf8Row& row, std::ostream* os) {
    *os << row.name << (row.valid ? " (valid)" : " (not UTF-8)");
}

class Utf8Check : public ::testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8Check, AcceptsOnlyWellFormedText) {
    EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Bytes, Utf8Check,
                         ::testing::Values(Utf8Row{"CzechTwoByte", "žluťoučký"sv, true},
                                           Utf8Row{"LastCodePoint", "\xF4\x8F\xBF\xBF"sv, true},
                                           Utf8Row{"FourByteCutAtTheEnd", "\xF0\x9F\x98"sv, false},
                                           Utf8Row{"OverlongSlash", "\xE0\x80\xAF"sv, false},
                                           Utf8Row{"Surrogate", "\xED\xA0\x80"sv, false},
                                           Utf8Row{"PastLastCodePoint", "\xF4\x90\x80\x80"sv, false},
                                           Utf8Row{"Cp1250Text", "\x9Alu\x9D"sv, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The bytes the server and the older exports use for the Czech letters.
TEST(Cp1250, ConvertsCzechLettersBothWays) {
    const std::string utf8 = "Příliš žluťoučký kůň Š€";
    const std::string cp1250 = "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2 \x8A\x80";
    EXPECT_EQ(Utf8ToCp1250(utf8), cp1250);
    EXPECT_EQ(Cp1250ToUtf8(cp1250), utf8);
}

TEST(Cp1250, RefusesWhatItCannotHoldInsteadOfReplacingIt) {
    EXPECT_EQ(Utf8ToCp1250("název 日本"), std::nullopt); // no such letters in the code page
    EXPECT_EQ(Utf8ToCp1250("ab\xC5"), std::nullopt);     // not UTF-8
    EXPECT_EQ(Cp1250ToUtf8("a\x98"), std::nullopt);      // a byte the code page leaves undefined
}

TEST(Utf16Le, RoundTripsALetterOutsideTheBasicPlane) {
    const std::string utf8 = "A\xC5\xA1\xF0\x9F\x98\x80";                    // "Aš" and an emoji
    const std::string utf16 = std::string("A\0\x61\x01\x3D\xD8\x00\xDE", 8); // the emoji as a surrogate pair
    EXPECT_EQ(Utf8ToUtf16Le(utf8), utf16);
    EXPECT_EQ(Utf16LeToUtf8(utf16), utf8);
    EXPECT_EQ(Utf16LeToUtf8(utf16.substr(0, 5)), std::nullopt); // cut inside a character
}

} // namespace
} // namespace zumaset
