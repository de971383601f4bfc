#include "exchange/ca_certificate.h"
#include "shell/ca_offer.h"

#include "temp_dir.h"
#include "test_certs.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace zumaset {
namespace {

// Records what the dialogue showed and answers from a script.
class ScriptedFace final : public CaOfferFace {
public:
    bool answerQuestion = true;
    std::vector<bool> importAnswers; // one per import dialog; missing ones are No
    std::vector<std::string> shown;  // "ask|title|text", "import|subject", "box|title|text|icon"

    bool AskYesNo(std::string_view title, std::string_view text) override {
        shown.push_back("ask|" + std::string(title) + "|" + std::string(text));
        return answerQuestion;
    }
    bool ConfirmImport(std::string_view, const CertificateInfo& info) override {
        shown.push_back("import|" + info.subject);
        const std::size_t index = imports_++;
        return index < importAnswers.size() && importAnswers[index];
    }
    void ShowBox(std::string_view title, std::string_view text, MessageIcon icon) override {
        shown.push_back("box|" + std::string(title) + "|" + std::string(text) + "|" +
                        std::to_string(static_cast<int>(icon)));
    }

private:
    std::size_t imports_ = 0;
};

class CaOffer : public ::testing::Test {
protected:
    CaOfferResult Offer() {
        return InstallCACertificates(
            setup,
            [this](std::string_view page) -> std::variant<std::string, CaFetchError> {
                fetched.emplace_back(page);
                const auto it = pages.find(std::string(page));
                if (it == pages.end()) return CaFetchError{"refused"};
                return it->second;
            },
            face);
    }
    std::size_t FilesInFolder() const {
        std::size_t count = 0;
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator(dir / "ca", ec); !ec && it != decltype(it)(); ++it) ++count;
        return count;
    }

    test::TempDir dir;
    test::TestCa root{"Operator Root"};
    test::TestCa second{"Operator Issuing"};
    CaOfferSetup setup{"zumaset", "van.example:8443", dir / "ca"};
    std::map<std::string, std::string> pages{{"/download/cert.der", root.CertDer()},
                                             {"/download/cert2.der", second.CertDer()}};
    std::vector<std::string> fetched;
    ScriptedFace face;
};

TEST_F(CaOffer, NoEndsAtOnce) {
    face.answerQuestion = false;
    const CaOfferResult result = Offer();
    EXPECT_FALSE(result.accepted);
    ASSERT_EQ(face.shown.size(), 1u);
    EXPECT_TRUE(face.shown[0].starts_with("ask|zumaset - Instalace certifikátu CA|")) << face.shown[0];
    EXPECT_NE(face.shown[0].find("komunikovat se serverem. \r\nPokud"), std::string::npos);
    EXPECT_TRUE(fetched.empty());
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST_F(CaOffer, YesOffersBothWithTheBoxBetween) {
    face.importAnswers = {true, true};
    const CaOfferResult result = Offer();
    EXPECT_EQ(result.stored, 2);
    EXPECT_FALSE(result.failed);
    ASSERT_EQ(face.shown.size(), 4u);
    EXPECT_NE(face.shown[1].find("Operator Root"), std::string::npos);
    EXPECT_EQ(face.shown[2], "box|zumaset - Instalace certifikátů CA|" + CaBetweenText() + "|3");
    EXPECT_NE(CaBetweenText().find("dokončete ji.\r\nPotom teprve"), std::string::npos);
    EXPECT_NE(face.shown[3].find("Operator Issuing"), std::string::npos);
    EXPECT_EQ(fetched, (std::vector<std::string>{"/download/cert.der", "/download/cert2.der"}));
    EXPECT_EQ(FilesInFolder(), 2u);
}

TEST_F(CaOffer, DeclinedImportStoresNothingButGoesOn) {
    face.importAnswers = {false, true};
    EXPECT_EQ(Offer().stored, 1);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(CaOffer, FailureShowsMessage502WithTheReasonAndEnds) {
    pages["/download/cert.der"] = "<html>not found</html>";
    face.importAnswers = {true, true};
    const CaOfferResult result = Offer();
    EXPECT_TRUE(result.failed);
    ASSERT_EQ(face.shown.size(), 2u);
    EXPECT_EQ(face.shown[1], "box|zumaset|Nainstalujte certifikát ze serveru   'van.example:8443'. \r\n"
                             "/download/cert.der: not an X.509 certificate (DER or PEM)|1");
    EXPECT_EQ(fetched.size(), 1u);
    EXPECT_EQ(FilesInFolder(), 0u);
}

TEST(CaCertificate, PemAndDerGiveTheSameDetails) {
    test::TestCa ca{"Same CA"};
    std::string why;
    const auto der = ParseCertificate(ca.CertDer(), &why);
    const auto pem = ParseCertificate(ca.CertPem());
    ASSERT_TRUE(der) << why;
    ASSERT_TRUE(pem);
    EXPECT_EQ(der->fingerprint, pem->fingerprint);
    EXPECT_NE(der->subject.find("Same CA"), std::string::npos) << der->subject;
    // A certificate followed by other bytes, or one cut short, is not taken.
    EXPECT_FALSE(ParseCertificate(ca.CertDer() + "x"));
    EXPECT_FALSE(ParseCertificate(ca.CertDer().substr(0, 100)));
    EXPECT_FALSE(ParseCertificate(std::string(70 * 1024, '0'), &why));
    EXPECT_EQ(why, "larger than 64 KiB, not a certificate");
}

TEST(CaCertificate, StoringNeverReplacesAnotherFile) {
    test::TempDir dir;
    test::TestCa ca{"Stored CA"};
    const auto info = ParseCertificate(ca.CertDer());
    ASSERT_TRUE(info);
    const auto file = dir / "ca" / CaFileName(*info);
    EXPECT_EQ(StoreCaCertificate(dir / "ca", *info).outcome, StoreOutcome::Stored);
    EXPECT_EQ(StoreCaCertificate(dir / "ca", *info).outcome, StoreOutcome::AlreadyPresent);
    test::WriteFileBytes(file, "mine");
    const StoreResult again = StoreCaCertificate(dir / "ca", *info);
    EXPECT_EQ(again.outcome, StoreOutcome::Failed);
    EXPECT_EQ(test::ReadFileBytes(file), "mine");
    // No work file is left behind.
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "ca")) count += entry.exists() ? 1 : 0;
    EXPECT_EQ(count, 1u);
}

} // namespace
} // namespace zumaset
