#include "exchange/tls_trust.h"

#include "temp_dir.h"
#include "test_certs.h"

#include <gtest/gtest.h>
#include <memory>
#include <openssl/x509_vfy.h>

namespace zumaset::test {
namespace {

struct StoreDeleter {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};

TEST(CaFolder, TakesPemBundlesAndDerFilesAndSkipsTheRestOrAMissingFolder) {
    TempDir dir;
    TestCa first("First CA"), second("Second CA"), third("Third CA");
    WriteFileBytes(dir / "bundle.pem", first.CertPem() + "\n" + second.CertPem());
    WriteFileBytes(dir / "cert.der", third.CertDer());
    WriteFileBytes(dir / "readme.txt", "not a certificate");
    WriteFileBytes(dir / "broken.pem", "-----BEGIN CERTIFICATE-----\nAAAA\n-----END CERTIFICATE-----\n");
    std::filesystem::create_directory(dir / "subfolder");

    std::unique_ptr<X509_STORE, StoreDeleter> store(X509_STORE_new());
    EXPECT_EQ(AddCaFolderToStore(dir.path(), store.get()), 3);
    EXPECT_EQ(AddCaFolderToStore(dir / "absent", store.get()), 0);
}

// A pass of many connections parses nothing twice; a certificate put in the
// folder counts from the next connection on.
TEST(TrustCache, IsBuiltAgainOnlyWhenTheFolderChanges) {
    TempDir dir;
    TestCa system("System CA"), own("Own CA");
    WriteFileBytes(dir / "system.pem", system.CertPem());
    std::filesystem::create_directory(dir / "ca");
    TrustCache cache(dir / "ca", dir / "system.pem");

    const auto first = cache.Current();
    EXPECT_EQ(cache.Current(), first);
    WriteFileBytes(dir / "ca" / "own.pem", own.CertPem());
    const auto second = cache.Current();
    EXPECT_NE(second, first);
    EXPECT_EQ(cache.Current(), second);
    std::filesystem::remove(dir / "ca" / "own.pem");
    EXPECT_NE(cache.Current(), second);
}

} // namespace
} // namespace zumaset::test
