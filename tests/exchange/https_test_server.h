#pragma once

#include <filesystem>
#include <httplib.h>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace zumaset::test {

// An HTTPS server on a free 127.0.0.1 port for transport tests. Routes are
// added through server() before Start; the destructor stops it.
class HttpsTestServer {
public:
    HttpsTestServer(const std::filesystem::path& certFile, const std::filesystem::path& keyFile);
    ~HttpsTestServer();
    HttpsTestServer(const HttpsTestServer&) = delete;
    HttpsTestServer& operator=(const HttpsTestServer&) = delete;

    httplib::Server& server() { return *server_; }
    void Start();
    int port() const { return port_; }
    // "127.0.0.1:port", a server name as the settings give it.
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Handlers call this to record the client's port: one port per TCP
    // connection the client opened.
    void NoteClient(const httplib::Request& request);
    std::set<int> ClientPorts() const;

private:
    std::unique_ptr<httplib::SSLServer> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::set<int> clientPorts_;
};

} // namespace zumaset::test
