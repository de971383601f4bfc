#pragma once

#include "core/registry.h"

#include <string>
#include <string_view>

namespace zumaset {

// The service's names: the service manager knows it by the first, people by the second.
inline constexpr std::string_view kServiceName = "Zumaset";
inline constexpr std::string_view kServiceDisplayName = "Zumaset Service";

// The service manager's side of the client as the start-up and shutdown use
// it: installing and removing the service, its own parameters, and the
// connection of the process to the manager.
class ServiceControl {
public:
    virtual ~ServiceControl() = default;

    virtual std::string DisplayName() const = 0;
    // True when the service entry was created or removed.
    virtual bool Install() = 0;
    virtual bool Uninstall() = 0;
    // A line to show after the installation's message (how to keep the
    // service running without a login, say); empty when there is nothing to add.
    virtual std::string InstalledNote() const { return {}; }
    // The service's own parameters, by section and key.
    virtual std::string GetSetting(std::string_view section, std::string_view key, std::string_view fallback) = 0;
    virtual void SaveSetting(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Declares the controls the service accepts (2: pause and continue).
    virtual void SetControlsAccepted(int controls) = 0;
    // Connects the process to the service manager; stops the service at shutdown.
    virtual void StartService() = 0;
    virtual void StopService() = 0;
};

// The service control until the client runs as a service: installing and
// removing fail, the process is never started by a service manager, and the
// parameters live in the registry file under the settings key's "Parameters"
// key, where an administrator can set them with any editor.
class RegistryServiceControl final : public ServiceControl {
public:
    explicit RegistryServiceControl(Registry& registry) : registry_(registry) {}

    std::string DisplayName() const override { return std::string(kServiceDisplayName); }
    bool Install() override { return false; }
    bool Uninstall() override { return false; }
    std::string GetSetting(std::string_view section, std::string_view key, std::string_view fallback) override;
    void SaveSetting(std::string_view section, std::string_view key, std::string_view value) override;
    void SetControlsAccepted(int) override {}
    void StartService() override {}
    void StopService() override {}

private:
    Registry& registry_;
};

// The registry key that holds a section of the service's parameters.
std::string ServiceParameterKey(std::string_view section);

} // namespace zumaset
