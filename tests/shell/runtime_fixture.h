#pragma once

#include "core/registry_document.h"
#include "core/settings_store.h"
#include "core/time_format.h"
#include "shell/client_runtime.h"

#include "counting_dial_up_gate.h"
#include "fake_transport.h"
#include "recording_sinks.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace zumaset::test {

// A client runtime over a registry in memory, a fake transport and recording
// boxes and mail, with its folders in a temporary folder: Na_CU and Z_CU
// there, the logs and the register in the folder itself.
class RuntimeFixture : public ::testing::Test {
protected:
    RuntimeFixture() {
        const std::string folder = dir.path().string() + "/";
        settings.User = "DEKL01";
        settings.ServerTxt = "van.example";
        settings.ServerXml = " van.example "; // the same server: one download per receive pass
        settings.SourcePath = folder + "Na_CU/";
        settings.RetValPath = folder + "Z_CU/";
        settings.LogsPath = folder;
        settings.ErrLogPath = folder;
        settings.ConLogPath = folder;
        std::filesystem::create_directories(dir / "Na_CU");
        std::filesystem::create_directories(dir / "Z_CU");
    }

    // The platform of a runtime over this fixture's folders, with its own
    // settings file and program name.
    ClientRuntime::Platform PlatformFor(decltype(ClientRuntime::Platform::makeDialUpGate) makeGate,
                                        const std::filesystem::path& settingsFile, std::string name) {
        Paths paths{dir / "cfg", dir / "data", dir / "ca"};
        return {registry, clock, boxes, mail, transport, std::move(makeGate), paths, settingsFile, std::move(name)};
    }

    // Stores the settings and starts a runtime over them.
    ClientRuntime& StartRuntime() {
        SaveSettings(settings, registry);
        auto makeGate = [this](const Settings&, const FailureReporter&) {
            auto made = std::make_unique<CountingDialUpGate>();
            gate = made.get();
            return made;
        };
        runtime = std::make_unique<ClientRuntime>(PlatformFor(makeGate, dir / "registry.reg", "zumaset"));
        runtime->StartUp();
        return *runtime;
    }

    TempDir dir;
    Settings settings;
    FixedClock clock{FromLocalTime(2026, 12, 6, 10, 0, 0)};
    RegDocument registry;
    RecordingMessageBoxes boxes;
    RecordingMailNotices mail;
    FakeTransport transport;
    CountingDialUpGate* gate = nullptr;
    std::unique_ptr<ClientRuntime> runtime;
};

} // namespace zumaset::test
