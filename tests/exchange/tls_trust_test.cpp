#include "exchange/tls_trust.h"

#include "temp_dir.h"
#include "test_certs.h"

#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <cstdlib>
#include <memory>

namespace zumaset::test {
namespace {

struct StoreDeleter {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};

TEST(CaFolder, TakesPemBundlesAndDerFilesAndSkipsTheRest) {
    TempDir dir;
    TestCa first("First CA"), second("Second CA"), third("Third CA");
    WriteFileBytes(dir / "bundle.pem", first.CertPem() + "\n" + second.CertPem());
    WriteFileBytes(dir / "cert.der", third.CertDer());
    WriteFileBytes(dir / "readme.txt", "not a certificate");
    WriteFileBytes(dir / "broken.pem", "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n");
    std::filesystem::create_directory(dir / "subfolder");

    std::unique_ptr<X509_STORE, StoreDeleter> store(X509_STORE_new());
    EXPECT_EQ(AddCaFolderToStore(dir.path(), store.get()), 3);
}

TEST(CaFolder, MissingFolderAddsNothing) {
    TempDir dir;
    std::unique_ptr<X509_STORE, StoreDeleter> store(X509_STORE_new());
    EXPECT_EQ(AddCaFolderToStore(dir / "absent", store.get()), 0);
}

TEST(CaFolder, LivesUnderTheUserConfigFolder) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(DefaultCaFolder(), std::filesystem::path("/tmp/cfg/zumaset/ca"));
    if (saved != nullptr) {
        ::setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

} // namespace
} // namespace zumaset::test
