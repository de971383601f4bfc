#include "exchange/curl_transfer.h"

#include "exchange/tls_trust.h"

#include <algorithm>
#include <cctype>
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

// What is read of a reply nobody wants any more before its connection is
// given up instead: replies left unread are short answers.
// The drain as a whole lasts this long at most, however the bytes trickle in.
constexpr std::uint64_t kDrainLimit = 256 * 1024;
constexpr std::chrono::milliseconds kDrainTime{2000};

// The body of a redirect being followed is read past, up to this much.
constexpr std::uint64_t kRedirectBodyLimit = 64 * 1024;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b)) return false;
    }
    return true;
}

long ParseStatusLine(std::string_view line) {
    // "HTTP/1.1 200 OK"
    const auto space = line.find(' ');
    if (space == std::string_view::npos) return 0;
    long status = 0;
    const char* begin = line.data() + space + 1;
    std::from_chars(begin, line.data() + line.size(), status);
    return status;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (StartsWithIgnoringCase(text.substr(i), word)) return true;
    }
    return false;
}

} // namespace

CurlConnectionPool MakeCurlConnectionPool() {
    // Shared from the owning pointer: a failed init gives an empty pool, and
    // the deleter only ever sees a live handle.
    return CurlConnectionPool(CurlMultiPtr(curl_multi_init()));
}

CurlTransfer::CurlTransfer(CurlConnectionPool pool) : pool_(std::move(pool)), easy_(curl_easy_init()) {}

CurlTransfer::~CurlTransfer() {
    Detach();
}

void CurlTransfer::Detach() {
    // A reply that came before the request was sent whole is not drained:
    // the rest of the request would have to go out first.
    if (attached_ && !finished_ && headersComplete_ && !draining_ && RequestSent()) DrainRest();
    Remove();
}

bool CurlTransfer::RequestSent() const {
    curl_off_t total = -1;
    curl_off_t sent = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_UPLOAD_T, &total);
    curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
    return total <= 0 || sent >= total;
}

void CurlTransfer::Remove() {
    if (attached_) {
        // Dropping a transfer in mid-reply also closes its connection, so a
        // half-read reply can never be mistaken for the next one.
        curl_multi_remove_handle(pool_.get(), easy_.get());
        attached_ = false;
    }
}

void CurlTransfer::DrainRest() {
    draining_ = true;
    drained_ = body_.size() - bodyPos_;
    body_.clear();
    bodyPos_ = 0;
    if (paused_) {
        paused_ = false;
        curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
    }
    drainUntil_ = Clock::now() + kDrainTime;
    if (!finished_ && attached_) Drive(&CurlTransfer::Never, kDrainTime);
    draining_ = false;
}

bool CurlTransfer::PastDeadline(Clock::time_point now) const {
    if (draining_ && now >= drainUntil_) return true;
    if (bounds_.deadline == std::chrono::milliseconds::max()) return false;
    auto allowed = std::chrono::duration_cast<std::chrono::milliseconds>(bounds_.deadline);
    if (bounds_.bytesPerExtraSecond > 0) {
        const auto extra = BytesMoved() / bounds_.bytesPerExtraSecond;
        allowed += std::chrono::seconds(static_cast<long long>(std::min<std::uint64_t>(extra, 1u << 30)));
    }
    return now - started_ > allowed;
}

void CurlTransfer::Reset() {
    Detach();
    if (easy_) curl_easy_reset(easy_.get());
    ClearState();
}

void CurlTransfer::ClearState() {
    tooLarge_ = false;
    pendingFramed_ = false;
    framed_ = false;
    endSignal_ = std::make_shared<std::atomic<bool>>(false);
    endedWithoutSignal_ = false;
    drained_ = 0;
    pendingLocation_ = false;
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

CurlTransfer::Outcome CurlTransfer::Start(std::chrono::milliseconds silence, const TransferBounds& bounds) {
    if (!easy_ || !pool_) {
        MarkFinished(CURLE_FAILED_INIT);
        return Outcome::Failed;
    }
    Detach();
    ClearState();
    bounds_ = bounds;
    started_ = Clock::now();

    CURL* easy = easy_.get();
    for (CURLcode rc :
         {curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader),
          curl_easy_setopt(easy, CURLOPT_HEADERDATA, this),
          curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody),
          curl_easy_setopt(easy, CURLOPT_WRITEDATA, this),
          curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::OnProgress),
          curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this), curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L),
          curl_easy_setopt(easy, CURLOPT_PRIVATE, this), curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_)}) {
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

void CurlTransfer::SetMaxBody(std::uint64_t bytes) {
    bounds_.maxBody = bytes;
    if (bodyBytes_ <= bytes || draining_) return;
    // More than that has come in already: the reply is refused as a whole,
    // and its connection, in mid-reply, is given up.
    tooLarge_ = true;
    body_.clear();
    bodyPos_ = 0;
    paused_ = false;
    Remove();
    MarkFinished(CURLE_WRITE_ERROR);
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
            Remove();
            MarkFinished(CURLE_FAILED_INIT);
            return Outcome::Failed;
        }
        const auto now = Clock::now();
        if (PastDeadline(now)) {
            Remove();
            MarkFinished(CURLE_OPERATION_TIMEDOUT);
            std::snprintf(errorBuffer_, sizeof errorBuffer_, "The exchange outlived its deadline after %llu bytes",
                          static_cast<unsigned long long>(BytesMoved()));
            return Outcome::TimedOut;
        }
        if (const auto current = BytesMoved(); current != moved) {
            moved = current;
            lastMove = now;
        }
        const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastMove);
        if (quiet >= silence) {
            Remove();
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
        transfer->Remove();
        transfer->MarkFinished(result);
        if (result == CURLE_OK && transfer->headersComplete_ && !transfer->framed_ && !transfer->endSignal_->load()) {
            // Only the TLS end signal tells the end of such a reply from a cut.
            transfer->endedWithoutSignal_ = true;
            transfer->MarkFinished(CURLE_PARTIAL_FILE);
            std::snprintf(transfer->errorBuffer_, sizeof transfer->errorBuffer_,
                          "The connection ended without the TLS end signal before a reply without a length "
                          "was known to be complete");
        }
    }
}

std::uint64_t CurlTransfer::BytesMoved() const {
    curl_off_t uploaded = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
    return headerBytes_ + bodyBytes_ + static_cast<std::uint64_t>(uploaded);
}

std::string CurlTransfer::ErrorDetail() const {
    if (tooLarge_ && !headersComplete_)
        return "A redirecting reply is longer than the " + std::to_string(kRedirectBodyLimit) + " bytes allowed";
    if (tooLarge_) return "The reply is longer than the " + std::to_string(bounds_.maxBody) + " bytes allowed";
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
        transfer->pendingLocation_ = false;
        transfer->pendingFramed_ = false;
        transfer->headersComplete_ = false;
    } else if (StartsWithIgnoringCase(line, "Location:")) {
        transfer->pendingLocation_ = true;
    } else if (StartsWithIgnoringCase(line, "Content-Length:") ||
               (StartsWithIgnoringCase(line, "Transfer-Encoding:") && ContainsIgnoringCase(line, "chunked"))) {
        transfer->pendingFramed_ = true;
    } else if ((line == "\r\n" || line == "\n") && transfer->pendingStatus_ >= 200) {
        const long status = transfer->pendingStatus_;
        // libcurl goes on to the target of a redirect it follows.
        const bool followed = transfer->bounds_.followsRedirects && transfer->pendingLocation_ && status >= 300 &&
                              status < 400 && status != 304;
        if (!followed) {
            transfer->headerStatus_ = status;
            transfer->headersComplete_ = true;
            // These replies have no body whatever their headers say.
            transfer->framed_ = transfer->pendingFramed_ || status == 204 || status == 304;
            if (!transfer->framed_) WatchTlsEndSignal(transfer->easy_.get(), transfer->endSignal_);
        }
    }
    return n;
}

int CurlTransfer::OnProgress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    // libcurl reads the body of a redirect it follows past without handing
    // it over; `received` counts it, afresh for each response.
    if (transfer->bounds_.followsRedirects && !transfer->headersComplete_ &&
        static_cast<std::uint64_t>(received) > kRedirectBodyLimit) {
        transfer->tooLarge_ = true;
        return 1;
    }
    return 0;
}

std::size_t CurlTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<CurlTransfer*>(self);
    const std::size_t n = size * count;
    // The body of a redirect being followed is not the reply's.
    if (!transfer->headersComplete_) return n;
    if (transfer->draining_) {
        transfer->drained_ += n;
        transfer->bodyBytes_ += n;
        // Too much to wait for: ending the transfer here drops the connection.
        return transfer->drained_ > kDrainLimit ? 0 : n;
    }
    if (transfer->bodyBytes_ + n > transfer->bounds_.maxBody) {
        transfer->tooLarge_ = true;
        return 0;
    }
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
