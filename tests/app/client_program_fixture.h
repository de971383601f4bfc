#pragma once

#include "core/registry_file.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "platform/control_client.h"

#include "client_process.h"
#include "temp_dir.h"
#include "vansim_process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace zumaset::test {

// A test that runs the client program as a process: its configuration, data
// and runtime folders in the test's own folder, the logs in "Logy" there.
class ClientProgramFixture : public ::testing::Test {
protected:
    ClientProgramFixture() {
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        std::filesystem::create_directories(dir / "run");
        chmod((dir / "run").c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
        std::filesystem::create_directories(registryFile().parent_path());
    }
    ~ClientProgramFixture() override {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_RUNTIME_DIR");
    }

    std::filesystem::path registryFile() const { return dir / "config" / "zumaset" / "registry.reg"; }
    std::filesystem::path logs() const { return dir / "Logy"; }

    // What every client here starts with: a user, the logs in the test's folder, debug trace on.
    Settings BaseSettings() const {
        Settings settings;
        settings.User = "DEKL01";
        settings.LogsPath = logs().string() + "/";
        settings.ErrLogPath = settings.LogsPath;
        settings.ConLogPath = settings.LogsPath;
        settings.WriteDebugLog = true;
        return settings;
    }
    void Save(const Settings& settings) {
        RegistryFile registry(registryFile());
        SaveSettings(settings, registry);
    }

    // The settings of a client that transfers through `vansim` as DEKL01, with
    // the simulator's CA trusted and the outbound, inbound and archive folders
    // made. TimeInterval 0 and on-line mode off: only requests run passes.
    Settings TransferSettings(VansimProcess& vansim) {
        vansim.AddAccount("DEKL01", "heslo");
        std::filesystem::create_directories(dir / "config" / "zumaset" / "ca");
        std::filesystem::copy_file(vansim.caPath(), dir / "config" / "zumaset" / "ca" / "van.pem");
        for (const char* folder : {"Na_CU/Praha", "Z_CU", "Archiv"}) std::filesystem::create_directories(dir / folder);
        Settings settings = BaseSettings();
        settings.Pass = "heslo";
        settings.ServerTxt = vansim.host();
        settings.ServerXml = vansim.host();
        settings.SourcePath = (dir / "Na_CU").string() + "/";
        settings.RetValPath = (dir / "Z_CU").string() + "/";
        settings.ArchivPath = (dir / "Archiv").string() + "/";
        settings.CuOption = "PRAHA|CZ510000%ALL_FILES|CZ530000%";
        return settings;
    }

    // A file to send in the Praha folder, dated a minute back: a file written
    // just now counts as still being written.
    std::filesystem::path WriteOutbound(const std::string& name) const {
        const auto file = dir / "Na_CU" / "Praha" / name;
        WriteFileBytes(file, "HLAVICKA\r\nRADEK\r\n");
        std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
        return file;
    }

    // Asks the running client for its status until it answers (it serves
    // its control channel once started); false if it ended first.
    bool WaitUntilServing(ClientProcess& client) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (client.Running() && std::chrono::steady_clock::now() < until) {
            if (ControlClient(registryFile()).Request(ControlCommand::Status).state == ControlReply::State::Answered) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    TempDir dir;
};

} // namespace zumaset::test
