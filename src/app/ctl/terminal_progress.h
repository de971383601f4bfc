#pragma once

#include "core/transfer_progress.h"
#include "platform/control_protocol.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>

namespace zumaset {

// Shows a long transfer on a terminal as one line rewritten in place: the
// file's name, how far it has gone and the rate. A file that is done within a
// second never shows; the line is redrawn at most four times a second and
// wiped when the file ends, so it never mixes with the lines printed after it.
class TerminalProgress : public TransferProgress {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    explicit TerminalProgress(
        std::ostream& terminal, Now now = [] { return std::chrono::steady_clock::now(); })
        : terminal_(terminal), now_(std::move(now)) {}
    ~TerminalProgress() override { OnTransferEnd(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void OnTransferProgress(const TransferState& state) override;
    void OnTransferEnd() override;

    // The text of the line for a state that has run `elapsed` (without the
    // terminal's control sequences).
    static std::string Line(const TransferState& state, std::chrono::steady_clock::duration elapsed);

private:
    std::ostream& terminal_;
    Now now_;
    bool active_ = false; // a file is under way
    std::string file_;
    TransferState::Direction direction_ = TransferState::Direction::Sending;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point drawn_{};
    bool shown_ = false;
};

// A progress line of the control channel as a transfer state.
TransferState TransferStateOf(const ProgressEvent& event);

} // namespace zumaset
