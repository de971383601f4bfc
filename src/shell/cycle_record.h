#pragma once

#include "core/settings.h"
#include "exchange/cycle_events.h"

#include <chrono>
#include <optional>

namespace zumaset {

// The transfer cycle's state the uploads of a run change: the receipt polls
// counter (reset by every accepted file), whether receipts are awaited after
// a send, and whether an accepted file asks for receipt polling. The cycle's
// timer reads it; a single pass only keeps it.
class CycleRecord final : public CycleEvents {
public:
    void OnFileAccepted() override {
        receiptPolls_ = 0;
        fileAccepted_ = true;
    }
    void OnReceiptAwaited() override { receiptAwaited_ = true; }

    int receiptPolls() const { return receiptPolls_; }
    bool fileAccepted() const { return fileAccepted_; }
    bool receiptAwaited() const { return receiptAwaited_; }

private:
    int receiptPolls_ = 0;
    bool fileAccepted_ = false;
    bool receiptAwaited_ = false;
};

// The timer interval an accepted file asks for: receipt polling every 30
// seconds, except when the client runs as a service or in on-line mode, where
// the timer keeps its rhythm (nothing).
std::optional<std::chrono::milliseconds> ReceiptPollingInterval(bool serviceStarted, const Settings& settings);

} // namespace zumaset
