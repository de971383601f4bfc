// The simulator's form parser and the pages that read its fields. The first
// byte chooses the page, the rest is the request body, form fields in
// Windows-1250 as the client sends them. "{crc}" in the body stands for the
// checksum of its FileData field, so that uploads get past the checksum to
// the digits, the names and the store.
#include "data_store.h"
#include "digits.h"
#include "pages.h"
#include "sim_settings.h"
#include "temp_dir.h"
#include "wire_text.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace {

using namespace zumaset::vansim;

std::string WithChecksum(std::string_view body) {
    std::string text(body);
    const auto fields = ParseFormBody(body);
    const std::string* fileData = FindField(fields, "FileData");
    const std::string crc = ChunkCrcText(fileData != nullptr ? *fileData : std::string());
    for (auto at = text.find("{crc}"); at != std::string::npos; at = text.find("{crc}", at + crc.size())) {
        text.replace(at, 5, crc);
    }
    return text;
}

struct Simulator {
    zumaset::test::TempDir scratch;
    DataStore store{scratch.path()};
    Pages pages{store};
    SimSettings settings;
    int runs = 0;

    Simulator() {
        std::ofstream(scratch.path() / "accounts.txt") << "DEKL01:heslo:xml\nNOXML:heslo:-\n";
        settings.listEntries = {"DEKL01\\CZ510201\\RE1234.001"};
    }

    // Uploads fill the store; it is emptied now and then so that a long run
    // does not fill the disk.
    void Tidy() {
        if (++runs % 1000 != 0) return;
        for (const char* folder : {"received", "partial", "outbox", "scheduled", "delivered"}) {
            std::error_code ignored;
            std::filesystem::remove_all(scratch.path() / folder, ignored);
            std::filesystem::create_directories(scratch.path() / folder, ignored);
        }
    }
};

Simulator& Sim() {
    static Simulator sim;
    return sim;
}

void Page(std::uint8_t choice, const std::string& body) {
    Simulator& sim = Sim();
    switch (choice % 8) {
    case 0: sim.pages.Upload("upload_prg.asp", UploadKind::Text, body, sim.settings); break;
    case 1: sim.pages.Upload("upload_prov.asp", UploadKind::Xml, body, sim.settings); break;
    case 2: sim.pages.WrongCrc("upload_prg.asp", UploadKind::Text, body); break;
    case 3: sim.pages.WrongCrc("upload_prov.asp", UploadKind::Xml, body); break;
    case 4: sim.pages.DownloadList(body, sim.settings); break;
    case 5: sim.pages.DownloadFetch(body); break;
    case 6: sim.pages.DownloadAcknowledge(body); break;
    default: DecodeDecimalDigits(body), DecodeHexDigits(body); break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Simulator& sim = Sim();
    if (size == 0) return 0;
    const std::string body = WithChecksum(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    SubjectOf(body);
    // The server answers 500 when the disk refuses a name (one longer than a
    // folder entry may be, say), as it does for any failure of its own;
    // every other exception is a fault of the page.
    try {
        Page(data[0], body);
    } catch (const std::filesystem::filesystem_error&) {}
    sim.Tidy();
    return 0;
}
