#include "core/registry_file.h"
#include "core/settings_store.h"
#include "exchange/curl_handles.h"
#include "shell/ca_offer.h"

#include "ctl_runner.h"
#include "temp_dir.h"
#include "vansim_process.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sstream>
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

class CtlCa : public ::testing::Test {
protected:
    CtlCa() {
        setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
        unsetenv("https_proxy");
        unsetenv("HTTPS_PROXY");
        Set("LogsPath", dir.path().string());
        Set("ConLogPath", dir.path().string());
        Set("ErrLogPath", dir.path().string());
        Set("ServerTxt", vansim.host());
        Set("ServerXml", vansim.host());
    }
    ~CtlCa() override { unsetenv("XDG_CONFIG_HOME"); }

    int Run(std::vector<std::string> args, const std::string& input = "") { return ctl.Run(std::move(args), input); }
    void Set(const std::string& name, const std::string& value) {
        ASSERT_EQ(Run({"config", "set", name, value}), 0) << err.str();
    }
    std::vector<std::string> CaFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(caFolder, ec)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    test::TempDir dir;
    test::VansimProcess vansim;
    CurlGlobal curl;
    test::CtlRunner ctl{dir / "registry.reg"};
    std::filesystem::path caFolder = dir / "zumaset" / "ca";
    std::ostringstream& out = ctl.out;
    std::ostringstream& err = ctl.err;
};

TEST_F(CtlCa, FetchedCertificateIsTheSimulatorsAndMakesTheCheckPass) {
    // An empty CA folder: the operator's CA is unknown, ordinary transfers refuse it.
    EXPECT_EQ(Run({"check"}), 1) << out.str();
    EXPECT_EQ(Run({"ca", "fetch", "--yes"}), 0) << out.str() << err.str();
    const std::string fingerprint = PemFingerprint(vansim.caPath());
    ASSERT_FALSE(fingerprint.empty());
    EXPECT_NE(out.str().find("SHA-256 fingerprint: " + fingerprint), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("2 stored, 0 already trusted"), std::string::npos) << out.str();
    std::string hex;
    for (char c : fingerprint.substr(0, 23)) {
        if (c != ':') hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto file = caFolder / ("operator-" + hex + ".pem");
    ASSERT_TRUE(std::filesystem::exists(file)) << out.str();
    EXPECT_EQ(PemFingerprint(file), fingerprint);
    EXPECT_EQ(std::filesystem::status(caFolder).permissions() & std::filesystem::perms::all,
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
    std::filesystem::remove_all(caFolder);
    EXPECT_EQ(Run({"ca", "fetch"}, ""), 0);
    EXPECT_TRUE(CaFiles().empty());
}

struct FetchFault {
    const char* name;
    const char* rule;   // for both certificate pages
    const char* reason; // words of the failure
};
void PrintTo(const FetchFault& f, std::ostream* os) {
    *os << f.name;
}

class CtlCaFetchFault : public CtlCa, public ::testing::WithParamInterface<FetchFault> {};

TEST_P(CtlCaFetchFault, ShowsMessage502AndStoresNothing) {
    vansim.AddFaultRule(std::string("cert.der ") + GetParam().rule);
    vansim.AddFaultRule(std::string("cert2.der ") + GetParam().rule);
    EXPECT_EQ(Run({"ca", "fetch", "--yes"}), 1);
    const std::string text = out.str();
    EXPECT_NE(text.find("Nainstalujte certifikát ze serveru   '" + vansim.host() + "'. \n/download/cert.der: "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(GetParam().reason), std::string::npos) << text;
    EXPECT_TRUE(CaFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, CtlCaFetchFault,
                         ::testing::Values(FetchFault{"Refused", "status 404", "HTTP status 404"},
                                           FetchFault{"Redirected", "redirect", "HTTP status 302"},
                                           FetchFault{"TooLarge", "endless", "larger than 64 KiB"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CtlCa, FirstRunOfferAsksOnTheTerminalAndStores) {
    RegistryFile registry(dir / "registry.reg");
    Settings settings;
    LoadSettings(settings, registry);
    std::istringstream answers("y\ny\ny\n");
    std::ostringstream shown;
    StreamCaOfferFace face(answers, shown);
    const CaOfferResult result = InstallCACertificates(settings, caFolder, "zumaset", face);
    EXPECT_EQ(result.stored, 2) << shown.str();
    EXPECT_NE(shown.str().find("zumaset - Instalace certifikátu CA\nZumaset nyní potřebuje"), std::string::npos)
        << shown.str();
    EXPECT_NE(shown.str().find("zumaset - Instalace certifikátů CA\nPokud je již"), std::string::npos);
    EXPECT_NE(shown.str().find("SHA-256 fingerprint: " + PemFingerprint(vansim.caPath())), std::string::npos);
    EXPECT_EQ(Run({"check"}), 0) << out.str();
}

TEST_F(CtlCa, FetchWithoutServerCannotRun) {
    Set("ServerTxt", "");
    EXPECT_EQ(Run({"ca", "fetch", "--yes"}), 3);
}

TEST_F(CtlCa, AddTakesACertificateAndRejectsAnythingElse) {
    const auto junk = dir / "junk.der";
    test::WriteFileBytes(junk, "not a certificate");
    EXPECT_EQ(Run({"ca", "add", junk.string()}), 2);
    EXPECT_NE(err.str().find("not an X.509 certificate"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"ca", "add", (dir / "missing.pem").string()}), 2);
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
    std::filesystem::create_symlink(outside, caFolder / "link.pem");
    for (const std::string refused : {"../outside.pem", "link.pem", "missing.pem", ".", "", "a/b"}) {
        EXPECT_EQ(Run({"ca", "remove", refused}), 2) << refused;
    }
    EXPECT_TRUE(std::filesystem::exists(outside));
    EXPECT_TRUE(std::filesystem::is_symlink(caFolder / "link.pem"));
    EXPECT_EQ(Run({"ca", "remove", name}), 0) << err.str();
    EXPECT_FALSE(std::filesystem::exists(caFolder / name));
}

} // namespace
} // namespace zumaset
