#pragma once

#include "shell/client_runtime.h"
#include "shell/client_start_up.h"
#include "shell/cycle_timer.h"
#include "shell/transfer_cycle.h"

namespace zumaset {

// The start-up's and shutdown's view of the running client: its runtime,
// transfer cycle and timer. Everything runs on the thread that starts and
// ends the client, while no pass runs.
class RuntimeClientCore final : public ClientCore {
public:
    RuntimeClientCore(ClientRuntime& runtime, TransferCycle& cycle, CycleTimer& timer)
        : runtime_(runtime), cycle_(cycle), timer_(timer) {}

    std::chrono::system_clock::time_point Now() const override { return runtime_.clock().Now(); }
    void LoadSettings() override { runtime_.ReloadSettings(); }
    const Settings& settings() const override { return runtime_.settings(); }
    void WriteDebugTrace(std::string_view line) override { runtime_.logs().WriteDebugTrace(line); }
    void WriteErrorLog(std::string_view line) override { runtime_.logs().WriteLog(line, LogKind::Error); }
    void AddActivityLine(std::string_view line) override { runtime_.model().AddActivityLine(line); }
    RegisterLoad LoadRegister() override;
    void SetTimerInterval(int milliseconds) override { timer_.SetInterval(std::chrono::milliseconds(milliseconds)); }
    // The cycle starts with its receipt polls at 100 (no polling).
    void ResetReceiptPolls() override {}
    void ArmTimer() override { cycle_.ArmTimer(); }
    std::string OpenSession() override { return runtime_.OpenSession(); }
    bool serviceStarted() const override { return cycle_.serviceStarted(); }
    bool SaveRegister() override { return runtime_.ShutDown(); }

private:
    ClientRuntime& runtime_;
    TransferCycle& cycle_;
    CycleTimer& timer_;
};

} // namespace zumaset
