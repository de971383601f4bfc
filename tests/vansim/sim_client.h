#pragma once

#include "exchange/crc32.h"
#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"
#include "exchange/file_encoder.h"
#include "exchange/upload_form.h"

#include "temp_dir.h"
#include "vansim_process.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string>

namespace zumaset::test {

// What one request to the simulator gave; `whole` is false when the request
// or its reply broke off.
struct SimReply {
    bool whole = false;
    long status = 0;
    std::string body;
};

// Requests to the running simulator over the client's own transport, trusting
// only the simulator's CA: HTTP/1.0 POSTs with "Connection: Keep-Alive" over
// one kept-alive connection, form bodies as they are.
class SimClient {
public:
    explicit SimClient(const VansimProcess& sim) : host_(sim.host()) {
        CurlTransportOptions options;
        options.caFolder = dir_ / "ca";
        std::filesystem::create_directories(options.caFolder);
        std::filesystem::copy_file(sim.caPath(), options.caFolder / sim.caPath().filename());
        options.systemProxy = SystemProxy{};
        transport_ = std::make_unique<CurlTransport>(options);
        session_ = transport_->OpenSession("vansim test", {});
        connection_ = session_->Connect(host_);
    }

    SimReply Post(const std::string& page, const std::string& body) {
        auto request = connection_->OpenRequest("POST", page, "HTTP/1.0");
        request->AddRequestHeader("Connection: Keep-Alive");
        request->AddRequestHeader("Content-Type: application/x-www-form-urlencoded");
        if (!request->SendRequest(body)) return {};
        return Read(*request);
    }
    SimReply Get(const std::string& page) {
        auto request = session_->OpenUrl("https://" + host_ + page);
        return request ? Read(*request) : SimReply{};
    }

private:
    static SimReply Read(InternetRequest& request) {
        SimReply reply{false, request.QueryStatusCode().value_or(0), {}};
        std::array<char, 2048> buffer{};
        while (const auto n = request.ReadFile(buffer)) {
            if (*n == 0) {
                reply.whole = true;
                break;
            }
            reply.body.append(buffer.data(), *n);
        }
        return reply;
    }

    CurlGlobal curl_;
    TempDir dir_;
    std::string host_;
    std::unique_ptr<CurlTransport> transport_;
    std::unique_ptr<InternetSession> session_;
    std::unique_ptr<InternetConnection> connection_;
};

// One upload chunk as the client builds it (upload_form_test pins that form
// against literal text), by default a text file's only chunk.
struct Chunk {
    FileKind kind = FileKind::Text;
    std::string user = "novak";
    std::string password = "tajne";
    std::string office = "CZ510201"; // the XML kind's is a folder: "sub\" or empty
    std::string name = "ABC.DOK";
    std::uint64_t index = 1;
    std::uint64_t count = 1;
    std::string digits = {};
    std::string crc = {}; // empty: the checksum of the digits
};

inline std::string ChunkBody(const Chunk& c) {
    const WireValues wire{c.user, c.password, c.office, c.name, c.office};
    const std::string crc = c.crc.empty() ? CrcToDecimal(CalcCrc32(c.digits)) : c.crc;
    return ChunkForm(c.kind, wire, c.index, c.count, c.digits, crc, "2010-05-04T13:02:09");
}

// The XML kind's digits of `bytes`.
inline std::string HexDigits(const std::string& bytes) {
    std::string digits;
    AppendEncoded(FileKind::Xml, bytes, digits);
    return digits;
}

} // namespace zumaset::test
