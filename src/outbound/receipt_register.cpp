#include "outbound/receipt_register.h"

#include "core/atomic_file.h"
#include "core/charset.h"
#include "core/upper_case.h"
#include "core/utf8_slice.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <iterator>

namespace zumaset {

namespace {

using namespace std::chrono_literals;

constexpr auto kExpiry = 48h;
// The number the error log shows for a register file that cannot be used.
constexpr long kRegisterErrorNumber = 99999;
// 0.0139 of a day: a receipt is overdue 20 minutes and 0.96 seconds after sending.
constexpr auto kOverdue = std::chrono::milliseconds(1'200'960);

// Kinds of file for which no receipt is awaited.
constexpr std::array<std::string_view, 4> kNoReceiptKinds{"PEI", "PE", "PEU", "DAW"};

bool ContainsUpper(std::string_view haystack, std::string_view needle) {
    return ToUpperText(haystack).find(ToUpperText(needle)) != std::string::npos;
}

} // namespace

std::optional<std::string_view> NameBase(std::string_view name) {
    const std::size_t length = Utf8Length(name);
    if (length < 5) return std::nullopt;
    const std::size_t from = Utf8Prefix(name, length - 5).size();
    const std::size_t dot = name.find('.', from);
    if (dot == std::string_view::npos) return std::nullopt;
    return name.substr(0, dot);
}

std::filesystem::path RegisterFilePath(const Settings& settings) {
    return std::filesystem::path(settings.LogsPath + std::string(ReceiptRegister::kFileName));
}

std::optional<RegisterRecord> ParseRegisterLine(std::string_view line) {
    std::array<std::string_view, 4> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::size_t hash = line.find('#', start);
        if (hash == std::string_view::npos) {
            if (i != parts.size() - 1) return std::nullopt;
            parts[i] = line.substr(start);
        } else {
            parts[i] = line.substr(start, hash - start);
            start = hash + 1;
        }
    }
    const auto when = ParseDefaultDateTime(parts[3]);
    if (!when) return std::nullopt;
    return RegisterRecord{std::string(parts[0]), std::string(parts[1]), std::string(parts[2]), *when};
}

std::vector<RegisterRecord> ParseRegisterText(std::string_view text,
                                              const std::function<void(std::size_t, std::string_view)>& badLine) {
    std::vector<RegisterRecord> records;
    std::size_t start = 0;
    std::size_t lineNo = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string_view::npos; end = text.find("\r\n", start)) {
        ++lineNo;
        const std::string_view line = text.substr(start, end - start);
        start = end + 2;
        if (auto record = ParseRegisterLine(line)) {
            records.push_back(std::move(*record));
        } else {
            badLine(lineNo, line);
        }
    }
    return records;
}

std::string FormatRegisterLine(const RegisterRecord& r) {
    return r.SendAs + "#" + r.PathName + "#" + r.CuCode + "#" + FormatDefaultDateTime(r.SendTime);
}

void ReceiptRegister::Add(std::string SendAs, std::string PathName, std::string CuCode, TimePoint now) {
    records_.push_back(RegisterRecord{std::move(SendAs), std::move(PathName), std::move(CuCode), now});
}

void ReceiptRegister::LoadRegister(const Logs& logs) {
    const std::filesystem::path file = RegisterFilePath(logs.settings());
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return;
    const auto content = ReadWholeFile(file);
    if (!content) {
        logs.WriteLog("[" + std::to_string(kRegisterErrorNumber) + "] *** Soubor registru nelze přečíst  \"" +
                          file.string() + "\"",
                      LogKind::Error);
        return; // the file stays for the next start
    }
    auto records = ParseRegisterText(*content, [&](std::size_t lineNo, std::string_view line) {
        logs.WriteLog("[" + std::to_string(kRegisterErrorNumber) +
                          "] *** Neplatný řádek registru odeslaných souborů vynechán  \"" + file.string() + "\" " +
                          std::to_string(lineNo) + ": " + std::string(line),
                      LogKind::Error);
    });
    std::move(records.begin(), records.end(), std::back_inserter(records_));
    std::filesystem::remove(file, ec);
}

void ReceiptRegister::SaveRegister(const Settings& settings) const {
    std::ofstream out(RegisterFilePath(settings), std::ios::binary | std::ios::app);
    for (const auto& record : records_) {
        if (!out) return;
        out << FormatRegisterLine(record) << "\r\n";
    }
}

void ReceiptRegister::ExpireRegister(TimePoint now) {
    std::erase_if(records_, [&](const RegisterRecord& r) { return r.SendTime < now - kExpiry; });
}

std::optional<std::string> ReceiptRegister::FindOverdueReceipts(TimePoint now) const {
    std::string list;
    for (const auto& record : records_) {
        if (now - kOverdue < record.SendTime) continue;
        const std::size_t dot = record.SendAs.find('.');
        const std::string kind = ToUpperText(dot == std::string::npos ? record.SendAs : record.SendAs.substr(dot + 1));
        if (std::find(kNoReceiptKinds.begin(), kNoReceiptKinds.end(), kind) != kNoReceiptKinds.end()) continue;
        list += ToUpperText(record.SendAs) + "  ";
    }
    if (list.empty()) return std::nullopt;
    return list;
}

// With an office code, a record answers the received file when it was sent for
// that office and its base name contains the received file's base name (in
// test operation also when the sent name contains the received name less its
// first six characters). Without one (a reply from the "TVAL" folder), when the
// sent name contains the received name. The earliest record wins.
const RegisterRecord* ReceiptRegister::FindSentRecord(std::string_view officeCode, std::string_view lookupName,
                                                      bool runMode) const {
    const auto lookupBase = NameBase(lookupName);
    const std::string_view afterSix = Utf8DropPrefix(lookupName, 6);
    for (const auto& record : records_) {
        bool answers = false;
        if (officeCode.empty()) {
            answers = ContainsUpper(record.SendAs, lookupName);
        } else if (record.CuCode == officeCode) {
            const auto sentBase = NameBase(record.SendAs);
            answers = (sentBase && lookupBase && ContainsUpper(*sentBase, *lookupBase)) ||
                      (runMode && ContainsUpper(record.SendAs, afterSix));
        }
        if (answers) return &record;
    }
    return nullptr;
}

} // namespace zumaset
