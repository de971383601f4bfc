#include "app/ctl/register_command.h"

#include "app/ctl/exit_codes.h"
#include "core/text.h"
#include "core/utf8_slice.h"
#include "outbound/receipt_register.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <system_error>
#include <vector>

namespace zumaset {

int ShowRegister(const Settings& settings, std::ostream& out, std::ostream& err) {
    const auto file = RegisterFilePath(settings);
    const std::string shownFile = EscapeControlChars(file.string());
    const RegisterFileContent content = ReadRegisterFile(file);
    switch (content.state) {
    case RegisterFileContent::State::Missing:
        out << "The register holds no sent files (" << shownFile << " does not exist).\n";
        return kExitOk;
    case RegisterFileContent::State::NotRegular:
        err << shownFile << " is not a regular file (a link, a FIFO or a folder); it is not read\n";
        return kExitFailure;
    case RegisterFileContent::State::Unreadable:
        err << "cannot read " << shownFile << ": " << std::generic_category().message(content.error) << '\n';
        return kExitFailure;
    case RegisterFileContent::State::Read: break;
    }
    std::vector<std::array<std::string, 4>> rows{{"NAME", "FOLDER", "OFFICE", "SENT"}};
    const auto records = ParseRegisterText(content.text, [&](std::size_t lineNo, std::string_view line) {
        err << shownFile << ": line " << lineNo << " cannot be read and will be skipped: " << EscapeControlChars(line)
            << '\n';
    });
    for (const auto& record : records) {
        rows.push_back({EscapeControlChars(record.SendAs), EscapeControlChars(record.PathName),
                        EscapeControlChars(record.CuCode), FormatDefaultDateTime(record.SendTime)});
    }
    std::array<std::size_t, 4> widths{};
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Utf8Length(row[i]));
    }
    for (const auto& row : rows) {
        out << Utf8PadRight(row[0], widths[0]) << "  " << Utf8PadRight(row[1], widths[1]) << "  "
            << Utf8PadRight(row[2], widths[2]) << "  " << row[3] << '\n';
    }
    out << (rows.size() - 1) << " sent file(s) awaiting receipts.\n";
    return kExitOk;
}

} // namespace zumaset
