#pragma once

#include "exchange/curl_handles.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace zumaset {

// The pool of live connections that the requests of one connection share, so
// that their POSTs go over one kept-alive TLS connection.
using CurlConnectionPool = std::shared_ptr<CURLM>;
CurlConnectionPool MakeCurlConnectionPool();

// The bounds of one exchange.
struct TransferBounds {
    // Reply body bytes at most; one more ends the transfer (tooLarge()).
    std::uint64_t maxBody = UINT64_MAX;
    // The whole exchange may last `deadline` plus one second for every
    // `bytesPerExtraSecond` bytes moved (0: no extension); then it is cut
    // with CURLE_OPERATION_TIMEDOUT.
    std::chrono::milliseconds deadline = std::chrono::milliseconds::max();
    std::uint64_t bytesPerExtraSecond = 0;
    // Redirects are followed by libcurl: a redirecting reply is not the one
    // whose headers Start waits for.
    bool followsRedirects = false;
};

// One HTTP exchange on an easy handle, run step by step inside the pool's
// multi handle: Start sends and returns once the reply's headers are in, Read
// pulls the body in as the caller asks for it. Nothing ever waits longer than
// the limit given for a silence on the line, nor past the exchange's deadline.
// A reply left unread is read to its end (up to a small amount) before the
// handle is reset or destroyed, so its connection can serve the next exchange.
class CurlTransfer {
public:
    enum class Outcome { Ready, Finished, TimedOut, Failed };

    explicit CurlTransfer(CurlConnectionPool pool);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // The handle to configure (after Reset) before Start; null if libcurl
    // could not create one.
    CURL* easy() const { return easy_.get(); }
    // Drops any transfer in progress and every option set on the handle.
    void Reset();
    // Sends the configured request and waits until the reply's headers have
    // arrived (Ready), the transfer ended (Finished, with result()), or no
    // byte moved for `silence` (TimedOut, transfer dropped).
    Outcome Start(std::chrono::milliseconds silence, const TransferBounds& bounds = {});
    // Copies reply bytes into `buffer` until it is full or the reply ends,
    // waiting at most `silence` for each new byte. On TimedOut or Failed the
    // bytes copied so far are in `copied`.
    Outcome Read(std::span<char> buffer, std::chrono::milliseconds silence, std::size_t& copied);
    // Changes TransferBounds::maxBody of the reply under way; a reply already
    // longer than `bytes` fails the next Read as tooLarge().
    void SetMaxBody(std::uint64_t bytes);

    bool headersComplete() const { return headersComplete_; }
    long headerStatus() const { return headerStatus_; }
    bool finished() const { return finished_; }
    CURLcode result() const { return result_; }
    // The reply was longer than TransferBounds::maxBody, or the body of a
    // redirect being followed longer than a small bound.
    bool tooLarge() const { return tooLarge_; }
    // The reply had no length and its connection ended without the TLS end
    // signal: it may have been cut short, so it counts as cut
    // (CURLE_PARTIAL_FILE).
    bool endedWithoutSignal() const { return endedWithoutSignal_; }
    // libcurl's own description of the last failure.
    std::string ErrorDetail() const;

private:
    using Clock = std::chrono::steady_clock;

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t);

    Outcome Drive(bool (CurlTransfer::*ready)() const, std::chrono::milliseconds silence);
    bool PastDeadline(Clock::time_point now) const;
    // Reads what is left of a reply nobody wants any more, so the connection
    // stays usable; gives up (and drops the connection) past a small bound.
    void DrainRest();
    // The whole request body has gone out (or there is none).
    bool RequestSent() const;
    bool Never() const { return false; }
    bool HeadersReady() const { return headersComplete_; }
    bool BodyReady() const { return bodyPos_ < body_.size(); }
    std::uint64_t BytesMoved() const;
    void CollectFinished();
    void MarkFinished(CURLcode result);
    void ClearState();
    void Detach();
    void Remove();

    CurlConnectionPool pool_;
    CurlEasyPtr easy_;
    TransferBounds bounds_;
    Clock::time_point started_;
    bool draining_ = false;
    Clock::time_point drainUntil_;
    std::uint64_t drained_ = 0;
    bool tooLarge_ = false;
    bool pendingFramed_ = false; // the response being received has a length or chunks
    bool framed_ = false;
    std::shared_ptr<std::atomic<bool>> endSignal_;
    bool endedWithoutSignal_ = false;
    bool attached_ = false;
    bool paused_ = false;
    bool finished_ = false;
    CURLcode result_ = CURLE_OK;
    bool headersComplete_ = false;
    long pendingStatus_ = 0;
    bool pendingLocation_ = false;
    long headerStatus_ = 0;
    std::uint64_t headerBytes_ = 0;
    std::uint64_t bodyBytes_ = 0;
    std::string body_;
    std::size_t bodyPos_ = 0;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
};

} // namespace zumaset
