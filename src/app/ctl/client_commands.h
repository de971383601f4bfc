#pragma once

#include "app/ctl/ctl_output.h"
#include "platform/control_client.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace zumaset {

// The exit status of a reply that failed or that the running client refused,
// with the reason on standard error; nothing for an answer. `refused` is the
// English message with one %s for the client's reason, translated here.
std::optional<int> FailedOrRefused(const ControlReply& reply, const char* refused, const CtlOutput& output);

// Shows whether a client runs with the settings file and, when one does, its
// face, the cycle's mode, the counters, the last activity lines and the file
// being transferred. Exit status 0 when a client runs, 3 when none does.
int ShowClientStatus(const std::filesystem::path& registryFile, const CtlOutput& output);

// Asks the running client to read its settings again (between passes, with a
// new internet session). With no client running there is nothing to do: the
// client reads the settings when it starts; exit status 0 either way, 3 when
// a running client could not be reached.
int ReloadClient(const std::filesystem::path& registryFile, const CtlOutput& output);

// Pauses or continues the running client's transfer cycle as the service
// manager would (SIGUSR1, SIGUSR2 to the process the client's status names).
// Exit status 0 when the signal went, 3 when no client runs or it could not be reached.
enum class CycleSignal { Pause, Continue };
int SignalClient(const std::filesystem::path& registryFile, CycleSignal signal, const CtlOutput& output);

// After the settings were written: asks a client running with them to reload
// and says so. Exit status 0 when none runs or it reloads, 1 when it could
// not be asked (the settings are written but not yet in use).
int ReloadAfterWrite(const std::filesystem::path& registryFile, const CtlOutput& output);

} // namespace zumaset
