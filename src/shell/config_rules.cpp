#include "shell/config_rules.h"

#include "core/text.h"
#include "core/upper_case.h"

#include <algorithm>
#include <array>

namespace zumaset {

std::string_view DayLabel(std::string_view dayText) {
    const auto days = TrimView(dayText);
    if (days == "1") return "den.";
    if (days == "2" || days == "3" || days == "4") return "dny.";
    return "dní.";
}

std::optional<std::string> PositionPreview(std::string_view sourcePath, std::string_view positionText) {
    static constexpr std::array<std::string_view, 4> kLevels = {
        " KOD_CU / 1 / 2 / 3 /....", " 0 / KOD_CU / 2 / 3 /....", " 0 / 1 / KOD_CU / 3 /....",
        " 0 / 1 / 2 / KOD_CU /...."};
    const auto position = TrimView(positionText);
    if (position.size() != 1 || position[0] < '0' || position[0] > '3') return std::nullopt;
    return ToLowerText(sourcePath) + std::string(kLevels[static_cast<std::size_t>(position[0] - '0')]);
}

namespace {

struct FolderProposal {
    std::string_view field;
    std::string_view design;   // below ~/Zumaset
    std::string_view fallback; // below ~/Zumaset
};

// The design texts and fallbacks differ for the two log folders on purpose:
// the Control log falls back to the logs folder.
constexpr std::array<FolderProposal, 6> kFolderProposals = {{
    {"SourcePath", "/Na_CU/", "/Na_CU/"},
    {"RetValPath", "/Z_CU/", "/Z_CU/"},
    {"ArchivPath", "/Archiv/", "/Archiv/"},
    {"LogsPath", "/Logy/", "/Logy/"},
    {"ErrLogPath", "", "/"},
    {"ConLogPath", "/Control", "/Logy/"},
}};

struct DesignText {
    std::string_view field;
    std::string_view text;
};

// The servers are the operator's: neutral placeholders stand there.
constexpr std::array<DesignText, 8> kDesignTexts = {{
    {"User", "test"},
    {"Pass", "demo47"},
    {"ServerTxt", "server.operatora.cz"},
    {"ServerXml", "server.operatora.cz"},
    {"ServerOne", "server1.operatora.cz"},
    {"ServerTwo", "server2.operatora.cz"},
    {"TimeInterval", "0"},
    {"DeleteDayInt", "0"},
}};

const FolderProposal* FindFolder(std::string_view field) {
    const auto it = std::ranges::find(kFolderProposals, field, &FolderProposal::field);
    return it == kFolderProposals.end() ? nullptr : &*it;
}

} // namespace

ConfigProposals::ConfigProposals(std::string_view home) : zumaset_(std::string(TrimView(home, "/")).insert(0, "/")) {
    if (zumaset_ == "/") zumaset_.clear();
    zumaset_ += "/Zumaset";
}

std::string ConfigProposals::DesignText(std::string_view field) const {
    if (const auto* folder = FindFolder(field)) return zumaset_ + std::string(folder->design);
    const auto it = std::ranges::find(kDesignTexts, field, &DesignText::field);
    return it == kDesignTexts.end() ? std::string() : std::string(it->text);
}

std::string ConfigProposals::FolderFallback(std::string_view field) const {
    const auto* folder = FindFolder(field);
    return folder ? zumaset_ + std::string(folder->fallback) : std::string();
}

std::optional<std::string> NumberTextOnLeaving(std::string_view field, std::string_view text) {
    const auto trimmed = TrimView(text);
    const auto number = ParseWholeNumber(trimmed);
    if (field == "CuPosition" || field == "FileNamePos") {
        if (!number) return "0";
    } else if (field == "TimeInterval") {
        if (!number) return "0";
        if (*number > 300) return "300";
    } else if (field == "DeleteDayInt") {
        if (!number || *number < 1) return "30";
    }
    return std::nullopt;
}

std::int64_t NumberForSaving(const FieldInfo& field, std::string_view text) {
    const auto replaced = NumberTextOnLeaving(field.name, text);
    const auto number = ParseWholeNumber(TrimView(replaced ? std::string_view(*replaced) : text)).value_or(0);
    return std::clamp(number, field.min, field.max);
}

bool IsForbiddenDelimiter(std::string_view text) {
    return text.size() == 1 && std::string_view("\\/:*?\"<>|").find(text[0]) != std::string_view::npos;
}

const std::string_view kNoDialUpEntryText = "Nebylo nalezeno žádné telefonické připojení !  Zumaset nyní změní\r\n"
                                            "nastavení připojení na hodnotu 'místní síť'.  Pokud chcete použít\r\n"
                                            "telefonické připojení, zkontrolujte nastavení telefonických připojení\r\n"
                                            "v ovládacích panelech systému Windows.";
const std::string_view kForbiddenDelimiterText =
    "Jako oddělovač nelze použít žádný z následujících znaků:\r\n\t\\ / : * ? \" < > |";
const std::string_view kIncompleteProxyQuestion = "Bylo zvoleno  'Ruční nastavení proxy', ale nebyly zadány\r\n"
                                                  "všechny požadované hodnoty! Budete-li pokračovat,\r\n"
                                                  "'Ruční nastavení proxy' bude vypnuto.\r\n\r\n"
                                                  "Chcete pokračovat ?";
const std::string_view kAccountMissingText = "Položky 'Jméno' a 'Heslo' musí být vyplněny!";
const std::string_view kNoOfficeText = "Nebyl zadán žádný kód celního úřadu !";
const std::string_view kIncompleteMailQuestion = "Bylo zvoleno 'Zasílání chybových zpráv', ale nebyly zadány\r\n"
                                                 "všechny požadované hodnoty !  Budete-li pokračovat,\r\n"
                                                 "'Zasílání chybových zpráv' bude vypnuto.\r\n\r\n"
                                                 "Chcete pokračovat ?";
const std::string_view kServersMissingText = "Položky 'Server ECRFTP' a 'Server NCTS' musí být vyplněny!";

} // namespace zumaset
