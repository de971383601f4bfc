// The upload's judging of the server's answers: a one-chunk file of either
// kind is sent to a scripted server whose every reply to the upload page is
// the input less its first byte (which chooses the kind). "{crc}" in the
// reply stands for the checksum the client sent with the chunk, so that the
// XML kind's confirmation can be met.
//
// Besides the sanitizers it checks that no answer but the confirming one is
// taken as success: "OK" for the text kind, the chunk's checksum for the XML
// kind, in the framed text of the reply.
#include "core/charset.h"
#include "core/clock.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/registry_document.h"
#include "core/settings.h"
#include "core/upper_case.h"
#include "exchange/body_text.h"
#include "exchange/upload.h"
#include "outbound/receipt_register.h"

#include "counting_dial_up_gate.h"
#include "fake_transport.h"
#include "recording_cycle_events.h"
#include "recording_sinks.h"
#include "temp_dir.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace {

using namespace zumaset;
namespace fs = std::filesystem;

// The value of one field of a form body the client posted.
std::string FormField(std::string_view body, std::string_view name) {
    const std::string key = "&" + std::string(name) + "=";
    const auto at = body.find(key);
    if (at == std::string_view::npos) return {};
    const auto from = at + key.size();
    return std::string(body.substr(from, body.find('&', from) - from));
}

// The answer word as the upload reads it, when the reply frames one.
std::optional<std::string> Word(std::string_view reply) {
    const auto text = GetBodyText(reply);
    if (!text) return std::nullopt;
    return ToUpperText(Cp1250ToUtf8(*text).value_or(*text));
}

struct Outbound {
    test::TempDir scratch;
    std::string folder = (scratch.path() / "Na_CU").string() + "/";

    Outbound() {
        fs::create_directories(folder);
        std::ofstream(folder + "RE1234.001", std::ios::binary) << "HLAVICKA;CZ510201;1\r\nPOLOZKA;1;\xe8\xe1stka\r\n";
        std::ofstream(folder + "ZPRAVA.XML", std::ios::binary)
            << "<?xml version=\"1.0\"?>\r\n<zprava>\xe8</zprava>\r\n";
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Outbound outbound;
    if (size == 0) return 0;
    const bool xml = (data[0] & 1) != 0;
    const std::string name = xml ? "ZPRAVA.XML" : "RE1234.001";
    const std::string_view reply(reinterpret_cast<const char*>(data) + 1, size - 1);

    // The logs of one run only, so that a long run does not fill the disk.
    const fs::path logFolder = outbound.scratch.path() / "logs";
    std::error_code ignored;
    fs::remove_all(logFolder, ignored);

    Settings settings;
    settings.LogsPath = settings.ErrLogPath = settings.ConLogPath = logFolder.string() + "/";
    settings.User = "DEKL01";
    settings.Pass = "heslo";
    settings.SourcePath = outbound.folder;
    settings.ServerTxt = settings.ServerXml = "van.example.cz";
    const std::string page(UploadPage(xml ? FileKind::Xml : FileKind::Text, false));
    SystemClock clock;
    RegDocument registry;
    const Logs logs(settings, clock, outbound.scratch.path());
    test::RecordingMessageBoxes boxes;
    DroppedMailNotices mail;
    const FailureReporter reporter(settings, logs, boxes, mail, "zumaset");
    test::RecordingCycleEvents cycle;
    ReceiptRegister sent;
    test::CountingDialUpGate dialUp;

    // The checksum the chunk goes with, learnt from a first send.
    static const std::string crc = [&] {
        test::FakeTransport probe;
        probe.AddReply(page, {200, "<body>\r\nno\r\n</body>"});
        ServerSession session(probe, settings, registry, logs, reporter);
        session.Open();
        const UploadContext context{session, settings, logs, reporter, cycle, sent, dialUp, clock};
        SendFile(context, outbound.folder, "ZPRAVA.XML", "DEKL01", "ZPRAVA.XML");
        for (const auto& request : probe.sent()) {
            if (request.page == UploadPage(FileKind::Xml, false)) return FormField(request.body, "FileCrc");
        }
        std::abort();
    }();
    std::string scripted(reply);
    for (auto at = scripted.find("{crc}"); at != std::string::npos; at = scripted.find("{crc}", at + crc.size()))
        scripted.replace(at, 5, crc);

    test::FakeTransport transport;
    transport.AddReply(page, {200, scripted});
    ServerSession session(transport, settings, registry, logs, reporter);
    session.Open();
    const UploadContext context{session, settings, logs, reporter, cycle, sent, dialUp, clock};
    const bool accepted = SendFile(context, outbound.folder, name, xml ? "DEKL01" : "CZ510201", name);
    if (accepted && Word(scripted) != (xml ? crc : std::string("OK"))) std::abort();
    return 0;
}
