// The simulator's own small rules, tested without a running server.
#include "certificates.h"
#include "data_store.h"
#include "digits.h"
#include "faults.h"
#include "sim_settings.h"
#include "temp_dir.h"
#include "wire_text.h"

#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <ostream>

namespace zumaset::vansim {
namespace {

TEST(Digits, DecodeBothKindsAndRefuseAnythingElse) {
    EXPECT_EQ(DecodeDecimalDigits("065066013010"), "AB\r\n");
    EXPECT_EQ(DecodeDecimalDigits("000255"), std::string("\x00\xff", 2));
    EXPECT_EQ(DecodeDecimalDigits(""), "");
    EXPECT_EQ(DecodeDecimalDigits("256"), std::nullopt);
    EXPECT_EQ(DecodeDecimalDigits("06"), std::nullopt);
    EXPECT_EQ(DecodeDecimalDigits("06A"), std::nullopt);
    EXPECT_EQ(DecodeHexDigits("4142FF00"), std::string("AB\xff\x00", 4));
    EXPECT_EQ(DecodeHexDigits("414"), std::nullopt);
    EXPECT_EQ(DecodeHexDigits("4g"), std::nullopt);
    EXPECT_EQ(DecodeHexDigits("ff"), std::nullopt);
}

TEST(FormBody, KeepsValuesAsSentAndSplitsAtEveryAmpersand) {
    const auto fields = ParseFormBody("A=1+2%41&B=x=y&C&A=second&D=");
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(*FindField(fields, "A"), "1+2%41");
    EXPECT_EQ(*FindField(fields, "B"), "x=y");
    EXPECT_EQ(*FindField(fields, "C"), "");
    EXPECT_EQ(*FindField(fields, "D"), "");
    EXPECT_EQ(FindField(fields, "E"), nullptr);
    EXPECT_TRUE(FieldsInOrder(fields, {"A", "B", "D"}));
    EXPECT_FALSE(FieldsInOrder(fields, {"B", "A"}));
    EXPECT_FALSE(FieldsInOrder(fields, {"A", "E"}));
}

TEST(WireText, Windows1250RoundTripAndRefusal) {
    EXPECT_EQ(Utf8ToCp1250("Dvořák ŽŮ"), "Dvo\xf8\xe1k \x8e\xd9");
    EXPECT_EQ(Cp1250ToUtf8("Dvo\xf8\xe1k \x8e\xd9"), "Dvořák ŽŮ");
    EXPECT_EQ(Utf8ToCp1250("日本"), std::nullopt);
    EXPECT_EQ(Cp1250ToUtf8("\x81"), std::nullopt) << "0x81 has no character in Windows-1250";
}

TEST(ServerPath, SplitsIntoSafeNamesOnly) {
    EXPECT_EQ(SplitServerPath("novak\\CZ510201\\A.POT"), (std::vector<std::string>{"novak", "CZ510201", "A.POT"}));
    EXPECT_EQ(SplitServerPath("sub\\"), (std::vector<std::string>{"sub"}));
    EXPECT_EQ(SplitServerPath("a\\..\\b"), std::nullopt);
    EXPECT_EQ(SplitServerPath("a/b"), std::nullopt);
    EXPECT_EQ(SplitServerPath(std::string("a\0b", 3)), std::nullopt);
    EXPECT_FALSE(IsSafeName("."));
    EXPECT_TRUE(IsSafeName("Žádost.DOK"));
}

// Fault rules as written in the settings file.
struct RuleCase {
    const char* name;
    const char* text;
    bool valid;
    FaultAction action;
    int value;
};

void PrintTo(const RuleCase& row, std::ostream* os) {
    *os << row.name << " (\"" << row.text << (row.valid ? "\" is read)" : "\" is refused)");
}

class FaultRuleText : public ::testing::TestWithParam<RuleCase> {};

TEST_P(FaultRuleText, IsReadOrRefused) {
    std::string error;
    const auto rule = ParseFaultRule(GetParam().text, error);
    ASSERT_EQ(rule.has_value(), GetParam().valid) << error;
    if (!rule) {
        EXPECT_FALSE(error.empty());
        return;
    }
    EXPECT_EQ(rule->action, GetParam().action);
    EXPECT_EQ(rule->value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FaultRuleText,
    ::testing::Values(RuleCase{"StallBeforeForAFile", "* stall-before 30 file=A.DOK", true, FaultAction::StallBefore,
                               30},
                      RuleCase{"TrickleTwice", "* trickle 100 times=2", true, FaultAction::Trickle, 100},
                      RuleCase{"NoAction", "upload_prg.asp", false, FaultAction::Status, 0},
                      RuleCase{"UnknownAction", "* explode", false, FaultAction::Status, 0},
                      RuleCase{"StatusNotThreeDigits", "* status 5000", false, FaultAction::Status, 0},
                      RuleCase{"NegativeStall", "* stall-before -1", false, FaultAction::Status, 0},
                      RuleCase{"UnknownOption", "* drop when=later", false, FaultAction::Status, 0},
                      RuleCase{"ZeroTimes", "* drop times=0", false, FaultAction::Status, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultBook, PicksTheFirstMatchingRuleAndSpendsLimitedOnes) {
    std::string error;
    const std::vector<FaultRule> rules{*ParseFaultRule("UPLOAD_PRG.ASP status 500 times=2", error),
                                       *ParseFaultRule("* status 503 file=B.DOK", error),
                                       *ParseFaultRule("* status 404 chunk=3", error)};
    FaultBook book;
    EXPECT_EQ(book.Pick(rules, "upload_prg.asp", "A.DOK", 1)->value, 500);
    EXPECT_EQ(book.Pick(rules, "upload_prg.asp", "A.DOK", 1)->value, 500);
    EXPECT_EQ(book.Pick(rules, "upload_prg.asp", "A.DOK", 1), std::nullopt);
    EXPECT_EQ(book.Pick(rules, "upload_prg.asp", "B.DOK", 1)->value, 503);
    EXPECT_EQ(book.Pick(rules, "download_list.asp", "", 3)->value, 404);
}

TEST(SimSettingsFile, GoesOverTheCommandLineAndReportsBadLines) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "vansim.conf", "# comment\n"
                                              "receipt_delay = 30\n"
                                              "refuse_version = 1.0.0.1   # old client\n"
                                              "fault = * drop times=1\n"
                                              "list_entry = DEKL01\\CZ510201\\A.POT\n"
                                              "fault = * explode\n"
                                              "colour = blue\n");
    SimSettings defaults;
    defaults.receiptDelaySeconds = 5;
    defaults.refusedVersions = {"0.9.0.0"};
    std::vector<std::string> problems;
    const SimSettings settings = LoadSimSettings(dir / "vansim.conf", defaults, problems);
    EXPECT_EQ(settings.receiptDelaySeconds, 30);
    EXPECT_TRUE(settings.RefusesVersion("0.9.0.0"));
    EXPECT_TRUE(settings.RefusesVersion("1.0.0.1"));
    EXPECT_FALSE(settings.RefusesVersion("2.0.0.2"));
    ASSERT_EQ(settings.faults.size(), 1u);
    EXPECT_EQ(settings.listEntries, std::vector<std::string>{"DEKL01\\CZ510201\\A.POT"});
    EXPECT_EQ(problems.size(), 2u);
}

// Each server certificate variant against the test CA, checked the way a TLS client checks it.
struct VariantCase {
    const char* name;
    CertificateVariant variant;
    int errorWithDates;   // X509 verification result with the dates checked
    bool matchesLoopback; // valid for 127.0.0.1 and localhost
};

void PrintTo(const VariantCase& row, std::ostream* os) {
    *os << row.name;
}

class CertificateVariantCheck : public ::testing::TestWithParam<VariantCase> {};

TEST_P(CertificateVariantCheck, ChainsToTheTestCa) {
    test::TempDir dir;
    const CertificateSet set = PrepareCertificates(dir.path(), GetParam().variant);

    const auto* der = reinterpret_cast<const unsigned char*>(set.rootDer.data());
    X509Ptr root(d2i_X509(nullptr, &der, static_cast<long>(set.rootDer.size())));
    ASSERT_TRUE(root);
    auto verify = [&](unsigned long flags) {
        std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
        X509_STORE_add_cert(store.get(), root.get());
        std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> chain(sk_X509_new_null(),
                                                                         [](STACK_OF(X509) * s) { sk_X509_free(s); });
        sk_X509_push(chain.get(), set.identity.intermediate.get());
        std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> context(X509_STORE_CTX_new(),
                                                                                X509_STORE_CTX_free);
        X509_STORE_CTX_init(context.get(), store.get(), set.identity.certificate.get(), chain.get());
        X509_STORE_CTX_set_flags(context.get(), flags);
        X509_verify_cert(context.get());
        return X509_STORE_CTX_get_error(context.get());
    };
    EXPECT_EQ(verify(0), GetParam().errorWithDates);
    EXPECT_EQ(verify(X509_V_FLAG_NO_CHECK_TIME), X509_V_OK);

    X509* cert = set.identity.certificate.get();
    EXPECT_EQ(X509_check_host(cert, "localhost", 0, 0, nullptr) == 1, GetParam().matchesLoopback);
    EXPECT_EQ(X509_check_ip_asc(cert, "127.0.0.1", 0) == 1, GetParam().matchesLoopback);

    // A second start over the same folder finds the same CA.
    EXPECT_EQ(PrepareCertificates(dir.path(), GetParam().variant).rootDer, set.rootDer);
}

INSTANTIATE_TEST_SUITE_P(Variants, CertificateVariantCheck,
                         ::testing::Values(VariantCase{"Valid", CertificateVariant::Valid, X509_V_OK, true},
                                           VariantCase{"Expired", CertificateVariant::Expired,
                                                       X509_V_ERR_CERT_HAS_EXPIRED, true},
                                           VariantCase{"WrongHost", CertificateVariant::WrongHost, X509_V_OK, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset::vansim
