#pragma once

#include "core/transfer_progress.h"

#include <cstdint>
#include <string>

namespace zumaset {

// How one file of a transfer goes, told to a TransferProgress when there is
// one (null: nobody is told). The start (0 bytes) is told when the object is
// made, and the end when it goes, whichever way the file ended. Progress is
// told at most once per `step` bytes (every call when 0) and whenever the
// whole file is through (`total` reached, or the caller says so). A progress observer that throws is ignored: the
// display never costs a transfer.
class FileProgress {
public:
    FileProgress(TransferProgress* progress, TransferState::Direction direction, std::string file, std::uint64_t total,
                 std::uint64_t step = 0) noexcept;
    ~FileProgress();
    FileProgress(const FileProgress&) = delete;
    FileProgress& operator=(const FileProgress&) = delete;

    // The file's size once it is known (0: still unknown); told at once.
    void SetTotal(std::uint64_t total) noexcept;
    // `bytes` of the file are through so far; `all` says they are the whole
    // file (told whatever the step).
    void Done(std::uint64_t bytes, bool all = false) noexcept;

private:
    void Tell() noexcept;

    TransferProgress* progress_;
    TransferState state_;
    std::uint64_t step_;
    std::uint64_t told_ = 0;
};

} // namespace zumaset
