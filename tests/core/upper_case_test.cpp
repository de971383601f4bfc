#include "core/upper_case.h"

#include <gtest/gtest.h>

namespace zumaset {
namespace {

class UpperCase : public testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(UpperCase, MapsLettersAndKeepsTheRest) {
    EXPECT_EQ(ToUpperText(GetParam().first), GetParam().second);
}

TEST_P(UpperCase, LowerCaseMapsBothFormsAlike) {
    EXPECT_EQ(ToLowerText(GetParam().second), ToLowerText(GetParam().first));
    EXPECT_EQ(ToUpperText(ToLowerText(GetParam().second)), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(ToUpperText, UpperCase,
                         testing::Values(std::pair<std::string, std::string>{"příliš žluťoučký kůň úpěl ďábelské ódy",
                                                                             "PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY"},
                                         std::pair<std::string, std::string>{"ĺľŕäöüÿ", "ĹĽŔÄÖÜŸ"},
                                         std::pair<std::string, std::string>{"ß÷µ€", "ß÷µ€"},
                                         std::pair<std::string, std::string>{"a\xC3z\xFF", "A\xC3Z\xFF"}));

} // namespace
} // namespace zumaset
