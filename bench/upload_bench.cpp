// Uploads one file with SendFile and prints the wall time and the peak
// resident memory of the process. With --dump DIR nothing goes on the network:
// every request body is written to DIR/NNNNNN.body instead (answered "OK"),
// so a script can post exactly the same bodies with another tool and compare.
//
//   zumaset_bench_upload --server 127.0.0.1:PORT --ca CA.pem --user U --pass P --file F.dok
//   zumaset_bench_upload --dump DIR --user U --pass P --file F.dok

#include "core/failure_report.h"
#include "core/logs.h"
#include "core/registry_document.h"
#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"
#include "exchange/upload.h"

#include "counting_dial_up_gate.h"
#include "recording_cycle_events.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>

namespace {

using namespace zumaset;
namespace fs = std::filesystem;

// A transport that keeps every body in a file and accepts it.
class DumpTransport final : public Transport {
    class Request final : public InternetRequest {
    public:
        Request(fs::path dir, int& counter) : dir_(std::move(dir)), counter_(counter) {}
        unsigned long LastError() const override { return 0; }
        std::string LastErrorDetail() const override { return {}; }
        bool AddRequestHeader(std::string_view) override { return true; }
        bool SendRequest(std::string_view body) override {
            char name[32];
            std::snprintf(name, sizeof name, "%06d.body", ++counter_);
            std::ofstream(dir_ / name, std::ios::binary).write(body.data(), static_cast<std::streamsize>(body.size()));
            left_ = 2;
            return true;
        }
        std::optional<long> QueryStatusCode() override { return 200; }
        std::optional<std::size_t> ReadFile(std::span<char> buffer) override {
            const std::size_t n = left_;
            std::memcpy(buffer.data(), "OK", n);
            left_ = 0;
            return n;
        }
        bool SetProxyUserName(std::string_view) override { return true; }
        bool SetProxyPassword(std::string_view) override { return true; }
        bool SetReceiveTimeout(std::chrono::milliseconds) override { return true; }
        bool SetReplyLimit(std::uint64_t) override { return true; }

    private:
        fs::path dir_;
        int& counter_;
        std::size_t left_ = 0;
    };
    class Connection final : public InternetConnection {
    public:
        Connection(fs::path dir, int& counter) : dir_(std::move(dir)), counter_(counter) {}
        unsigned long LastError() const override { return 0; }
        std::string LastErrorDetail() const override { return {}; }
        std::unique_ptr<InternetRequest> OpenRequest(std::string_view, std::string_view, std::string_view) override {
            return std::make_unique<Request>(dir_, counter_);
        }

    private:
        fs::path dir_;
        int& counter_;
    };
    class Session final : public InternetSession {
    public:
        Session(fs::path dir, int& counter) : dir_(std::move(dir)), counter_(counter) {}
        unsigned long LastError() const override { return 0; }
        std::string LastErrorDetail() const override { return {}; }
        std::unique_ptr<InternetRequest> OpenUrl(std::string_view) override { return nullptr; }
        std::unique_ptr<InternetConnection> Connect(std::string_view) override {
            return std::make_unique<Connection>(dir_, counter_);
        }
        void SetServerNames(std::vector<std::string>) override {}

    private:
        fs::path dir_;
        int& counter_;
    };

public:
    explicit DumpTransport(fs::path dir) : dir_(std::move(dir)) {}
    std::unique_ptr<InternetSession> OpenSession(std::string_view, const ProxyChoice&) override {
        return std::make_unique<Session>(dir_, counter_);
    }

private:
    fs::path dir_;
    int counter_ = 0;
};

class NoRegister final : public SentFiles {
public:
    void Add(std::string, std::string, std::string, TimePoint) override {}
    const RegisterRecord* FindSentRecord(std::string_view, std::string_view, bool) const override { return nullptr; }
    bool Empty() const override { return true; }
};

} // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> args;
    for (int i = 1; i + 1 < argc; i += 2) args[argv[i]] = argv[i + 1];
    if (!args.contains("--file") || (!args.contains("--server") && !args.contains("--dump"))) {
        std::fprintf(stderr, "usage: %s (--server HOST:PORT --ca CA.pem | --dump DIR) --user U --pass P --file F\n",
                     argv[0]);
        return 2;
    }
    const fs::path file = fs::absolute(args["--file"]);
    const fs::path work = fs::temp_directory_path() / ("zumaset-bench-upload-" + std::to_string(::getpid()));
    fs::create_directories(work / "ca");

    Settings settings;
    settings.User = args["--user"];
    settings.Pass = args["--pass"];
    settings.ServerTxt = settings.ServerXml = args["--server"];
    settings.SourcePath = file.parent_path().string() + "/";
    settings.ErrLogPath = work.string() + "/";
    SystemClock clock;
    Logs logs(settings, clock);
    RegDocument registry;
    StreamMessageBoxes boxes;
    DroppedMailNotices mail;
    FailureReporter reporter(settings, logs, boxes, mail, "zumaset_bench_upload");
    test::RecordingCycleEvents cycle;
    NoRegister sent;
    test::CountingDialUpGate dialUp;

    CurlGlobal curl;
    std::unique_ptr<Transport> transport;
    if (args.contains("--dump")) {
        fs::create_directories(args["--dump"]);
        transport = std::make_unique<DumpTransport>(args["--dump"]);
    } else {
        CurlTransportOptions options;
        options.caFolder = work / "ca";
        fs::copy_file(args["--ca"], options.caFolder / "server-ca.pem");
        options.systemProxy = SystemProxy{};
        transport = std::make_unique<CurlTransport>(options);
    }
    ServerSession session(*transport, settings, registry, logs, reporter);
    session.Open();
    const UploadContext context{session, settings, logs, reporter, cycle, sent, dialUp, clock};

    const auto start = std::chrono::steady_clock::now();
    const std::string name = file.filename().string();
    const bool ok = SendFile(context, settings.SourcePath, name, "CZ510201", name);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("result %s seconds %.3f peak_rss_mib %.1f\n", ok ? "ok" : "FAILED", seconds,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return ok ? 0 : 1;
}
