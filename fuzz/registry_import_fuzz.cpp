// "zumasetctl config import" of an export file: UTF-16LE with its byte-order
// mark, UTF-8 or Windows-1250, checked and written into a fresh registry
// file. The file holds the fuzzer's bytes as they are; the registry file
// lives in a scratch folder and is removed before every run.
#include "app/ctl/config_command.h"
#include "core/registry_file.h"

#include "temp_dir.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zumaset;
    static const test::TempDir scratch;
    const auto exportFile = scratch.path() / "settings.reg";
    const auto registryFile = scratch.path() / "registry.reg";
    {
        std::ofstream out(exportFile, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) std::abort();
    }
    std::filesystem::remove(registryFile);

    RegistryFile registry(registryFile);
    std::ostringstream out;
    std::ostringstream err;
    ConfigCommand command(registry, out, err);
    const int status = command.Import(exportFile, false);
    // Whatever was imported must show again.
    if (status != 2) command.Show(true);
    return 0;
}
