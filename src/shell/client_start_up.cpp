#include "shell/client_start_up.h"

#include "core/message_table.h"
#include "core/settings_store.h"
#include "core/system_error_text.h"
#include "core/time_format.h"
#include "core/trace_line.h"
#include "zumaset/version.h"

#include <charconv>
#include <chrono>
#include <exception>
#include <variant>

namespace zumaset {

namespace {

constexpr std::string_view kInstallArgument = "/i";
constexpr std::string_view kUninstallArgument = "/u";
constexpr std::string_view kParametersSection = "Parameters";
constexpr std::string_view kTimerIntervalKey = "TimerInterval";
constexpr std::string_view kDefaultTimerInterval = "20000";
constexpr int kPauseAndContinue = 2;
constexpr int kFatalEventId = 109;

// The run-time errors a conversion to a 16-bit timer interval raises.
constexpr long kTypeMismatch = 13;
constexpr long kOverflow = 6;
constexpr long kInvalidPropertyValue = 380;
constexpr std::string_view kTypeMismatchText = "Neshoda typů";
constexpr std::string_view kOverflowText = "Přetečení";
constexpr std::string_view kInvalidPropertyValueText = "Neplatná hodnota vlastnosti";

constexpr std::string_view kRegisterBusyText = "Registr odeslaných souborů používá jiný proces.";
constexpr std::string_view kRegisterRefusedText = "Registr odeslaných souborů nelze použít (viz protokol chyb).";

constexpr std::string_view kHelpText =
    "Usage: zumaset [/i | /u]\n"
    "The Zumaset client: carries customs declaration files between the outbound and inbound\n"
    "folders and the VAN operator's server, on its own timer, until it is ended.\n"
    "With a desktop it shows a tray icon; without one (or under the service manager) it runs\n"
    "headless and writes its messages to standard error.\n"
    "\n"
    "  /i         install the client as a service\n"
    "  /u         remove the service\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Settings: zumasetctl config (see zumasetctl --help).\n";

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

// "RunFirst" as the start-up reads it: missing counts as 0, a number as
// itself, a text by its leading whole number (a text that is no number
// counts as set: asking for the configuration is the safe side).
bool RunFirstSet(Registry& registry) {
    const RegValue value = registry.QueryValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue);
    if (const auto* number = std::get_if<std::int32_t>(&value)) return *number != 0;
    if (const auto* text = std::get_if<std::string>(&value)) {
        const std::string trimmed = Trimmed(*text);
        long parsed = 0;
        const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), parsed);
        if (error != std::errc{} || end != trimmed.data() + trimmed.size()) return !trimmed.empty();
        return parsed != 0;
    }
    return false;
}

bool SiblingSettingsPresent(Registry& registry) {
    if (!registry.KeyExists(Hive::CurrentUser, kSiblingKey)) return false;
    const RegValue user = registry.QueryValue(Hive::CurrentUser, kSiblingKey, "User");
    if (const auto* text = std::get_if<std::string>(&user)) return !text->empty();
    return std::holds_alternative<std::int32_t>(user);
}

std::string WithDisplayName(int message, const ServiceControl& service) {
    return LoadMessage(message, {{kPlaceholder, service.DisplayName()}});
}

} // namespace

std::string NotConfiguredText(std::string_view programName) {
    return std::string(programName) +
           ": the client has not been configured yet. Configure it with\n"
           "  zumasetctl config set NAME VALUE    (one setting; zumasetctl config show lists them)\n"
           "  zumasetctl config import FILE.reg   (the settings exported from another installation)\n"
           "and start it again.\n";
}

std::string CommandLineText(const std::vector<std::string>& arguments) {
    std::string text;
    for (const auto& argument : arguments) {
        if (!text.empty()) text += ' ';
        text += argument;
    }
    return text;
}

std::optional<int> AnswerInformationRequest(std::string_view text, std::ostream& out) {
    if (text == "--help") {
        out << kHelpText;
        return clientexit::kOk;
    }
    if (text == "--version") {
        out << "zumaset " << ZUMASET_VERSION << '\n';
        return clientexit::kOk;
    }
    return std::nullopt;
}

std::optional<int> HandleCommandLine(std::string_view text, std::string_view programName, ClientFace& face,
                                     ServiceControl& service, std::ostream& out) {
    if (text.empty()) return std::nullopt;
    if (auto answered = AnswerInformationRequest(text, out)) return answered;
    if (text == kInstallArgument) {
        if (service.Install()) {
            service.SaveSetting(kParametersSection, kTimerIntervalKey, kDefaultTimerInterval);
            std::string text = WithDisplayName(msg::kServiceInstalled, service);
            if (const std::string note = service.InstalledNote(); !note.empty()) text += "\r\n" + note;
            face.ShowBox(programName, text, MessageIcon::Information);
            return clientexit::kOk;
        }
        face.ShowBox(programName,
                     MessageText(msg::kGeneralFailure) + "\r\n" + WithDisplayName(msg::kServiceNotInstalled, service),
                     MessageIcon::Stop);
        return clientexit::kFailure;
    }
    if (text == kUninstallArgument) {
        if (service.Uninstall()) {
            face.ShowBox(programName, WithDisplayName(msg::kServiceRemoved, service), MessageIcon::Information);
            return clientexit::kOk;
        }
        face.ShowBox(programName,
                     MessageText(msg::kGeneralFailure) + "\r\n" + WithDisplayName(msg::kServiceNotRemoved, service),
                     MessageIcon::Stop);
        return clientexit::kFailure;
    }
    face.ShowBox(programName, MessageText(msg::kInvalidParameter), MessageIcon::Stop);
    return clientexit::kUsage;
}

int TimerIntervalFromText(std::string_view text) {
    const std::string trimmed = Trimmed(text);
    std::string_view digits = trimmed;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        throw StartUpError(kTypeMismatch, std::string(kTypeMismatchText));
    }
    long long value = 0;
    const char* first = trimmed.data() + (trimmed.front() == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(first, trimmed.data() + trimmed.size(), value);
    if (error != std::errc{} || value > 32767 || value < -32768) {
        throw StartUpError(kOverflow, std::string(kOverflowText));
    }
    if (value < 0) throw StartUpError(kInvalidPropertyValue, std::string(kInvalidPropertyValueText));
    return static_cast<int>(value);
}

std::optional<int> ClientLifecycle::StartUp() {
    try {
        if (auto ended = FirstRun()) return ended;
        Run();
        started_ = true;
        return std::nullopt;
    } catch (const StartUpError& e) {
        ReportFatal(e.number(), e.what());
    } catch (const std::exception& e) {
        ReportFatal(kNoSystemErrorNumber, e.what());
    }
    return clientexit::kFailure;
}

// Step 5. Without the settings key there is nothing to run with, so that
// counts as a first run as much as a set "RunFirst" does.
std::optional<int> ClientLifecycle::FirstRun() {
    const bool firstRun = !registry_.KeyExists(Hive::CurrentUser, kSettingsKey) || RunFirstSet(registry_);
    if (!firstRun) return std::nullopt;
    if (SiblingSettingsPresent(registry_)) {
        Settings migrated;
        MigrateSettings(migrated, registry_);
        // The takeover is the configuration: without this the next start
        // would ask for the dialog all the same.
        registry_.DeleteValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue);
        return std::nullopt;
    }
    if (!face_.ShowFirstRunDialog()) {
        face_.ReportNotConfigured(NotConfiguredText(programName_));
        return clientexit::kNotConfigured;
    }
    if (RunFirstSet(registry_) || !registry_.KeyExists(Hive::CurrentUser, kSettingsKey)) return clientexit::kOk;
    Settings saved;
    LoadSettings(saved, registry_);
    face_.OfferCaCertificates(saved);
    return std::nullopt;
}

// Steps 6 to 15.
void ClientLifecycle::Run() {
    core_.LoadSettings();
    face_.SetControlLogOffered(core_.settings().WriteLogControl);

    core_.SetTimerInterval(
        TimerIntervalFromText(service_.GetSetting(kParametersSection, kTimerIntervalKey, kDefaultTimerInterval)));
    service_.SetControlsAccepted(kPauseAndContinue);
    service_.StartService();

    if (core_.settings().WriteDebugLog) core_.WriteDebugTrace(TraceLine("ZUMASET", 'A', 1).Start());

    const auto now = core_.Now();
    core_.AddActivityLine("Výpis aktivity od " + FormatDefaultDateTime(now));
    core_.AddActivityLine(FormatClockTime(now) + " - klient spuštěn ");

    switch (core_.LoadRegister()) {
    case RegisterLoad::Loaded: break;
    case RegisterLoad::Busy: throw StartUpError(kNoSystemErrorNumber, std::string(kRegisterBusyText));
    case RegisterLoad::Refused: throw StartUpError(kNoSystemErrorNumber, std::string(kRegisterRefusedText));
    }

    // gsVersion is the build's version (ZUMASET_VERSION), fixed at compile time.
    core_.ResetReceiptPolls();
    core_.ArmTimer();

    const std::string handle = core_.OpenSession();
    if (core_.settings().WriteDebugLog) {
        core_.WriteDebugTrace(TraceLine("FormLoad", 'A', 2).Label("InternetOpen").Values({handle}));
    }
    face_.ShowInTray();
}

void ClientLifecycle::ReportFatal(long number, const std::string& description) noexcept {
    try {
        const std::string text = std::string("[") + std::to_string(number) + "] " + description;
        if (core_.serviceStarted()) {
            events_.LogEvent(EventType::Error, kFatalEventId, text);
            return;
        }
        face_.ShowBox(programName_,
                      LoadMessage(msg::kApplicationError, {{kPlaceholder, std::to_string(number)}}) + "\r\n" +
                          description + "\r\n" + MessageText(msg::kApplicationWillEnd),
                      MessageIcon::Stop);
        core_.WriteErrorLog("[" + std::to_string(number) + "] *** " + description + " -> APP_FATAL_EXIT");
    } catch (...) {
        // The process ends either way.
    }
}

void ClientLifecycle::ShutDown() noexcept {
    // Every step runs whatever the one before it did.
    try {
        if (core_.settings().WriteDebugLog) core_.WriteDebugTrace(TraceLine("ZUMASET", 'A', 3).End());
    } catch (...) {}
    try {
        core_.SaveRegister();
    } catch (...) {}
    try {
        face_.RemoveTrayIcon();
    } catch (...) {}
    try {
        service_.StopService();
    } catch (...) {}
}

} // namespace zumaset
