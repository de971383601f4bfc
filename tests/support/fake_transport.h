#pragma once

#include "core/inet_error.h"
#include "exchange/transport.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zumaset::test {

// One scripted answer of the fake server.
struct FakeReply {
    long status = 200;
    std::string body;
    // Non-zero: the send fails with this error and no status.
    InetError sendError = 0;
    // Non-zero: after the body the next read fails with this error
    // (inet_error::kTimeout for a stalled reply).
    InetError readError = 0;
};

// What the fake saw of one send.
struct FakeSentRequest {
    std::string server = {}; // as passed to Connect, or the host part of an OpenUrl
    std::string verb = {};
    std::string page = {};
    std::string version = {};
    std::vector<std::string> headers = {};
    std::string body = {};
    std::optional<std::string> proxyUser = {};
    std::optional<std::string> proxyPassword = {};
};

// A scripted transport for tests of the callers. Replies are queued per page
// and used in order (the last one repeats); an unscripted page answers 404.
// With proxyCredentials set, every send without exactly those credentials
// is answered 407 and uses no scripted reply, as an authenticating proxy does.
class FakeTransport final : public Transport {
public:
    struct State {
        std::map<std::string, std::deque<FakeReply>> replies;
        std::vector<FakeSentRequest> sent;
        std::vector<std::pair<std::string, ProxyChoice>> sessions;
        std::optional<std::pair<std::string, std::string>> proxyCredentials;
        // Servers whose OpenUrl or sends fail with cannot-connect.
        std::vector<std::string> unreachable;
    };

    void AddReply(const std::string& page, FakeReply reply) { state_->replies[page].push_back(std::move(reply)); }
    State& state() { return *state_; }
    const std::vector<FakeSentRequest>& sent() const { return state_->sent; }
    const std::vector<std::pair<std::string, ProxyChoice>>& sessions() const { return state_->sessions; }

    std::unique_ptr<InternetSession> OpenSession(std::string_view agent, const ProxyChoice& proxy) override {
        state_->sessions.emplace_back(std::string(agent), proxy);
        return std::make_unique<Session>(state_);
    }

private:
    using StatePtr = std::shared_ptr<State>;

    class Request final : public InternetRequest {
    public:
        Request(StatePtr state, FakeSentRequest base) : state_(std::move(state)), request_(std::move(base)) {}
        InetError LastError() const override { return error_; }
        std::string LastErrorDetail() const override { return {}; }
        bool AddRequestHeader(std::string_view header) override {
            request_.headers.emplace_back(header);
            return true;
        }
        bool SendRequest(std::string_view body) override {
            request_.body = std::string(body);
            state_->sent.push_back(request_);
            status_.reset();
            reply_ = {};
            offset_ = 0;
            if (std::ranges::find(state_->unreachable, request_.server) != state_->unreachable.end()) {
                error_ = inet_error::kCannotConnect;
                return false;
            }
            const auto& credentials = state_->proxyCredentials;
            if (credentials &&
                (request_.proxyUser != credentials->first || request_.proxyPassword != credentials->second)) {
                status_ = 407;
                return true;
            }
            auto found = state_->replies.find(request_.page);
            if (found == state_->replies.end() || found->second.empty()) {
                reply_.status = 404;
            } else {
                reply_ = found->second.front();
                if (found->second.size() > 1) found->second.pop_front();
            }
            if (reply_.sendError != 0) {
                error_ = reply_.sendError;
                return false;
            }
            status_ = reply_.status;
            return true;
        }
        std::optional<long> QueryStatusCode() override {
            if (!status_) error_ = inet_error::kIncorrectHandleState;
            return status_;
        }
        std::optional<std::size_t> ReadFile(std::span<char> buffer) override {
            if (!status_) {
                error_ = inet_error::kIncorrectHandleState;
                return std::nullopt;
            }
            const std::size_t n = std::min(buffer.size(), reply_.body.size() - offset_);
            if (n == 0 && reply_.readError != 0) {
                error_ = reply_.readError;
                return std::nullopt;
            }
            std::memcpy(buffer.data(), reply_.body.data() + offset_, n);
            offset_ += n;
            return n;
        }
        bool SetProxyUserName(std::string_view user) override {
            request_.proxyUser = std::string(user);
            return true;
        }
        bool SetProxyPassword(std::string_view password) override {
            request_.proxyPassword = std::string(password);
            return true;
        }
        bool SetReceiveTimeout(std::chrono::milliseconds) override { return true; }
        bool SetReplyLimit(std::uint64_t) override { return true; }

    private:
        StatePtr state_;
        FakeSentRequest request_;
        FakeReply reply_;
        std::size_t offset_ = 0;
        std::optional<long> status_;
        InetError error_ = 0;
    };

    class Connection final : public InternetConnection {
    public:
        Connection(StatePtr state, std::string server) : state_(std::move(state)), server_(std::move(server)) {}
        InetError LastError() const override { return 0; }
        std::string LastErrorDetail() const override { return {}; }
        std::unique_ptr<InternetRequest> OpenRequest(std::string_view verb, std::string_view page,
                                                     std::string_view version) override {
            return std::make_unique<Request>(state_, FakeSentRequest{.server = server_,
                                                                     .verb = std::string(verb),
                                                                     .page = std::string(page),
                                                                     .version = std::string(version)});
        }

    private:
        StatePtr state_;
        std::string server_;
    };

    class Session final : public InternetSession {
    public:
        explicit Session(StatePtr state) : state_(std::move(state)) {}
        InetError LastError() const override { return error_; }
        std::string LastErrorDetail() const override { return {}; }
        std::unique_ptr<InternetRequest> OpenUrl(std::string_view url) override {
            // "https://server/page"
            auto rest = url.substr(std::min(url.size(), url.find("://") + 3));
            const auto slash = std::min(rest.size(), rest.find('/'));
            auto request =
                std::make_unique<Request>(state_, FakeSentRequest{.server = std::string(rest.substr(0, slash)),
                                                                  .verb = "GET",
                                                                  .page = std::string(rest.substr(slash)),
                                                                  .version = "HTTP/1.1"});
            if (!request->SendRequest({})) {
                error_ = request->LastError();
                return nullptr;
            }
            return request;
        }
        std::unique_ptr<InternetConnection> Connect(std::string_view server) override {
            if (server.empty()) {
                error_ = inet_error::kInvalidUrl;
                return nullptr;
            }
            return std::make_unique<Connection>(state_, std::string(server));
        }
        void SetServerNames(std::vector<std::string>) override {}

    private:
        StatePtr state_;
        InetError error_ = 0;
    };

    StatePtr state_ = std::make_shared<State>();
};

} // namespace zumaset::test
