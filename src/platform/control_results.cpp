#include "platform/control_results.h"

#include "core/text.h"
#include "core/time_format.h"

namespace zumaset {

std::string_view PassStatusName(PassOutcome::Status status) {
    using Status = PassOutcome::Status;
    switch (status) {
    case Status::Ran: return "ran";
    case Status::EndedEarly: return "ended-early";
    case Status::SettingsMissing: return "settings-missing";
    case Status::SettingsBusy:
    case Status::FolderBusy:
    case Status::RegisterBusy: return "busy";
    case Status::RegisterRefused: return "register-refused";
    }
    return "ran";
}

std::string PassRefusalText(PassOutcome::Status status, const std::string& settingsFile,
                            const std::string& outboundFolder, const std::string& registerFile) {
    using Status = PassOutcome::Status;
    const std::string later = "; nothing was done, try again when it has finished";
    switch (status) {
    case Status::Ran:
    case Status::EndedEarly:
    case Status::SettingsMissing: return {};
    case Status::SettingsBusy:
        return "a transfer pass is already running with the settings in " + EscapeControlChars(settingsFile) + later;
    case Status::FolderBusy:
        return "a transfer pass is already running over the outbound folder " + EscapeControlChars(outboundFolder) +
               later;
    case Status::RegisterBusy:
        return "a transfer pass is already running with the register of sent files in " +
               EscapeControlChars(registerFile) + later;
    case Status::RegisterRefused:
        return "the register of sent files " + EscapeControlChars(registerFile) +
               " cannot be used (see the error log); nothing was sent or received";
    }
    return {};
}

RegisterResult RegisterResultFrom(const std::vector<RegisterRecord>& records) {
    RegisterResult result;
    for (const RegisterRecord& record : records)
        result.records.push_back(
            {record.CuCode, record.SendAs, record.PathName, FormatDefaultDateTime(record.SendTime)});
    return result;
}

} // namespace zumaset
