#include "app/ctl/register_command.h"

#include "app/ctl/client_commands.h"
#include "app/ctl/exit_codes.h"
#include "core/registry_file.h"
#include "core/settings_store.h"
#include "core/text.h"
#include "core/translate.h"
#include "core/utf8_slice.h"
#include "outbound/receipt_register.h"
#include "platform/control_client.h"
#include "platform/control_results.h"
#include "platform/instance_lock.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <system_error>
#include <vector>

namespace zumaset {

namespace {

void PrintRecords(const RegisterResult& result, const CtlOutput& output) {
    if (output.json) {
        nlohmann::json document = ToJson(result);
        document.erase("event");
        output.out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
        return;
    }
    std::vector<std::array<std::string, 4>> rows{{Tr("NAME"), Tr("FOLDER"), Tr("OFFICE"), Tr("SENT")}};
    for (const auto& record : result.records) {
        rows.push_back({EscapeControlChars(record.sendAs), EscapeControlChars(record.pathName),
                        EscapeControlChars(record.cuCode), EscapeControlChars(record.sendTime)});
    }
    std::array<std::size_t, 4> widths{};
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Utf8Length(row[i]));
    }
    for (const auto& row : rows) {
        output.out << Utf8PadRight(row[0], widths[0]) << "  " << Utf8PadRight(row[1], widths[1]) << "  "
                   << Utf8PadRight(row[2], widths[2]) << "  " << row[3] << '\n';
    }
    const unsigned long count = rows.size() - 1;
    output.out << FormatText(TrN("%lu sent file awaiting receipts.", "%lu sent files awaiting receipts.", count), count)
               << '\n';
}

int ShowRegisterFile(const std::filesystem::path& registryFile, const CtlOutput& output) {
    RegistryFile registry(registryFile);
    Settings settings;
    LoadSettings(settings, registry);
    const auto file = RegisterFilePath(settings);
    const std::string shownFile = EscapeControlChars(file.string());
    const RegisterFileContent content = ReadRegisterFile(file);
    switch (content.state) {
    case RegisterFileContent::State::Missing:
        if (output.json) {
            PrintRecords({}, output);
        } else {
            output.out << FormatText(Tr("The register holds no sent files (%s does not exist)."), shownFile.c_str())
                       << '\n';
        }
        return kExitOk;
    case RegisterFileContent::State::NotRegular:
        output.err << FormatText(Tr("%s is not a regular file (a link, a FIFO or a folder); it is not read"),
                                 shownFile.c_str())
                   << '\n';
        return kExitFailure;
    case RegisterFileContent::State::Unreadable:
        output.err << FormatText(Tr("cannot read %s: %s"), shownFile.c_str(),
                                 std::generic_category().message(content.error).c_str())
                   << '\n';
        return kExitFailure;
    case RegisterFileContent::State::Read: break;
    }
    const auto records = ParseRegisterText(content.text, [&](std::size_t lineNo, std::string_view line) {
        output.err << FormatText(Tr("%s: line %lu cannot be read and will be skipped: %s"), shownFile.c_str(),
                                 static_cast<unsigned long>(lineNo), EscapeControlChars(line).c_str())
                   << '\n';
    });
    PrintRecords(RegisterResultFrom(records), output);
    return kExitOk;
}

} // namespace

int ShowRegister(const std::filesystem::path& registryFile, const CtlOutput& output) {
    const ControlReply reply = ControlClient(registryFile).Request(ControlCommand::Register);
    switch (reply.state) {
    case ControlReply::State::NotRunning: return ShowRegisterFile(registryFile, output);
    case ControlReply::State::Failed:
        if (!InstanceLock::Running(registryFile)) return ShowRegisterFile(registryFile, output);
        break;
    case ControlReply::State::Answered: break;
    }
    if (auto failed = FailedOrRefused(reply, N_("the running client refused: %s"), output)) return *failed;
    PrintRecords(RegisterResultFromJson(reply.result), output);
    return kExitOk;
}

} // namespace zumaset
