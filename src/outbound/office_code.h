#pragma once

#include "core/failure_report.h"
#include "core/settings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zumaset {

// Where CuCode comes from (the CuMode setting); other values give no code.
enum class CuModeKind : std::int16_t { OfficeList = 0, FolderStructure = 1, StructuredName = 2 };

// The customs office code of a file and the name it is sent under. Both are
// empty when no code could be found.
struct OfficeCode {
    std::string CuCode;
    std::string SendAs;

    bool operator==(const OfficeCode&) const = default;
};

// Works out CuCode and SendAs for the file folderPath + fileName by the mode
// in CuMode: the customs office list (CuOption), one level of the folder below
// SourcePath (CuPosition), or a part of a structured file name (CuPosition,
// FileNamePos, Delimiter). Silent: any failure gives two empty texts.
OfficeCode DeriveOfficeCode(const Settings& settings, std::string_view folderPath, std::string_view fileName);

// True when a code has exactly 8 characters and its last 6 read as a number
// (blanks around it and a sign allowed, nothing else).
bool IsValidOfficeCode(std::string_view cuCode);

// Checks a derived code. An empty sendAs is false without a word; an invalid
// code is reported with message 908 (box, error-log line, mail) and is false.
bool CheckOfficeCode(const std::string& cuCode, const std::string& sendAs, const FailureReporter& reporter);

// True for names that are never sent: the last three characters, upper-cased,
// are E + one of "_0-8A-HPTVW" + one of "12PY", or one of DOK DDK SCD DLS LST
// EXE COM DLL VBS. Looks at the last three characters, not at an extension.
bool IsExcludedEnding(std::string_view sendAs);

} // namespace zumaset
