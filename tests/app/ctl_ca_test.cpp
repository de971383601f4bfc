// zumasetctl ca against the simulator: fetching the operator's CA with the
// user's consent, adding and removing certificates.
#include "ctl_live_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <string>
#include <vector>

namespace zumaset {
namespace {

// The SHA-256 fingerprint of the first certificate of a PEM file, as
// "openssl x509 -fingerprint -sha256" prints it.
std::string PemFingerprint(const std::filesystem::path& file) {
    std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(file.c_str(), "r"), &std::fclose);
    if (!in) return {};
    std::unique_ptr<X509, void (*)(X509*)> cert(PEM_read_X509(in.get(), nullptr, nullptr, nullptr), &X509_free);
    if (!cert) return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(cert.get(), EVP_sha256(), digest, &length);
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", i == 0 ? "" : ":", digest[i]);
        text += hex;
    }
    return text;
}

class CtlCa : public test::CtlLiveTest {
protected:
    CtlCa() {
        Set("ServerTxt", vansim.host());
        Set("ServerXml", vansim.host());
    }

    std::vector<std::string> CaFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(caFolder(), ec)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

TEST_F(CtlCa, FetchedCertificateIsTheSimulatorsAndMakesTheCheckPass) {
    // An empty CA folder: the operator's CA is unknown, ordinary transfers refuse it.
    EXPECT_EQ(Run({"check"}), 1) << out.str();
    EXPECT_EQ(Run({"ca", "fetch", "--yes"}), 0) << out.str() << err.str();
    const std::string fingerprint = PemFingerprint(vansim.caPath());
    ASSERT_FALSE(fingerprint.empty());
    EXPECT_NE(out.str().find("SHA-256 fingerprint: " + fingerprint), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("2 stored, 0 already trusted"), std::string::npos) << out.str();
    EXPECT_EQ(CaFiles().size(), 2u);
    EXPECT_EQ(std::filesystem::status(caFolder()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(Run({"check"}), 0) << out.str();
    // A second fetch finds both already there and changes nothing.
    EXPECT_EQ(Run({"ca", "fetch", "--yes"}), 0);
    EXPECT_NE(out.str().find("0 stored, 2 already trusted"), std::string::npos) << out.str();
    EXPECT_EQ(Run({"ca", "list"}), 0);
    EXPECT_NE(out.str().find("SHA-256: " + fingerprint), std::string::npos) << out.str();
}

TEST_F(CtlCa, FetchStoresOnlyWhatTheUserConfirms) {
    EXPECT_EQ(Run({"ca", "fetch"}, "n\ny\n"), 0) << err.str();
    EXPECT_NE(out.str().find("1 stored"), std::string::npos) << out.str();
    EXPECT_EQ(CaFiles().size(), 1u);
    // Without an answer nothing is stored.
    std::filesystem::remove_all(caFolder());
    EXPECT_EQ(Run({"ca", "fetch"}, ""), 0);
    EXPECT_TRUE(CaFiles().empty());
}

// The certificate pages are read with a size limit: an endless answer fails
// with message 502 and stores nothing.
TEST_F(CtlCa, AnEndlessCertificateShowsMessage502AndStoresNothing) {
    vansim.AddFaultRule("cert.der endless");
    vansim.AddFaultRule("cert2.der endless");
    EXPECT_EQ(Run({"ca", "fetch", "--yes"}), 1);
    EXPECT_NE(out.str().find("Nainstalujte certifikát ze serveru   '" + vansim.host() + "'. \n/download/cert.der: "),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("larger than 64 KiB"), std::string::npos) << out.str();
    EXPECT_TRUE(CaFiles().empty());
}

TEST_F(CtlCa, AddTakesACertificateAndRejectsAnythingElse) {
    const auto junk = dir / "junk.der";
    test::WriteFileBytes(junk, "not a certificate");
    EXPECT_EQ(Run({"ca", "add", junk.string()}), 2);
    EXPECT_NE(err.str().find("not an X.509 certificate"), std::string::npos) << err.str();
    EXPECT_TRUE(CaFiles().empty());
    EXPECT_EQ(Run({"ca", "add", vansim.caPath().string()}), 0) << err.str();
    ASSERT_EQ(CaFiles().size(), 1u);
    EXPECT_EQ(Run({"check"}), 0) << out.str();
}

TEST_F(CtlCa, RemoveDeletesOnlyPlainFilesOfTheFolder) {
    ASSERT_EQ(Run({"ca", "add", vansim.caPath().string()}), 0);
    const std::string name = CaFiles().at(0);
    const auto outside = dir / "outside.pem";
    test::WriteFileBytes(outside, "x");
    std::filesystem::create_symlink(outside, caFolder() / "link.pem");
    for (const std::string refused : {"../outside.pem", "link.pem", "missing.pem", ".", "", "a/b"}) {
        EXPECT_EQ(Run({"ca", "remove", refused}), 2) << refused;
    }
    EXPECT_TRUE(std::filesystem::exists(outside));
    EXPECT_TRUE(std::filesystem::is_symlink(caFolder() / "link.pem"));
    EXPECT_EQ(Run({"ca", "remove", name}), 0) << err.str();
    EXPECT_FALSE(std::filesystem::exists(caFolder() / name));
}

} // namespace
} // namespace zumaset
