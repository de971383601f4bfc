#pragma once

#include "faults.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset::vansim {

// What the simulator does besides the plain protocol. The command line gives
// the starting values; the settings file in the data folder is read again on
// every request, so a test or a person can change behaviour while it runs.
struct SimSettings {
    int receiptDelaySeconds = 0;              // 0: a receipt is waiting as soon as a file is stored
    std::vector<std::string> refusedVersions; // client versions answered "CHYBA VERZE KLIENTA"; "*" = all
    std::vector<FaultRule> faults;            // first matching rule wins
    std::vector<std::string> listEntries;     // listed first to every declarant, whatever is waiting

    bool RefusesVersion(std::string_view version) const;
};

// The settings file: lines "receipt_delay = SECONDS", "refuse_version = VERSION",
// "fault = RULE" and "list_entry = ENTRY" (the last three may repeat), "#"
// starts a comment. The file's values go over the defaults: a receipt delay
// replaces, versions, rules and entries add.
// A missing file gives the defaults; a line that cannot be read is skipped and
// described in problems.
SimSettings LoadSimSettings(const std::filesystem::path& file, const SimSettings& defaults,
                            std::vector<std::string>& problems);

} // namespace zumaset::vansim
