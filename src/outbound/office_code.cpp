#include "outbound/office_code.h"

#include "core/charset.h"
#include "core/message_table.h"
#include "core/system_error_text.h"
#include "core/upper_case.h"
#include "core/utf8_slice.h"
#include "outbound/path_helpers.h"

#include <exception>
#include <optional>
#include <vector>

namespace zumaset {

namespace {

constexpr std::string_view kAllFiles = "ALL_FILES";
constexpr std::size_t kCodeLength = 8;
constexpr std::size_t kCodeNumberLength = 6;
constexpr std::size_t kCharacterModeNameLength = 12;
constexpr std::size_t kCutPeNameLength = 11;

// Splits at every occurrence of the separator, keeping empty parts. An empty
// text has no parts at all (so an empty list holds no entries).
std::vector<std::string_view> SplitParts(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    if (text.empty()) return parts;
    std::size_t start = 0;
    for (std::size_t hit; (hit = text.find(separator, start)) != std::string_view::npos;
         start = hit + separator.size()) {
        parts.push_back(text.substr(start, hit - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::optional<std::string_view> PartAt(const std::vector<std::string_view>& parts, long index) {
    if (index < 0 || static_cast<std::size_t>(index) >= parts.size()) return std::nullopt;
    return parts[static_cast<std::size_t>(index)];
}

std::string UpperRight3(std::string_view text) {
    return ToUpperText(Utf8Suffix(text, 3));
}

// Mode 0: the first entry of the list whose fragments occur in the name wins;
// "ALL_FILES" catches everything, and an XML file takes the first entry.
std::optional<OfficeCode> FromOfficeList(const Settings& settings, std::string_view fileName) {
    const std::vector<std::string_view> pieces = SplitParts(settings.CuOption, "%");
    const std::string upperName = ToUpperText(fileName);
    const bool isXml = UpperRight3(fileName) == "XML";
    // The last piece is what follows the final "%": not an entry.
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        const std::vector<std::string_view> halves = SplitParts(pieces[i], "|");
        if (halves.size() < 2) return std::nullopt; // an entry without "|" spoils the list
        const std::string_view abbreviation = halves[0];
        bool matches = isXml || ToUpperText(abbreviation) == kAllFiles;
        for (std::string_view fragment : SplitParts(abbreviation, ";")) {
            if (matches) break;
            matches = upperName.find(ToUpperText(fragment)) != std::string::npos;
        }
        if (matches) return OfficeCode{std::string(halves[1]), std::string(fileName)};
    }
    return std::nullopt;
}

// Mode 1: level CuPosition of the folder below SourcePath (level 0 = first subfolder).
std::optional<OfficeCode> FromFolderStructure(const Settings& settings, std::string_view folderPath,
                                              std::string_view fileName) {
    const std::string relative = StripBackslash(RelativeFolder(settings.SourcePath, folderPath));
    const auto level = PartAt(SplitParts(relative, std::string(1, kPathSeparator)), settings.CuPosition);
    if (!level) return std::nullopt;
    return OfficeCode{std::string(*level), std::string(fileName)};
}

// Mode 2 without delimiter: 1-based character positions; a name of the kind
// "PE" + one more letter loses that letter unless it is I or U.
std::optional<OfficeCode> FromCharacterPositions(const Settings& settings, std::string_view fileName) {
    if (settings.CuPosition < 1 || settings.FileNamePos < 1) return std::nullopt;
    OfficeCode result{
        std::string(Utf8Mid(fileName, static_cast<std::size_t>(settings.CuPosition), kCodeLength)),
        std::string(Utf8Mid(fileName, static_cast<std::size_t>(settings.FileNamePos), kCharacterModeNameLength))};
    const std::string ending = UpperRight3(result.SendAs);
    if (ending.starts_with("PE") && !ending.ends_with('I') && !ending.ends_with('U')) {
        result.SendAs = std::string(Utf8Prefix(result.SendAs, kCutPeNameLength));
    }
    return result;
}

// Mode 2 with delimiter: parts numbered from 0; with "." as delimiter the part
// after the name is joined on again, since it is the name's extension.
std::optional<OfficeCode> FromDelimitedParts(const Settings& settings, std::string_view fileName) {
    const std::vector<std::string_view> parts = SplitParts(fileName, settings.Delimiter);
    const auto code = PartAt(parts, settings.CuPosition);
    const auto name = PartAt(parts, settings.FileNamePos);
    if (!code || !name) return std::nullopt;
    std::string sendAs(*name);
    if (settings.Delimiter == ".") {
        const auto extension = PartAt(parts, static_cast<long>(settings.FileNamePos) + 1);
        if (!extension) return std::nullopt;
        sendAs += "." + std::string(*extension);
    }
    return OfficeCode{std::string(*code), std::move(sendAs)};
}

std::optional<OfficeCode> Derive(const Settings& settings, std::string_view folderPath, std::string_view fileName) {
    switch (static_cast<CuModeKind>(settings.CuMode)) {
    case CuModeKind::OfficeList: return FromOfficeList(settings, fileName);
    case CuModeKind::FolderStructure: return FromFolderStructure(settings, folderPath, fileName);
    case CuModeKind::StructuredName:
        if (settings.Delimiter.empty()) return FromCharacterPositions(settings, fileName);
        return FromDelimitedParts(settings, fileName);
    }
    return std::nullopt;
}

bool IsBlank(char ch) {
    return ch == ' ';
}

} // namespace

OfficeCode DeriveOfficeCode(const Settings& settings, std::string_view folderPath, std::string_view fileName) {
    try {
        return Derive(settings, folderPath, fileName).value_or(OfficeCode{});
    } catch (const std::exception&) {
        return {};
    }
}

bool IsValidOfficeCode(std::string_view cuCode) {
    if (Utf8Length(cuCode) != kCodeLength) return false;
    std::string_view number = Utf8Suffix(cuCode, kCodeNumberLength);
    while (!number.empty() && IsBlank(number.front())) number.remove_prefix(1);
    while (!number.empty() && IsBlank(number.back())) number.remove_suffix(1);
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) number.remove_prefix(1);
    if (number.empty()) return false;
    for (char ch : number) {
        if (ch < '0' || ch > '9') return false;
    }
    return true; // at most six digits always fit a 32-bit integer
}

bool CheckOfficeCode(const std::string& cuCode, const std::string& sendAs, const FailureReporter& reporter) {
    if (sendAs.empty()) return false;
    try {
        if (IsValidOfficeCode(cuCode)) return true;
        FailureReport report = FailureReport::Message(msg::kOfficeCodeInvalid, ToUpperText(cuCode));
        report.icon = MessageIcon::Stop;
        report.notice = MessageText(msg::kOfficeCodeInvalid);
        reporter.ReportFailure(report);
    } catch (const std::exception& failure) {
        FailureReport report{kNoSystemErrorNumber, failure.what(), ToUpperText(cuCode), MessageIcon::Stop,
                             std::string(failure.what())};
        reporter.ReportFailure(report);
    }
    return false;
}

bool IsExcludedEnding(std::string_view sendAs) {
    static constexpr std::string_view kExcluded[] = {"DOK", "DDK", "SCD", "DLS", "LST", "EXE", "COM", "DLL", "VBS"};
    const std::string ending = UpperRight3(sendAs);
    for (std::string_view excluded : kExcluded) {
        if (ending == excluded) return true;
    }
    constexpr std::string_view kMiddle = "_012345678ABCDEFGHPTVW";
    constexpr std::string_view kLast = "12PY";
    return ending.size() == 3 && ending[0] == 'E' && kMiddle.find(ending[1]) != std::string_view::npos &&
           kLast.find(ending[2]) != std::string_view::npos;
}

} // namespace zumaset
