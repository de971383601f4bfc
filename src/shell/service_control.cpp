#include "shell/service_control.h"

#include "core/settings_store.h"

#include <variant>

namespace zumaset {

std::string ServiceParameterKey(std::string_view section) {
    return std::string(kSettingsKey) + "\\" + std::string(section);
}

std::string RegistryServiceControl::GetSetting(std::string_view section, std::string_view key,
                                               std::string_view fallback) {
    const RegValue value = registry_.QueryValue(Hive::CurrentUser, ServiceParameterKey(section), key);
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_string(*number);
    return std::string(fallback);
}

void RegistryServiceControl::SaveSetting(std::string_view section, std::string_view key, std::string_view value) {
    const std::string path = ServiceParameterKey(section);
    if (!registry_.KeyExists(Hive::CurrentUser, path)) registry_.CreateKey(Hive::CurrentUser, path);
    registry_.SetValue(Hive::CurrentUser, path, key, std::string(value), RegType::Sz);
}

} // namespace zumaset
