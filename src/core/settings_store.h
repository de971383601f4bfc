#pragma once

#include "core/registry.h"
#include "core/settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace zumaset {

// Where the client's settings live, and where the earlier sibling product kept its own.
inline constexpr std::string_view kSettingsKey = "Software\\RLK a.s.\\Zumaset";
inline constexpr std::string_view kSiblingKey = "Software\\RLK\\Vorbek";
inline constexpr std::string_view kSiblingCompanyKey = "Software\\RLK a.s.\\Vorbek";
// Set by the installation; its presence (non-zero) asks for the first-run procedure.
// Read by the desktop client's start-up; its settings dialog deletes it on OK.
inline constexpr std::string_view kRunFirstValue = "RunFirst";

// Reads every setting, in table order, into the record. A missing value gives
// the empty/false/0 form; a value that does not convert leaves the field as it was.
void LoadSettings(Settings& settings, Registry& registry);

// Writes every field, in table order, creating the key first when needed.
// Write failures are not reported.
void SaveSettings(const Settings& settings, Registry& registry);

// Takes over the sibling product's settings (its "RemoteServer" becomes
// ServerTxt), saves them under our key, and removes the sibling's keys.
// Called by the desktop client's start-up in its first-run procedure.
void MigrateSettings(Settings& settings, Registry& registry);

// Reads the settings from any key with the loading rules; `serverTxtValue`
// names the value that fills ServerTxt.
void ReadSettingsFrom(Settings& settings, Registry& registry, std::string_view key,
                      std::string_view serverTxtValue = "ServerTxt");

// Re-reads ProxyUser and ProxyPass from the settings key into the record (the
// proxy challenge loop calls this before answering a 407).
void ReloadProxyCredentials(Settings& settings, Registry& registry);

// The reversible scrambling of stored passwords: same length, only the 64
// alphabet symbols change, and applying it twice gives the text back.
std::string ScrambleText(std::string_view text);

// The loading conversion of one field from a registry value: returns false when
// the value does not convert (the field is then left as it was).
bool ConvertIntoField(Settings& settings, const FieldInfo& field, const RegValue& value);

// The text form of a field as the command line shows it (booleans as
// true/false, numbers in decimal, texts as held).
std::string FieldText(const Settings& settings, const FieldInfo& field);

// A folder path as held in memory: trimmed, "\" turned into "/", and ending
// with "/" unless empty.
std::string NormaliseFolder(std::string_view path);

} // namespace zumaset
