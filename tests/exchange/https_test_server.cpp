#include "https_test_server.h"

#include <stdexcept>

namespace zumaset::test {

HttpsTestServer::HttpsTestServer(const std::filesystem::path& certFile, const std::filesystem::path& keyFile)
    : server_(std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str())) {
    if (!server_->is_valid()) throw std::runtime_error("test server: bad certificate or key");
}

HttpsTestServer::~HttpsTestServer() {
    if (thread_.joinable()) {
        // stop() only takes effect once the accept loop runs.
        while (!server_->is_running()) std::this_thread::yield();
        server_->stop();
        thread_.join();
    }
}

void HttpsTestServer::Start() {
    // The socket listens from here on, so clients may connect at once.
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("test server: cannot bind");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

void HttpsTestServer::NoteClient(const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    clientPorts_.insert(request.remote_port);
}

std::set<int> HttpsTestServer::ClientPorts() const {
    std::lock_guard lock(mutex_);
    return clientPorts_;
}

} // namespace zumaset::test
