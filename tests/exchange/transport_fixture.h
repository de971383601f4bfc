#pragma once

#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"

#include "https_test_server.h"
#include "temp_dir.h"
#include "test_certs.h"

#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace zumaset::test {

// A CA whose certificate sits in the client's CA folder, another that stands
// for the system's public authorities, an HTTPS server with a certificate
// either issued, and a transport with short limits.
class TransportFixture : public ::testing::Test {
protected:
    TransportFixture() {
        std::filesystem::create_directories(caFolder_);
        WriteFileBytes(caFolder_ / "operator.pem", ca_.CertPem());
        WriteFileBytes(dir_ / "system.pem", publicCa_.CertPem());
        options_.caFolder = caFolder_;
        options_.systemCaFile = dir_ / "system.pem";
        options_.limits.connect = std::chrono::seconds(5);
        options_.limits.response = std::chrono::seconds(10);
        options_.systemProxy = SystemProxy{};
    }

    // A server whose certificate follows `profile`; routes go in before Start.
    std::unique_ptr<HttpsTestServer> MakeServer(const ServerCertProfile& profile = {}) {
        return MakeServerOf(ca_, profile);
    }
    std::unique_ptr<HttpsTestServer> MakeServerOf(const TestCa& issuer, const ServerCertProfile& profile = {}) {
        const std::string stem = "server" + std::to_string(++servers_);
        auto [cert, key] = issuer.WriteServerFiles(dir_.path(), stem, profile);
        return std::make_unique<HttpsTestServer>(cert, key);
    }

    std::unique_ptr<InternetSession> OpenSession(const ProxyChoice& proxy = {}) {
        transport_ = std::make_unique<CurlTransport>(options_);
        return transport_->OpenSession("Zuma_2.0.0.2-User:tester", proxy);
    }

    // Reads the whole reply in 2048-byte pieces as the callers do; stops at
    // the first failure.
    static std::string ReadAll(InternetRequest& request, bool* failed = nullptr) {
        std::string reply;
        std::array<char, 2048> buffer{};
        for (;;) {
            const auto n = request.ReadFile(buffer);
            if (!n) {
                if (failed != nullptr) *failed = true;
                return reply;
            }
            if (*n == 0) return reply;
            reply.append(buffer.data(), *n);
        }
    }

    CurlGlobal curl_;
    TempDir dir_;
    std::filesystem::path caFolder_ = dir_.path() / "ca";
    TestCa ca_;
    TestCa publicCa_{"Public Test CA"};
    CurlTransportOptions options_;
    std::unique_ptr<CurlTransport> transport_;
    int servers_ = 0;
};

} // namespace zumaset::test
