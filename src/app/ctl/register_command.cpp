#include "app/ctl/register_command.h"

#include "app/ctl/exit_codes.h"
#include "core/atomic_file.h"
#include "core/charset.h"
#include "outbound/receipt_register.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <vector>

namespace zumaset {

namespace {

std::string Pad(const std::string& text, std::size_t width) {
    const std::size_t length = Utf8Length(text);
    return length >= width ? text : text + std::string(width - length, ' ');
}

} // namespace

int ShowRegister(const Settings& settings, std::ostream& out, std::ostream& err) {
    const auto file = RegisterFilePath(settings);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        out << "The register holds no sent files (" << file.string() << " does not exist).\n";
        return kExitOk;
    }
    const auto content = ReadWholeFile(file);
    if (!content) {
        err << "cannot read " << file.string() << '\n';
        return kExitFailure;
    }
    std::vector<std::array<std::string, 4>> rows{{"NAME", "FOLDER", "OFFICE", "SENT"}};
    const auto records = ParseRegisterText(*content, [&](std::size_t lineNo, std::string_view line) {
        err << file.string() << ": line " << lineNo << " cannot be read and will be skipped: " << line << '\n';
    });
    for (const auto& record : records) {
        rows.push_back({record.SendAs, record.PathName, record.CuCode, FormatDefaultDateTime(record.SendTime)});
    }
    std::array<std::size_t, 4> widths{};
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Utf8Length(row[i]));
    }
    for (const auto& row : rows) {
        out << Pad(row[0], widths[0]) << "  " << Pad(row[1], widths[1]) << "  " << Pad(row[2], widths[2]) << "  "
            << row[3] << '\n';
    }
    out << (rows.size() - 1) << " sent file(s) awaiting receipts.\n";
    return kExitOk;
}

} // namespace zumaset
