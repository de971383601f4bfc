#include "exchange/file_progress.h"

#include <algorithm>
#include <utility>

namespace zumaset {

FileProgress::FileProgress(TransferProgress* progress, TransferState::Direction direction, std::string file,
                           std::uint64_t total, std::uint64_t step) noexcept
    : progress_(progress), step_(step) {
    if (progress_ == nullptr) return;
    try {
        state_.direction = direction;
        state_.file = std::move(file);
        state_.total = total;
    } catch (...) {
        progress_ = nullptr; // without the name there is nothing to show
        return;
    }
    Tell();
}

FileProgress::~FileProgress() {
    if (progress_ == nullptr) return;
    try {
        progress_->OnTransferEnd();
    } catch (...) {}
}

void FileProgress::SetTotal(std::uint64_t total) noexcept {
    if (progress_ == nullptr || total == state_.total) return;
    state_.total = std::max(total, state_.done);
    Tell();
}

void FileProgress::Done(std::uint64_t bytes, bool all) noexcept {
    if (progress_ == nullptr) return;
    if (bytes == told_) return;
    state_.done = bytes;
    // A size announced too small never makes the file more than whole.
    if (state_.total != 0) state_.total = std::max(state_.total, bytes);
    const bool whole = all || (state_.total != 0 && bytes >= state_.total);
    if (bytes - std::min(bytes, told_) < step_ && !whole) return;
    Tell();
}

void FileProgress::Tell() noexcept {
    try {
        progress_->OnTransferProgress(state_);
        told_ = state_.done;
    } catch (...) {}
}

} // namespace zumaset
