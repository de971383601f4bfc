#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace zumaset::test {

// What a generated server certificate looks like.
struct ServerCertProfile {
    std::vector<std::string> dnsNames{"localhost"};
    std::vector<std::string> ipAddresses{"127.0.0.1"};
    // Validity window relative to now.
    std::chrono::hours notBefore{-24};
    std::chrono::hours notAfter{24 * 365};
};

// PEM texts of a certificate and its private key.
struct CertAndKey {
    std::string certPem;
    std::string keyPem;
};

// A throw-away certificate authority for tests: generated in memory, it
// issues server certificates with chosen names and dates.
class TestCa {
public:
    explicit TestCa(const std::string& name = "Zumaset Test CA");
    ~TestCa();
    TestCa(const TestCa&) = delete;
    TestCa& operator=(const TestCa&) = delete;

    const std::string& CertPem() const { return ca_.certPem; }
    std::string CertDer() const;
    CertAndKey Issue(const ServerCertProfile& profile = {}) const;

    // Writes the server certificate and key as "<stem>.crt" and "<stem>.key"
    // into `folder` and returns the two paths.
    std::pair<std::filesystem::path, std::filesystem::path>
    WriteServerFiles(const std::filesystem::path& folder, const std::string& stem,
                     const ServerCertProfile& profile = {}) const;

private:
    CertAndKey ca_;
};

} // namespace zumaset::test
