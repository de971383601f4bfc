#pragma once

#include "core/activity_sink.h"
#include "core/clock.h"
#include "core/transfer_progress.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// A copy of the whole state of a ClientModel at one moment.
struct ClientModelSnapshot {
    std::vector<std::string> activity;
    long sendCount = 0;
    long getCount = 0;
    std::string lastBalloon;
    std::optional<TransferState> transfer; // the file under way; none between files
};

// The main window's state without widgets: the activity list (at most 500
// entries once trimmed), the two counters, the last balloon and the file
// being transferred. A window observes it instead of polling.
//
// A pass writes it on its own thread while the window, the tray or a status
// request read it on others: every member is safe to call from any thread.
// The observer is called on the writer's thread after the change, outside
// the model's lock, so it may read the model (Snapshot) but should hand the
// drawing to its own thread.
class ClientModel : public ActivitySink, public TransferProgress {
public:
    static constexpr std::size_t kActivityCapacity = 500;

    // What changed; the observer reads the new state from the model.
    enum class Change { Activity, SendCount, GetCount, Balloon, Transfer };
    using Observer = std::function<void(Change)>;

    explicit ClientModel(const Clock& clock) : clock_(clock) {}

    // Called after every change, on the thread that made it. Empty: none.
    void SetObserver(Observer observer);

    void AddActivity(std::string_view text, bool scroll = true) override;
    // Adds a line exactly as given (the start-up's two lines carry no " * ").
    void AddActivityLine(std::string_view line);
    void IncrementSendCount() override;
    void IncrementGetCount() override;
    void ShowBalloon(std::string_view text) override;

    // The upload and the download report the file under way here.
    void OnTransferProgress(const TransferState& state) override;
    void OnTransferEnd() override;

    // Drops the oldest entries beyond the capacity (the cycle does this at the end of a tick).
    void TrimActivity();

    // Everything at once, consistent with itself.
    ClientModelSnapshot Snapshot() const;

    // Copies of single parts of the state.
    std::deque<std::string> activity() const;
    long sendCount() const;
    long getCount() const;
    std::string lastBalloon() const;
    std::optional<TransferState> transfer() const;

private:
    void Notify(Change change) const;

    const Clock& clock_;
    mutable std::mutex mutex_;
    // Shared so a notification can run a copy outside the lock while another
    // thread sets a new observer.
    std::shared_ptr<const Observer> observer_;
    std::deque<std::string> activity_;
    long sendCount_ = 0;
    long getCount_ = 0;
    std::string lastBalloon_;
    std::optional<TransferState> transfer_;
};

} // namespace zumaset
