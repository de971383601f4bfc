#pragma once

#include "core/registry.h"
#include "platform/service_notifier.h"
#include "platform/systemd_unit.h"
#include "shell/service_control.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zumaset {

// Runs a program found on PATH with these arguments and waits for it; gives
// its exit status, or -1 when it could not be started or was killed.
using CommandRunner = std::function<int(const std::vector<std::string>& argv)>;
int RunAndWait(const std::vector<std::string>& argv);

// The client as a systemd service. Installing writes the unit and enables it
// through systemctl (the user's manager for a user unit); removing disables
// and deletes it. An existing unit is not overwritten: installing then fails,
// as removing fails when there is no unit. The service's parameters live in
// the registry file as they always have. Starting the service is the
// notify socket's business (ServiceNotifier); stopping tells the manager the
// client is on its way out.
class SystemdServiceControl final : public ServiceControl {
public:
    struct Options {
        UnitPlace place;
        std::filesystem::path executable; // ExecStart
        std::string userName;             // for the note on lingering
        CommandRunner run = RunAndWait;
    };

    SystemdServiceControl(Registry& registry, ServiceNotifier& notifier, Options options)
        : parameters_(registry), notifier_(notifier), options_(std::move(options)) {}

    std::string DisplayName() const override { return parameters_.DisplayName(); }
    bool Install() override;
    bool Uninstall() override;
    std::string InstalledNote() const override;
    std::string GetSetting(std::string_view section, std::string_view key, std::string_view fallback) override {
        return parameters_.GetSetting(section, key, fallback);
    }
    void SaveSetting(std::string_view section, std::string_view key, std::string_view value) override {
        parameters_.SaveSetting(section, key, value);
    }
    void SetControlsAccepted(int) override {}
    void StartService() override {}
    void StopService() override { notifier_.Stopping(); }

private:
    bool Systemctl(std::initializer_list<std::string_view> arguments) const;

    RegistryServiceControl parameters_;
    ServiceNotifier& notifier_;
    Options options_;
};

// The options for this process: the unit's place, /proc/self/exe, the user's name.
SystemdServiceControl::Options ThisProcessServiceOptions();

} // namespace zumaset
