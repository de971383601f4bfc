// A whole receive pass against a scripted server: the list page, every fetch
// and every acknowledgement answered from the input, which is the list
// reply, a NUL byte, the reply to every fetch, a NUL byte and the reply to
// every acknowledgement. The pass runs in a fresh folder each time.
//
// Besides the sanitizers it checks where the pass wrote: received files only
// below the inbound folder and the data folder, logs only in the log folder,
// nothing anywhere else, whatever names and directories the list gives.
#include "core/client_model.h"
#include "core/clock.h"
#include "core/failure_report.h"
#include "core/logs.h"
#include "core/registry_document.h"
#include "core/settings.h"
#include "exchange/download.h"
#include "exchange/server_session.h"
#include "outbound/receipt_register.h"

#include "counting_dial_up_gate.h"
#include "fake_transport.h"
#include "recording_sinks.h"
#include "temp_dir.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace {

using namespace zumaset;
namespace fs = std::filesystem;

bool Below(const fs::path& file, const fs::path& folder) {
    const auto relative = file.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

// The next piece of the input up to a NUL byte (or its end).
std::string_view Piece(std::string_view& input) {
    const auto nul = input.find('\0');
    const std::string_view piece = input.substr(0, nul);
    input.remove_prefix(nul == std::string_view::npos ? input.size() : nul + 1);
    return piece;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const test::TempDir scratch;
    const fs::path run = scratch.path() / "run";
    std::error_code ignored;
    fs::remove_all(run, ignored);
    const fs::path inbound = run / "in" / "deep";
    const fs::path information = run / "data";
    const fs::path logFolder = run / "logs";
    fs::create_directories(inbound);
    fs::create_directories(run / "out");

    std::string_view input(reinterpret_cast<const char*>(data), size);
    test::FakeTransport transport;
    transport.AddReply(std::string(kListPage), {200, std::string(Piece(input))});
    transport.AddReply("/secure/activex_download/download_down.asp", {200, std::string(Piece(input))});
    transport.AddReply("/secure/activex_download/download_move.asp", {200, std::string(input)});
    transport.AddReply("/secure/activex_download/testing.asp",
                       {200, "<html>\r\n<body>\r\nTESTING SERVER RLK OK\r\n</body>\r\n</html>\r\n"});

    Settings settings;
    settings.User = "DEKL01";
    settings.Pass = "heslo";
    settings.RetValPath = inbound.string() + "/";
    settings.SourcePath = (run / "out").string() + "/";
    settings.LogsPath = logFolder.string() + "/";
    settings.ErrLogPath = settings.LogsPath;
    settings.ConLogPath = settings.LogsPath;
    settings.WriteLogFile = true;
    settings.WriteDebugLog = true;
    SystemClock clock;
    RegDocument registry;
    const Logs logs(settings, clock, information);
    test::RecordingMessageBoxes boxes;
    DroppedMailNotices mail;
    const FailureReporter reporter(settings, logs, boxes, mail, "zumaset");
    ServerSession session(transport, settings, registry, logs, reporter);
    session.Open();
    ClientModel view(clock);
    ReceiptRegister sent;
    sent.Add("RE1234.001", settings.SourcePath + "PRAHA/", "CZ510201", clock.Now());
    test::CountingDialUpGate dialUp;
    DownloadContext context{session, settings, logs, reporter, view, sent, dialUp, mail, information.string() + "/"};
    GetRemoteFile(context, "van.example.cz");

    for (const auto& item : fs::recursive_directory_iterator(scratch.path())) {
        if (item.is_directory()) continue;
        const fs::path& file = item.path();
        if (!Below(file, inbound) && !Below(file, information) && !Below(file, logFolder)) std::abort();
    }
    return 0;
}
