#include "shell/config_controls.h"

#include <array>

namespace zumaset {

namespace {

using K = ControlKind;
using R = KeyRule;

constexpr std::array<std::string_view, kConfigTabCount> kTabCaptions = {"Účet",  "Složky", "CÚ",
                                                                        "Různé", "E-mail", "Adresy"};

constexpr std::string_view kBrowseTip = "Procházet";

// Text boxes: Enter moves on and the whole text is selected on entry.
constexpr ControlInfo Text(std::string_view name, int tab, std::string_view frame, bool enabled = true,
                           int maxLength = 0) {
    return {name, K::TextBox, tab, frame, {}, {}, maxLength, R::EnterMovesOn, true, enabled, false};
}
constexpr ControlInfo Digits(std::string_view name, int tab, std::string_view frame, int maxLength,
                             bool enabled = true) {
    return {name, K::TextBox, tab, frame, {}, {}, maxLength, R::DigitsOnly, true, enabled, false};
}
constexpr ControlInfo Label(std::string_view name, int tab, std::string_view frame, std::string_view caption,
                            bool enabled = true) {
    return {name, K::Label, tab, frame, caption, {}, 0, R::None, false, enabled, false};
}
constexpr ControlInfo Check(std::string_view name, int tab, std::string_view frame, std::string_view caption,
                            bool enabled = true) {
    return {name, K::CheckBox, tab, frame, caption, {}, 0, R::EnterMovesOn, false, enabled, false};
}
constexpr ControlInfo Option(std::string_view name, int tab, std::string_view frame, std::string_view caption,
                             bool sameRow = false) {
    return {name, K::Option, tab, frame, caption, {}, 0, R::None, false, true, sameRow};
}
constexpr ControlInfo Frame(std::string_view name, int tab, std::string_view caption) {
    return {name, K::Frame, tab, {}, caption};
}
constexpr ControlInfo Browse(std::string_view name) {
    return {name, K::Button, 1, "FrameFolder", "...", kBrowseTip, 0, R::None, false, true, true};
}
constexpr ControlInfo Row(ControlInfo info) {
    info.sameRow = true;
    return info;
}
constexpr ControlInfo Masked(ControlInfo info) {
    info.kind = K::Password;
    return info;
}
constexpr ControlInfo Tip(ControlInfo info, std::string_view tooltip) {
    info.tooltip = tooltip;
    return info;
}

constexpr auto kControls = std::to_array<ControlInfo>({
    // Účet
    Frame("FrameLogin", 0, "Nastavení účtu"),
    Label("LabelUser", 0, "FrameLogin", "Jméno:"),
    Row(Text("User", 0, "FrameLogin")),
    Label("LabelPass", 0, "FrameLogin", "Heslo:"),
    Row(Masked(Text("Pass", 0, "FrameLogin"))),
    Label("LabelLan", 0, "FrameLogin", "Počítač je k síti Internet připojen:"),
    Option("RASMode_0", 0, "FrameLogin", "Místní sítí"),
    Option("RASMode_1", 0, "FrameLogin", "Telefonní linkou", true),
    Frame("FrameProxy", 0, "Nastavení místní sítě"),
    Check("UseProxy", 0, "FrameProxy", "Ruční nastavení proxy"),
    Label("LabelProxyIp", 0, "FrameProxy", "Proxy:", false),
    Row(Text("ProxyName", 0, "FrameProxy", false)),
    Label("LabelProxyPort", 0, "FrameProxy", "Port:", false),
    Row(Tip(Digits("ProxyPort", 0, "FrameProxy", 4, false), "Port proxy serveru pro protokol HTTPS")),
    Label("Label5", 0, "FrameProxy", "Jméno:", false),
    Row(Text("txtProxyUser", 0, "FrameProxy", false)),
    Label("Label6", 0, "FrameProxy", "Heslo:", false),
    Row(Masked(Text("txtProxyPass", 0, "FrameProxy", false))),
    Frame("FrameRas", 0, "Nastavení telefonického připojení"),
    Label("LabelRas", 0, "FrameRas", "Připojit pomocí :"),
    {"RASName", K::ComboBox, 0, "FrameRas", {}, {}, 0, R::EnterMovesOn, false, true, true},
    Check("RASAutoDial", 0, "FrameRas", "Automaticky vytáčet při odesílání zpráv"),
    Frame("FrameProvoz", 0, "Volba typu provozu NCTS/ZJP"),
    Option("RunMode_0", 0, "FrameProvoz", "Standardní provoz"),
    Option("RunMode_1", 0, "FrameProvoz", "Testovací provoz", true),

    // Složky
    Frame("FrameFolder", 1, "Nastavení složek"),
    Label("LabelFolderIn", 1, "FrameFolder", "Složka pro soubory k odeslání :"),
    Row(Text("SourcePath", 1, "FrameFolder")),
    Browse("cmdBrowse_0"),
    Check("SubDirIgnore", 1, "FrameFolder", "Nevyhledávat v podsložkách hlavní složky"),
    Label("LabelFolderDor", 1, "FrameFolder", "Složka pro doručené soubory :"),
    Row(Text("RetValPath", 1, "FrameFolder")),
    Browse("cmdBrowse_1"),
    Label("LabelFolderOut", 1, "FrameFolder", "Složka pro archivní soubory :"),
    Row(Text("ArchivPath", 1, "FrameFolder")),
    Browse("cmdBrowse_2"),
    Label("Label1", 1, "FrameFolder", "Složka pro logy :"),
    Row(Text("LogsPath", 1, "FrameFolder")),
    Browse("cmdBrowse_3"),
    Label("Label3", 1, "FrameFolder", "Složka pro log Error :"),
    Row(Text("ErrLogPath", 1, "FrameFolder")),
    Browse("cmdBrowse_4"),
    Label("Label2", 1, "FrameFolder", "Složka pro log Control :"),
    Row(Text("ConLogPath", 1, "FrameFolder")),
    Browse("cmdBrowse_5"),

    // CÚ
    Frame("FrameCU", 2, "Nastavení CÚ"),
    Option("CuMode_0", 2, "FrameCU", "Zadat ručně"),
    Option("CuMode_1", 2, "FrameCU", "Načíst ze struktury složek"),
    Option("CuMode_2", 2, "FrameCU", "Načíst ze strukturovaného názvu souboru "),
    {"Grid", K::Grid, 2, "FrameCU", {}, "Přehled konfigurace celních úřadů."},
    Label("LabelCUPosition", 2, "FrameCU", {}),
    Row(Digits("CuPosition", 2, "FrameCU", 2)),
    Label("LabelFileNamePos", 2, "FrameCU", {}),
    Row(Digits("FileNamePos", 2, "FrameCU", 2)),
    Label("LabelParameter", 2, "FrameCU", "Oddělovač parametrů :"),
    Row(Text("Delimiter", 2, "FrameCU", true, 1)),
    Label("Label7", 2, "FrameCU", "Popis pozic:        0    _       1       _       2"),
    Label("Label8", 2, "FrameCU", "Příklad:           Praha_CZ900000_Test01.vas"),
    Label("LabelPathName", 2, "FrameCU", {}),

    // Různé
    Frame("FrameLogs", 3, "Obecná nastavení"),
    Label("LabelTime", 3, "FrameLogs", "Interval odesílání:"),
    Tip(Label("LabelSendInt", 3, "FrameLogs", "Nastavit interval na (0 - 300 min) "),
        "Zadejte interval odesílánív minutách. Pokud chcete odesílat souboru ručně, zadejte nulu nebo nechte pole "
        "prázdné."),
    Row(Digits("TimeInterval", 3, "FrameLogs", 3)),
    Check("OnLineMode", 3, "FrameLogs", "On-Line (interval 20 sec)"),
    Label("LabelOstatni", 3, "FrameLogs", "Ostatní nastavení:"),
    Check("ShowErrMessage", 3, "FrameLogs", "Zobrazovat chybová hlášení."),
    Check("WriteLogFile", 3, "FrameLogs", "Vytvářet protokol o relaci"),
    Check("ArchiveFiles", 3, "FrameLogs", "Archivovat odesílané soubory"),
    Check("DeleteLogFiles", 3, "FrameLogs", "Mazat logové soubory starší než"),
    Row(Digits("DeleteDayInt", 3, "FrameLogs", 2, false)),
    Row(Label("LabelDay", 3, "FrameLogs", "dnů.")),
    Check("NotConnect", 3, "FrameLogs", "Nepřipojovat se, pokud není nic k odeslání"),
    Check("WriteLogControl", 3, {}, "Vytvářet protokol o připojení"),
    Check("WriteDebugLog", 3, {}, "Vytvářet debug log"),
    Check("ViewInfo", 3, {}, "Zobrazovat upozornění na příjem souboru"),

    // E-mail
    Frame("Frame1", 4, "Nastavení E-mailu"),
    Check("UseMAPI", 4, "Frame1", "Používat zasílání zpráv"),
    Label("LabelMailServer", 4, "Frame1", "Server SMTP :", false),
    Row(Tip(Text("MailServer", 4, "Frame1", false), "smtp://server:port nebo smtps://server:port")),
    Label("LabelMailFrom", 4, "Frame1", "Odesílatel :", false),
    Row(Text("MailFrom", 4, "Frame1", false)),
    Label("LabelMapiUser", 4, "Frame1", "Jméno uživatele :", false),
    Row(Text("MAPIUser", 4, "Frame1", false)),
    Label("LabelMapiPass", 4, "Frame1", "Heslo :", false),
    Row(Text("MAPIPass", 4, "Frame1", false)),
    Label("LabelSendTo", 4, "Frame1", "Komu :", false),
    Row(Text("SendTo", 4, "Frame1", false)),
    Check("MAPIERRMess", 4, "Frame1", "Zasílat chybové zprávy", false),
    Check("MAPINoRet", 4, "Frame1", "Zasílat zprávy o nevrácených doručenkách", false),

    // Adresy
    Frame("FrameECRFTP", 5, "Server ECRFTP"),
    Label("LabelECR", 5, "FrameECRFTP", "Adresa serveru :"),
    Row(Text("ServerTxt", 5, "FrameECRFTP")),
    Frame("FrameNcts", 5, "Server NCTS/ZJP"),
    Label("LabelNCTS", 5, "FrameNcts", "Adresa serveru :"),
    Row(Text("ServerXml", 5, "FrameNcts")),
    Frame("FrameAlternate", 5, "Alternativní servery"),
    Label("LabelAlternate1", 5, "FrameAlternate", "Adresa serveru 1 :"),
    Row(Text("ServerOne", 5, "FrameAlternate")),
    Label("LabelAlternate2", 5, "FrameAlternate", "Adresa serveru 2 :"),
    Row(Text("ServerTwo", 5, "FrameAlternate")),
});

} // namespace

std::string_view ConfigTabCaption(int tab) {
    return tab >= 0 && tab < kConfigTabCount ? kTabCaptions[static_cast<std::size_t>(tab)] : std::string_view{};
}

std::span<const ControlInfo> ConfigControls() {
    return kControls;
}

const ControlInfo* FindConfigControl(std::string_view name) {
    for (const auto& info : kControls)
        if (info.name == name) return &info;
    return nullptr;
}

} // namespace zumaset
