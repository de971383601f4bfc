#pragma once

#include "certificates.h"
#include "data_store.h"
#include "faults.h"
#include "pages.h"
#include "request_log.h"
#include "sim_settings.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class SSLServer;
struct Request;
struct Response;
} // namespace httplib

namespace zumaset::vansim {

enum class Route;

struct ServerOptions {
    std::filesystem::path dataFolder;
    int port = 0; // 0: any free port
    CertificateVariant certificate = CertificateVariant::Valid;
    SimSettings defaults; // from the command line; the settings file goes over them
};

// The HTTPS server on 127.0.0.1: routes every page, applies fault rules and
// logs each request. Bind, then Run on one thread; Stop from any other.
class VansimServer {
public:
    // Prepares the data folder and the certificates; throws when that fails.
    explicit VansimServer(ServerOptions options);
    ~VansimServer();
    VansimServer(const VansimServer&) = delete;
    VansimServer& operator=(const VansimServer&) = delete;

    // Binds 127.0.0.1 and gives the port, or -1.
    int Bind();
    // Serves until Stop; in-flight requests end before it returns.
    void Run();
    // Ends Run and returns when it is over; stalls and trickles in progress are
    // cut short. Call it from another thread than Run's.
    void Stop();

    const std::filesystem::path& RootCaPem() const { return certificates_.rootPem; }
    // TLS connections accepted so far (one per client hello).
    long Connections() const { return connections_.load(); }
    const CertificateSet& Certificates() const { return certificates_; }

private:
    // Routes a request to its page, applying the fault rule picked for it.
    void Dispatch(const httplib::Request& request, httplib::Response& response);
    // Applies the fault picked for a request: true when the fault itself
    // answered (status, redirect, drop, a stall cut short by Stop); false when
    // the page is still to be served.
    bool ApplyFault(const httplib::Request& request, httplib::Response& response, const FaultRule& fault,
                    const std::string& page, const RequestSubject& subject);
    // The page's reply to a request.
    PageReply RouteRequest(Route route, const std::string& page, const httplib::Request& request,
                           const SimSettings& settings, const std::optional<FaultRule>& fault);
    void Deliver(const httplib::Request& request, httplib::Response& response, PageReply reply,
                 const std::optional<FaultRule>& fault);
    // Says each distinct mistake of the settings file once on stderr.
    void ReportProblems(const std::vector<std::string>& problems);
    // Waits, or returns false at once when the server is stopping.
    bool Pause(std::chrono::milliseconds duration);
    void ReleaseReceiptsUntilStopped();

    ServerOptions options_;
    DataStore store_;
    RequestLog log_;
    Pages pages_;
    FaultBook faults_;
    CertificateSet certificates_;
    std::unique_ptr<httplib::SSLServer> server_;
    int port_ = -1;
    std::atomic<long> connections_{0};

    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    bool finished_ = false;
    std::thread receiptTicker_;

    std::mutex problemsMutex_;
    std::set<std::string> reportedProblems_;
};

} // namespace zumaset::vansim
