#include "server.h"

#include "socket_drop.h"
#include "wire_text.h"

#include <algorithm>
#include <httplib.h>
#include <iostream>

namespace zumaset::vansim {

// The pages the server answers.
enum class Route {
    Test,
    UploadText,
    UploadXml,
    List,
    Fetch,
    Acknowledge,
    RootCertificate,
    IssuingCertificate,
    Connections
};

namespace {

struct RouteEntry {
    std::string_view path; // lower case; the server's pages answer in any letter case
    Route route;
    bool getAllowed;
};

constexpr RouteEntry kRoutes[] = {
    {"/secure/activex_download/testing.asp", Route::Test, true},
    {"/secure/activex_download/upload_prg.asp", Route::UploadText, false},
    {"/secure/activex_download/upload_tst.asp", Route::UploadText, false},
    {"/secure/activex_download/upload_prov.asp", Route::UploadXml, false},
    {"/secure/activex_download/upload_test.asp", Route::UploadXml, false},
    {"/secure/activex_download/download_list.asp", Route::List, false},
    {"/secure/activex_download/download_down.asp", Route::Fetch, false},
    {"/secure/activex_download/download_move.asp", Route::Acknowledge, false},
    {"/download/cert.der", Route::RootCertificate, true},
    {"/download/cert2.der", Route::IssuingCertificate, true},
    {"/vansim/connections", Route::Connections, true},
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

bool CarriesForm(Route route) {
    return route == Route::UploadText || route == Route::UploadXml || route == Route::List || route == Route::Fetch ||
           route == Route::Acknowledge;
}

// Actions that change how the page's body goes out, and whether they need a body to work on.
bool ShapesBody(FaultAction action) {
    return action == FaultAction::DropMiddle || action == FaultAction::StallMiddle || action == FaultAction::Trickle ||
           action == FaultAction::Drip || action == FaultAction::Endless || action == FaultAction::NoLength ||
           action == FaultAction::NoLengthNoNotify;
}

bool WorksOnEmptyBody(FaultAction action) {
    return action == FaultAction::Endless || action == FaultAction::NoLength || action == FaultAction::NoLengthNoNotify;
}

// Filler that follows the page's body when it is to have no end.
constexpr std::size_t kFillerPiece = 64 * 1024;

} // namespace

VansimServer::VansimServer(ServerOptions options)
    : options_(std::move(options)), store_(options_.dataFolder), log_(store_.RequestLogFile()), pages_(store_),
      certificates_(PrepareCertificates(store_.TlsFolder(), options_.certificate)) {
    server_ = std::make_unique<httplib::SSLServer>([this](SSL_CTX& context) {
        // Every connection starts with one client hello: counting them counts connections.
        SSL_CTX_set_client_hello_cb(
            &context,
            [](SSL*, int*, void* self) {
                ++static_cast<VansimServer*>(self)->connections_;
                return static_cast<int>(SSL_CLIENT_HELLO_SUCCESS);
            },
            this);
        return InstallIdentity(context, certificates_.identity);
    });
    if (!server_->is_valid()) throw std::runtime_error("the TLS server cannot use its certificate");
    // The client sends every chunk of a file over one kept-alive connection.
    server_->set_keep_alive_max_count(100000);
    server_->set_keep_alive_timeout(3);
    // Small answers must leave at once, not wait for the peer's delayed ACK.
    server_->set_tcp_nodelay(true);
    // Chunks are about 100 KB; anything far larger is not a client of ours.
    server_->set_payload_max_length(64u * 1024 * 1024);
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        Dispatch(request, response);
    };
    server_->Get(".*", handler);
    // POSTs are read through a content reader: the library's plain handlers
    // refuse form bodies over 8 KiB with 413, and a chunk is about 100 KB.
    server_->Post(".*", [this](const httplib::Request& request, httplib::Response& response,
                               const httplib::ContentReader& reader) {
        httplib::Request whole = request;
        whole.body.clear();
        reader([&](const char* data, std::size_t length) {
            whole.body.append(data, length);
            return true;
        });
        Dispatch(whole, response);
    });
}

VansimServer::~VansimServer() {
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    if (receiptTicker_.joinable()) receiptTicker_.join();
}

int VansimServer::Bind() {
    if (options_.port == 0) {
        port_ = server_->bind_to_any_port("127.0.0.1");
    } else {
        port_ = server_->bind_to_port("127.0.0.1", options_.port) ? options_.port : -1;
    }
    return port_;
}

void VansimServer::Run() {
    receiptTicker_ = std::thread([this] { ReleaseReceiptsUntilStopped(); });
    bool stopRequested = false;
    {
        std::lock_guard lock(stopMutex_);
        stopRequested = stopping_;
    }
    if (!stopRequested) server_->listen_after_bind();
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
        finished_ = true;
    }
    stopSignal_.notify_all();
    receiptTicker_.join();
}

void VansimServer::Stop() {
    std::unique_lock lock(stopMutex_);
    stopping_ = true;
    stopSignal_.notify_all();
    // The server may not be listening yet when the request comes; ask again until Run is over.
    while (!finished_) {
        lock.unlock();
        server_->stop();
        if (port_ > 0) StopReadingConnections(port_);
        lock.lock();
        stopSignal_.wait_for(lock, std::chrono::milliseconds(100), [this] { return finished_; });
    }
}

bool VansimServer::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(stopMutex_);
    return !stopSignal_.wait_for(lock, duration, [this] { return stopping_; });
}

void VansimServer::ReleaseReceiptsUntilStopped() {
    while (Pause(std::chrono::seconds(1))) {
        try {
            store_.ReleaseDueReceipts();
        } catch (const std::exception& error) {
            std::cerr << "zumaset-vansim: releasing receipts: " << error.what() << std::endl;
        }
    }
}

void VansimServer::ReportProblems(const std::vector<std::string>& problems) {
    std::lock_guard lock(problemsMutex_);
    for (const auto& problem : problems) {
        if (reportedProblems_.insert(problem).second) std::cerr << "zumaset-vansim: " << problem << std::endl;
    }
}

void VansimServer::Dispatch(const httplib::Request& request, httplib::Response& response) {
    const std::string path = Lower(request.path);
    const std::string page = path.substr(path.rfind('/') + 1);
    const auto route = std::find_if(std::begin(kRoutes), std::end(kRoutes), [&](const RouteEntry& entry) {
        return entry.path == path && (request.method == "POST" || entry.getAllowed);
    });
    if (route == std::end(kRoutes)) {
        response.status = 404;
        response.set_content(FramePage("Stranka nenalezena"), "text/html; charset=windows-1250");
        log_.Write({request.path, "", "", "404 (" + request.method + " of an unknown page)"});
        return;
    }

    try {
        std::vector<std::string> problems;
        const SimSettings settings = LoadSimSettings(store_.SettingsFile(), options_.defaults, problems);
        ReportProblems(problems);
        const RequestSubject subject = CarriesForm(route->route) ? SubjectOf(request.body) : RequestSubject{};
        const auto fault = faults_.Pick(settings.faults, page, subject.file, subject.chunk);
        if (fault && ApplyFault(request, response, *fault, page, subject)) return;

        PageReply reply = RouteRequest(route->route, page, request, settings, fault);
        if (fault) reply.log.result += " [fault: " + fault->text + "]";
        log_.Write(reply.log);
        Deliver(request, response, std::move(reply), fault);
    } catch (const std::exception& error) {
        response.status = 500;
        response.set_content(FramePage("Chyba serveru"), "text/html; charset=windows-1250");
        log_.Write({page, "", "", std::string("500 (internal: ") + error.what() + ")"});
    }
}

bool VansimServer::ApplyFault(const httplib::Request& request, httplib::Response& response, const FaultRule& fault,
                              const std::string& page, const RequestSubject& subject) {
    const std::string faultNote = " [fault: " + fault.text + "]";
    LogEntry entry{page, subject.user, subject.file, ""};
    switch (fault.action) {
    case FaultAction::Status:
        response.status = fault.value;
        response.set_content(FramePage("Chyba serveru " + std::to_string(fault.value)),
                             "text/html; charset=windows-1250");
        entry.result = std::to_string(fault.value) + faultNote;
        log_.Write(entry);
        return true;
    case FaultAction::Redirect:
        response.status = 302;
        response.set_header("Location",
                            "https://127.0.0.1:" + std::to_string(port_) + "/secure/activex_download/moved.asp");
        response.set_content(FramePage("Object moved"), "text/html; charset=windows-1250");
        entry.result = "302" + faultNote;
        log_.Write(entry);
        return true;
    case FaultAction::Drop:
        entry.result = DropConnection(request.local_port, request.remote_addr, request.remote_port)
                           ? "dropped" + faultNote
                           : "could not drop" + faultNote;
        log_.Write(entry);
        response.status = 500;
        return true;
    case FaultAction::StallBefore:
        // Said before the wait, so whoever watches the log knows the request is held.
        log_.Write({page, subject.user, subject.file, "stalling " + std::to_string(fault.value) + " s" + faultNote});
        if (!Pause(std::chrono::seconds(fault.value))) {
            response.status = 503;
            entry.result = "503 (stopping)" + faultNote;
            log_.Write(entry);
            return true;
        }
        return false;
    default: return false;
    }
}

PageReply VansimServer::RouteRequest(Route route, const std::string& page, const httplib::Request& request,
                                     const SimSettings& settings, const std::optional<FaultRule>& fault) {
    PageReply reply;
    switch (route) {
    case Route::Test: reply = pages_.TestPage(); break;
    case Route::UploadText:
    case Route::UploadXml: {
        const UploadKind kind = route == Route::UploadXml ? UploadKind::Xml : UploadKind::Text;
        reply = fault && fault->action == FaultAction::WrongCrc ? pages_.WrongCrc(page, kind, request.body)
                                                                : pages_.Upload(page, kind, request.body, settings);
        break;
    }
    case Route::List: reply = pages_.DownloadList(request.body, settings); break;
    case Route::Fetch: reply = pages_.DownloadFetch(request.body); break;
    case Route::Acknowledge: reply = pages_.DownloadAcknowledge(request.body); break;
    case Route::RootCertificate:
    case Route::IssuingCertificate:
        reply.body = route == Route::RootCertificate ? certificates_.rootDer : certificates_.intermediateDer;
        reply.contentType = "application/x-x509-ca-cert";
        reply.log = {page, "", "", "200"};
        break;
    case Route::Connections:
        reply.body = std::to_string(Connections());
        reply.contentType = "text/plain";
        reply.log = {page, "", "", "200"};
        break;
    }
    return reply;
}

void VansimServer::Deliver(const httplib::Request& request, httplib::Response& response, PageReply reply,
                           const std::optional<FaultRule>& fault) {
    response.status = reply.status;
    if (!fault || !ShapesBody(fault->action) || (reply.body.empty() && !WorksOnEmptyBody(fault->action))) {
        response.set_content(reply.body, reply.contentType);
        return;
    }
    const auto body = std::make_shared<std::string>(std::move(reply.body));
    const FaultRule rule = *fault;
    const size_t half = body->size() / 2;
    switch (rule.action) {
    case FaultAction::Endless:
        response.set_chunked_content_provider(reply.contentType, [this, body](size_t offset, httplib::DataSink& sink) {
            if (offset < body->size()) return sink.write(body->data() + offset, body->size() - offset);
            static const std::string filler(kFillerPiece, 'x');
            // Ends only when the peer goes away or the server stops.
            return Pause(std::chrono::milliseconds(0)) && sink.write(filler.data(), filler.size());
        });
        return;
    case FaultAction::NoLength:
    case FaultAction::NoLengthNoNotify: {
        const bool notify = rule.action == FaultAction::NoLength;
        const int localPort = request.local_port;
        const std::string remoteAddress = request.remote_addr;
        const int remotePort = request.remote_port;
        // Without a length and without chunks the end of the body is the end
        // of the connection; the library closes it with the TLS end signal
        // once its keep-alive time is over.
        response.set_header("Connection", "close");
        response.set_content_provider(reply.contentType, [body, notify, localPort, remoteAddress,
                                                          remotePort](size_t offset, httplib::DataSink& sink) {
            if (offset < body->size()) return sink.write(body->data() + offset, body->size() - offset);
            // Cutting the socket first leaves the library no way to send the
            // signal; otherwise it sends it when it closes the idle connection.
            if (!notify) DropConnection(localPort, remoteAddress, remotePort);
            sink.done();
            return true;
        });
        return;
    }
    default: break;
    }
    response.set_content_provider(body->size(), reply.contentType,
                                  [this, body, rule, half](size_t offset, size_t /*length*/, httplib::DataSink& sink) {
                                      const char* data = body->data();
                                      switch (rule.action) {
                                      case FaultAction::DropMiddle:
                                          if (offset >= half) return false; // the library closes the connection
                                          return sink.write(data + offset, half - offset);
                                      case FaultAction::StallMiddle:
                                          if (offset < half) return sink.write(data + offset, half - offset);
                                          if (!Pause(std::chrono::seconds(rule.value))) return false;
                                          return sink.write(data + offset, body->size() - offset);
                                      case FaultAction::Drip:
                                          if (offset > 0 && !Pause(std::chrono::milliseconds(rule.value))) return false;
                                          return sink.write(data + offset, 1);
                                      case FaultAction::Trickle: {
                                          // Pieces every tenth of a second add up to the rate asked for.
                                          const size_t piece =
                                              std::max<size_t>(1, static_cast<size_t>(rule.value) / 10);
                                          const size_t size = std::min(piece, body->size() - offset);
                                          if (offset > 0 && !Pause(std::chrono::milliseconds(100))) return false;
                                          return sink.write(data + offset, size);
                                      }
                                      default: return sink.write(data + offset, body->size() - offset);
                                      }
                                  });
}

} // namespace zumaset::vansim
