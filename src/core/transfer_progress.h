#pragma once

#include <cstdint>
#include <string>

namespace zumaset {

// The file being sent or fetched and how far it has gone.
struct TransferState {
    enum class Direction { Sending, Receiving };
    Direction direction = Direction::Sending;
    std::string file;        // the file's name as the user knows it
    std::uint64_t done = 0;  // bytes of the file sent or received so far
    std::uint64_t total = 0; // the file's size; 0 while unknown
};

// Told by the upload and the download how a transfer goes, so a window, a
// tray tip or a terminal can show it. Called on the thread that runs the pass.
class TransferProgress {
public:
    virtual ~TransferProgress() = default;
    // At the start of a file (done 0) and as its bytes go.
    virtual void OnTransferProgress(const TransferState& state) = 0;
    // The file is done, or failed; nothing is being transferred now.
    virtual void OnTransferEnd() = 0;
};

} // namespace zumaset
