#include "core/utf8_slice.h"

#include <gtest/gtest.h>
#include <string_view>

namespace zumaset {
namespace {

TEST(Utf8Slice, CountsCharactersNotBytes) {
    constexpr std::string_view text = "čřA✓ž"; // 2, 2, 1, 3 and 2 bytes
    EXPECT_EQ(Utf8Prefix(text, 2), "čř");
    EXPECT_EQ(Utf8DropPrefix(text, 3), "✓ž");
    EXPECT_EQ(Utf8Suffix(text, 9), text);
    EXPECT_EQ(Utf8Mid(text, 2, 2), "řA");
    EXPECT_EQ(Utf8Mid(text, 5, 3), "ž");
}

TEST(Utf8Slice, PadsAndFitsToAWidthInCharacters) {
    EXPECT_EQ(Utf8PadRight("čř", 4), "čř  ");
    EXPECT_EQ(Utf8PadRight("čřA✓ž", 3), "čřA✓ž"); // longer text stays whole
    EXPECT_EQ(Utf8FitTo("čřA✓ž", 3), "čřA");
    EXPECT_EQ(Utf8FitTo("ž", 3), "ž  ");
}

TEST(Utf8Slice, CountsAMalformedByteAsOneCharacter) {
    // A stray byte, then a lead byte without its continuation before "b".
    constexpr std::string_view text = "a\xFF\xC5\x62";
    EXPECT_EQ(Utf8Prefix(text, 2), "a\xFF");
    EXPECT_EQ(Utf8Suffix(text, 2), "\xC5\x62");
}

} // namespace
} // namespace zumaset
