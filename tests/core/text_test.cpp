#include "core/text.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace zumaset {
namespace {

using namespace std::string_view_literals;

TEST(TrimBlanks, RemovesOnlySpacesAtBothEnds) {
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("\ta b \t"), "\ta b \t");
}

TEST(EqualsNoCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCase("Software\\Zumaset", "SOFTWARE\\zumaset"));
    EXPECT_FALSE(EqualsNoCase("ŠKODA", "škoda"));
    EXPECT_FALSE(EqualsNoCase("@", "`")); // differ by the case bit, but are no letters
}

TEST(FindNoCase, FindsFromThePositionGiven) {
    EXPECT_EQ(FindNoCase("<body>x</body>", "</BODY>", 3), 7u);
    EXPECT_EQ(FindNoCase("<body>", "<body>", 1), std::string_view::npos);
    EXPECT_EQ(FindNoCase("ab", "b", 99), std::string_view::npos);
    EXPECT_TRUE(StartsWithNoCase("regedit4\r\n", "REGEDIT4"));
    EXPECT_FALSE(StartsWithNoCase("REG", "REGEDIT4"));
}

TEST(ParseWholeNumber, TakesOnlyAWholeDecimalNumberThatFits) {
    EXPECT_EQ(ParseWholeNumber("-42"), -42);
    EXPECT_EQ(ParseWholeNumber(""), std::nullopt);
    EXPECT_EQ(ParseWholeNumber(" 1"), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("+1"), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("1x"), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("99999999999999999999"), std::nullopt);
}

TEST(HasControlCharacter, FindsC0AndDeleteButNotUtf8) {
    EXPECT_TRUE(HasControlCharacter("\x7F"));
    EXPECT_TRUE(HasControlCharacter("x\0"sv));
    EXPECT_FALSE(HasControlCharacter("Příjem kůň"));
}

TEST(EscapeControlChars, KeepsALineOnOneLineAndTheCursorInPlace) {
    EXPECT_EQ(EscapeControlChars("a\r\nb"), "a\\x0D\\x0Ab");
    EXPECT_EQ(EscapeControlChars("x\0y\x7F"sv), "x\\x00y\\x7F");
    EXPECT_EQ(EscapeControlChars("Příjem/kůň.txt"), "Příjem/kůň.txt");
}

} // namespace
} // namespace zumaset
