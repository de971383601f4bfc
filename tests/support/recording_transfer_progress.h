#pragma once

#include "core/transfer_progress.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace zumaset::test {

// Keeps every progress report and end as one event each.
class RecordingTransferProgress final : public TransferProgress {
public:
    struct Event {
        bool end = false;      // OnTransferEnd; the other fields are then empty
        TransferState state{}; // OnTransferProgress
        bool operator==(const Event& other) const {
            return end == other.end && state.direction == other.state.direction && state.file == other.state.file &&
                   state.done == other.state.done && state.total == other.state.total;
        }
    };

    static Event Progress(TransferState::Direction direction, std::string file, std::uint64_t done,
                          std::uint64_t total) {
        return {false, {direction, std::move(file), done, total}};
    }
    static Event End() { return {true, {}}; }

    void OnTransferProgress(const TransferState& state) override { events.push_back({false, state}); }
    void OnTransferEnd() override { events.push_back(End()); }

    std::vector<Event> events;
};

inline void PrintTo(const RecordingTransferProgress::Event& event, std::ostream* os) {
    if (event.end) {
        *os << "end";
        return;
    }
    *os << (event.state.direction == TransferState::Direction::Sending ? "sending " : "receiving ") << event.state.file
        << " " << event.state.done << "/" << event.state.total;
}

} // namespace zumaset::test
