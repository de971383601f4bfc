#include "core/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace zumaset {
namespace {

using namespace std::string_view_literals;

TEST(TrimBlanks, RemovesOnlySpacesAtBothEnds) {
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
}

TEST(EqualsNoCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCase("Software\\Zumaset", "SOFTWARE\\zumaset"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
    EXPECT_FALSE(EqualsNoCase("ŠKODA", "škoda"));
    EXPECT_FALSE(EqualsNoCase("@", "`")); // differ by the case bit, but are no letters
}

TEST(EscapeControlChars, KeepsALineOnOneLineAndTheCursorInPlace) {
    EXPECT_EQ(EscapeControlChars("a\r\nb"), "a\\x0D\\x0Ab");
    EXPECT_EQ(EscapeControlChars("\x1B[2J"), "\\x1B[2J");
    EXPECT_EQ(EscapeControlChars("x\0y\x7F"sv), "x\\x00y\\x7F");
    EXPECT_EQ(EscapeControlChars("Příjem/kůň.txt"), "Příjem/kůň.txt");
}

} // namespace
} // namespace zumaset
