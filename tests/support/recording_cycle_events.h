#pragma once

#include "exchange/cycle_events.h"

namespace zumaset::test {

// Counts what the uploads told the transfer cycle.
class RecordingCycleEvents final : public CycleEvents {
public:
    void OnFileAccepted() override { ++filesAccepted; }
    void OnReceiptAwaited() override { ++receiptsAwaited; }
    int filesAccepted = 0;
    int receiptsAwaited = 0;
};

} // namespace zumaset::test
