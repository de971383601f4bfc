#include "app/ctl/terminal_progress.h"

#include "core/text.h"
#include "core/translate.h"

#include <cstdio>
#include <ostream>

namespace zumaset {

namespace {

constexpr auto kShowAfter = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);
// Back to the start of the line and wipe it.
constexpr const char* kWipe = "\r\x1b[K";

std::string Bytes(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

} // namespace

TransferState TransferStateOf(const ProgressEvent& event) {
    TransferState state;
    state.direction =
        event.direction == "receive" ? TransferState::Direction::Receiving : TransferState::Direction::Sending;
    state.file = event.file;
    state.done = event.done;
    state.total = event.total;
    return state;
}

std::string TerminalProgress::Line(const TransferState& state, std::chrono::steady_clock::duration elapsed) {
    const std::string file = EscapeControlChars(state.file);
    std::string line = FormatText(
        state.direction == TransferState::Direction::Sending ? Tr("sending %s") : Tr("fetching %s"), file.c_str());
    if (state.total > 0) {
        const std::uint64_t done = state.done < state.total ? state.done : state.total;
        line += "  " + std::to_string(done * 100 / state.total) + "%";
        // TRANSLATORS: bytes done of the file's size, as in "1.5 MiB of 3.0 MiB".
        line += "  " + FormatText(Tr("%s of %s"), Bytes(static_cast<double>(done)).c_str(),
                                  Bytes(static_cast<double>(state.total)).c_str());
    } else {
        line += "  " + Bytes(static_cast<double>(state.done));
    }
    const double seconds = std::chrono::duration<double>(elapsed).count();
    if (seconds > 0) line += "  " + Bytes(static_cast<double>(state.done) / seconds) + "/s";
    return line;
}

void TerminalProgress::OnTransferProgress(const TransferState& state) {
    const auto now = now_();
    if (!active_ || state.file != file_ || state.direction != direction_) {
        OnTransferEnd();
        active_ = true;
        file_ = state.file;
        direction_ = state.direction;
        started_ = now;
        return;
    }
    if (now - started_ < kShowAfter) return;
    const bool finished = state.total > 0 && state.done >= state.total;
    if (shown_ && now - drawn_ < kRedrawEvery && !finished) return;
    terminal_ << kWipe << Line(state, now - started_) << std::flush;
    shown_ = true;
    drawn_ = now;
}

void TerminalProgress::OnTransferEnd() {
    if (shown_) terminal_ << kWipe << std::flush;
    shown_ = false;
    active_ = false;
}

} // namespace zumaset
