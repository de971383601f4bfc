// The registry file as the client reads it at every start and before every
// change: REGEDIT4-style UTF-8 text, parsed line by line, then the settings
// loaded from it.
//
// Besides the sanitizers it checks what every rewrite relies on: the text the
// client writes reads back to the same content (writing it again gives the
// same text), and settings loaded from any file, once saved, load again equal.
#include "core/registry_document.h"
#include "core/settings.h"
#include "core/settings_store.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zumaset;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    RegParseReport report;
    RegDocument doc = RegDocument::Parse(text, &report);
    if (report.damagedLines > 0 && report.firstDamagedLine == 0) std::abort();

    const std::string written = doc.Serialize();
    RegParseReport again;
    const RegDocument reread = RegDocument::Parse(written, &again);
    if (again.damagedLines != 0 || reread.Serialize() != written) std::abort();

    Settings loaded;
    LoadSettings(loaded, doc);
    RegDocument saved;
    SaveSettings(loaded, saved);
    Settings check;
    LoadSettings(check, saved);
    if (!(check == loaded)) std::abort();
    return 0;
}
