#include "core/host_port.h"
#include "core/setting_rules.h"
#include "core/settings_store.h"
#include "core/text.h"

#include <gtest/gtest.h>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zumaset {
namespace {

using namespace std::string_view_literals;

const FieldInfo& Field(std::string_view name) {
    const FieldInfo* field = FindSettingsField(name);
    if (field == nullptr) throw std::invalid_argument("no setting " + std::string(name));
    return *field;
}

// One list of server names, each judged by the transport's parser and by the
// editor of every server setting: the two must always agree.
struct ServerNameRow {
    const char* label;
    std::string_view name;
    bool accepted;
};

void PrintTo(const ServerNameRow& row, std::ostream* os) {
    *os << '"' << EscapeControlChars(row.name) << '"' << (row.accepted ? " is a server name" : " is not a server name");
}

constexpr ServerNameRow kServerNames[] = {
    {"BareHost", "van.example.cz", true},
    {"HostWithPort", "van.example.cz:8443", true},
    {"Ipv6InBracketsWithPort", "[::1]:4433", true},
    {"Ipv6WithoutBrackets", "::1", false},
    {"TwoPorts", "h:80:81", false},
    {"PortZero", "h:0", false},
    {"PortTooHigh", "h:65536", false},
    {"PortFarTooHigh", "h:99999999999", false},
    {"Scheme", "https://van.example.cz", false},
    {"Path", "van.example.cz/zumaset", false},
    {"UserInformation", "user@van.example.cz", false},
    {"BlankInside", "van example.cz", false},
    {"Nul", "van\0x"sv, false},
};

class ServerNameAgreement : public ::testing::TestWithParam<ServerNameRow> {};

TEST_P(ServerNameAgreement, EditorAcceptsExactlyWhatTheTransportConnectsTo) {
    const auto& row = GetParam();
    EXPECT_EQ(ParseServerName(row.name).has_value(), row.accepted) << "transport";
    int serverFields = 0;
    for (const auto& field : SettingsFields()) {
        if (field.rule != FieldRule::ServerAddress) continue;
        ++serverFields;
        Settings settings;
        const std::string problem = ApplySettingText(settings, field, row.name);
        EXPECT_EQ(problem.empty(), row.accepted) << field.name << ": " << problem;
        if (row.accepted) {
            EXPECT_EQ(FieldText(settings, field), row.name) << field.name;
        }
    }
    EXPECT_EQ(serverFields, 4);
}

INSTANTIATE_TEST_SUITE_P(Names, ServerNameAgreement, ::testing::ValuesIn(kServerNames),
                         [](const auto& info) { return std::string(info.param.label); });

// One edited value of one setting: refused, or accepted and held as `stored`
// (in the text form "config get" shows).
struct RuleRow {
    const char* label;
    const char* field;
    const char* text;
    bool accepted;
    const char* stored;
};

void PrintTo(const RuleRow& row, std::ostream* os) {
    *os << row.field << " = '" << EscapeControlChars(row.text) << "'";
    if (row.accepted) {
        *os << " is kept as '" << row.stored << "'";
    } else {
        *os << " is refused";
    }
}

constexpr RuleRow kRules[] = {
    {"TimeIntervalHighestTrimmed", "TimeInterval", " 300 ", true, "300"},
    {"TimeIntervalAbove", "TimeInterval", "301", false, ""},
    {"CuPositionNotNumber", "CuPosition", "x", false, ""},
    {"DeleteDayIntBeyondKind", "DeleteDayInt", "2147483648", false, ""},
    {"BoolWordAnyCase", "RASMode", "TRUE", true, "true"},
    {"BoolOtherWord", "RASMode", "yes", false, ""},
    {"FolderTrimmedAndClosed", "SourcePath", " /srv/Na_CU ", true, "/srv/Na_CU/"},
    {"FolderWindows", "ErrLogPath", "C:\\Zumaset", false, ""},
    {"DelimiterBlankKept", "Delimiter", " ", true, " "},
    {"DelimiterBar", "Delimiter", "|", false, ""},
    {"ProxyPortTooHigh", "ProxyPort", "70000", false, ""},
    {"OfficeListTwo", "CuOption", "PRAHA;BRNO|CZ510000%ALL_FILES|CZ520000%", true,
     "PRAHA;BRNO|CZ510000%ALL_FILES|CZ520000%"},
    {"OfficeListUnclosed", "CuOption", "PRAHA|CZ510000", false, ""},
    {"TextTrimmed", "User", "  DEKL01 ", true, "DEKL01"},
    {"LineBreak", "User", "a\nb", false, ""},
    {"MailServerStartTlsWithPort", "MailServer", " smtp://mail.example.cz:587 ", true, "smtp://mail.example.cz:587"},
    {"MailServerWithoutScheme", "MailServer", "mail.example.cz:25", false, ""},
    {"MailServerWithLogin", "MailServer", "smtp://user:pw@mail.example.cz", false, ""},
    {"MailServerWithPath", "MailServer", "smtp://mail.example.cz/helo", false, ""},
    {"MailFromAddress", "MailFrom", " zumaset@example.cz ", true, "zumaset@example.cz"},
    {"MailFromTwoAddresses", "MailFrom", "a@x.cz,b@x.cz", false, ""},
};

class FieldRules : public ::testing::TestWithParam<RuleRow> {};

TEST_P(FieldRules, AcceptOrRefuseWithOneLineNamingTheAcceptedValues) {
    const auto& row = GetParam();
    const FieldInfo& field = Field(row.field);
    Settings settings;
    const std::string problem = ApplySettingText(settings, field, row.text);
    if (row.accepted) {
        EXPECT_EQ(problem, "");
        EXPECT_EQ(FieldText(settings, field), row.stored);
        return;
    }
    EXPECT_EQ(settings, Settings{});
    EXPECT_TRUE(problem.starts_with("invalid value '")) << problem;
    EXPECT_NE(problem.find(std::string("' for ") + row.field + ": "), std::string::npos) << problem;
    EXPECT_TRUE(problem.ends_with("; accepted: " + AcceptedValues(field))) << problem;
    EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(Table, FieldRules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(AcceptedValues, NumberTextsNameTheRangeAndMeaning) {
    EXPECT_EQ(AcceptedValues(Field("TimeInterval")), "a whole number from 0 to 300");
    EXPECT_EQ(AcceptedValues(Field("DeleteDayInt")), "a whole number, 1 or more (days)");
}

} // namespace
} // namespace zumaset
