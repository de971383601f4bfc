#include "exchange/curl_transfer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace zumaset {
namespace {

using Clock = std::chrono::steady_clock;

// The longest single wait inside the drive loop; libcurl's own timers may
// shorten it further.
constexpr std::chrono::milliseconds kPollSlice{1000};

// Unread reply bytes held at most before the transfer is paused until the
// caller reads; keeps memory bounded whatever the size of the reply.
constexpr std::size_t kBodyHighWater = 1024 * 1024;

long ParseStatusLine(std::string_view line) {
    // "HTTP/1.1 200 OK"
    const auto space = line.find(' ');
    if (space == std::string_view::npos) return 0;
    long status = 0;
    const char* begin = line.data() + space + 1;
    std::from_chars(begin, line.data() + line.size(), status);
    return status;
}

} // namespace

CurlConnectionPool MakeCurlConnectionPool() {
    return CurlConnectionPool(curl_multi_init(), [](CURLM* multi) {
        if (multi != nullptr) curl_multi_cleanup(multi);
    });
}

CurlTransfer::CurlTransfer(CurlConnectionPool pool) : pool_(std::move(pool)), easy_(curl_easy_init()) {}

CurlTransfer::~CurlTransfer() {
    Detach();
}

void CurlTransfer::Detach() {
    if (attached_) {
        // Dropping a transfer in mid-reply also closes its connection, so a
        // half-read reply can never be mistaken for the next one.
        curl_multi_remove_handle(pool_.get(), easy_.get());
        attached_ = false;
    }
}

void CurlTransfer::Reset() {
    Detach();
    if (easy_) curl_easy_reset(easy_.get());
    ClearState();
}

void CurlTransfer::ClearState() {
    paused_ = false;
    finished_ = false;
    result_ = CURLE_OK;
    headersComplete_ = false;
    pendingStatus_ = 0;
    headerStatus_ = 0;
    headerBytes_ = 0;
    bodyBytes_ = 0;
    body_.clear();
    bodyPos_ = 0;
    errorBuffer_[0] = '\0';
}

void CurlTransfer::MarkFinished(CURLcode result) {
    finished_ = true;
    result_ = result;
}

CurlTransfer::Outcome CurlTransfer::Start(std::chrono::milliseconds silence) {
    if (!easy_ || !pool_) {
        MarkFinished(CURLE_FAILED_INIT);
        return Outcome::Failed;
    }
    Detach();
    ClearState();

    CURL* easy = easy_.get();
    for (CURLcode rc : {curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader),
                        curl_easy_setopt(easy, CURLOPT_HEADERDATA, this),
                        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody),
                        curl_easy_setopt(easy, CURLOPT_WRITEDATA, this),
                        curl_easy_setopt(easy, CURLOPT_PRIVATE, this),
                        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_)}) {
        if (rc != CURLE_OK) {
            MarkFinished(rc);
            return Outcome::Failed;
        }
    }
    if (curl_multi_add_handle(pool_.get(), easy) != CURLM_OK) {
        MarkFinished(CURLE_FAILED_INIT);
        return Outcome::Failed;
    }
    attached_ = true;
    return Drive(&CurlTransfer::HeadersReady, silence);
}

CurlTransfer::Outcome CurlTransfer::Read(std::span<char> buffer, std::chrono::milliseconds silence,
                                         std::size_t& copied) {
    copied = 0;
    while (copied < buffer.size()) {
        if (BodyReady()) {
            const std::size_t n = std::min(buffer.size() - copied, body_.size() - bodyPos_);
            std::memcpy(buffer.data() + copied, body_.data() + bodyPos_, n);
            bodyPos_ += n;
            copied += n;
            if (bodyPos_ == body_.size()) {
                body_.clear();
                bodyPos_ = 0;
            }
            continue;
        }
        if (paused_) {
            // Everything held has been read: let libcurl deliver the rest.
            // It may hand over the held-back bytes right inside this call.
            paused_ = false;
            curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
            continue;
        }
        if (finished_) return result_ == CURLE_OK ? Outcome::Finished : Outcome::Failed;
        if (!attached_) return Outcome::Failed;
        const Outcome outcome = Drive(&CurlTransfer::BodyReady, silence);
        if (outcome == Outcome::TimedOut || outcome == Outcome::Failed) return outcome;
    }
    return Outcome::Ready;
}

CurlTransfer::Outcome CurlTransfer::Drive(bool (CurlTransfer::*ready)() const, std::chrono::milliseconds silence) {
    auto lastMove = Clock::now();
    auto moved = BytesMoved();
    for (;;) {
        int running = 0;
        const CURLMcode mc = curl_multi_perform(pool_.get(), &running);
        CollectFinished();
        if ((this->*ready)()) return Outcome::Ready;
        if (finished_) return Outcome::Finished;
        if (mc != CURLM_OK || !attached_) {
            Detach();
            MarkFinished(CURLE_FAILED_INIT);
            return Outcome::Failed;
        }
        const auto now = Clock::now();
        if (const auto current = BytesMoved(); current != moved) {
            moved = current;
            lastMove = now;
        }
        const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastMove);
        if (quiet >= silence) {
            Detach();
            MarkFinished(CURLE_OPERATION_TIMEDOUT);
            std::snprintf(errorBuffer_, sizeof errorBuffer_, "No data received for %lld ms",
                          static_cast<long long>(silence.count()));
            return Outcome::TimedOut;
        }
        const auto wait = std::clamp(silence - quiet, std::chrono::milliseconds(1), kPollSlice);
        curl_multi_poll(pool_.get(), nullptr, 0, static_cast<int>(wait.count()), nullptr);
    }
}

void CurlTransfer::CollectFinished() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(pool_.get(), &left)) {
        if (msg->msg != CURLMSG_DONE) continue;
        // Several requests may share the pool: each finished transfer is
        // handed to its own owner.
        const CURLcode result = msg->data.result;
        char* owner = nullptr;
        curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &owner);
        if (owner == nullptr) continue;
        auto* transfer = reinterpret_cast<CurlTransfer*>(owner);
        transfer->Detach();
        transfer->MarkFinished(result);
    }
}

std::uint64_t CurlTransfer::BytesMoved() const {
    curl_off_t uploaded = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
    return headerBytes_ + bodyBytes_ + static_cast<std::uint64_t>(uploaded);
}

std::string CurlTransfer::ErrorDetail() const {
    if (errorBuffer_[0] != '\0') return errorBuffer_;
    return result_ == CURLE_OK ? std::string() : curl_easy_strerror(result_);
}

std::size_t CurlTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const std::size_t n = size * count;
    transfer->headerBytes_ += n;
    const std::string_view line(data, n);
    if (line.starts_with("HTTP/")) {
        // A new response begins (after an interim 1xx one, for instance).
        transfer->pendingStatus_ = ParseStatusLine(line);
        transfer->headersComplete_ = false;
    } else if ((line == "\r\n" || line == "\n") && transfer->pendingStatus_ >= 200) {
        transfer->headerStatus_ = transfer->pendingStatus_;
        transfer->headersComplete_ = true;
    }
    return n;
}

std::size_t CurlTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const std::size_t n = size * count;
    if (transfer->body_.size() - transfer->bodyPos_ >= kBodyHighWater) {
        // libcurl keeps these bytes and offers them again after unpausing.
        transfer->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    transfer->body_.append(data, n);
    transfer->bodyBytes_ += n;
    return n;
}

} // namespace zumaset
