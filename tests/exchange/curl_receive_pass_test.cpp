// The receive pass over the real transport against replies that never end,
// drip, or end without the TLS end signal: what is cut off is reported, not
// stored and not acknowledged, and the rest of the list still comes.
#include "core/client_model.h"
#include "exchange/curl_handles.h"
#include "exchange/curl_transport.h"
#include "exchange/download.h"
#include "outbound/receipt_register.h"

#include "counting_dial_up_gate.h"
#include "session_fixture.h"
#include "vansim_process.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace zumaset {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kCut = "DEKL01\\CZ510201\\CUT.POT";
constexpr const char* kNext = "DEKL01\\CZ510201\\NEXT.POT";

struct CutCase {
    const char* name;
    const char* rule;                          // the simulator's fault rule
    std::int32_t maxFileMiB;                   // the MaxFileSize setting
    bool stored;                               // CUT.POT stored and acknowledged
    const char* errorLine;                     // expected in the error log, empty for none
    bool nextFetched;                          // NEXT.POT still comes in the same pass
    std::size_t bytes = 2 * 1024 * 1024 + 100; // the size of CUT.POT
    friend void PrintTo(const CutCase& c, std::ostream* out) { *out << c.name; }
};

class ReceivePassCut : public test::SessionFixture, public ::testing::WithParamInterface<CutCase> {
protected:
    ReceivePassCut() : view(clock) {
        settings.Pass = "heslo";
        settings.RetValPath = (dir / "in").string() + "/";
        settings.SourcePath = (dir / "out").string() + "/";
        vansim.AddAccount(settings.User, settings.Pass);
        options.caFolder = dir / "ca";
        fs::create_directories(options.caFolder);
        fs::copy_file(vansim.caPath(), options.caFolder / "vansim.pem");
        options.systemProxy = SystemProxy{};
        // Short enough for a test; a drip of a byte every 50 ms outlives it.
        options.limits.deadline = 1500ms;
    }

    void RunPass() {
        CurlTransport transport(options);
        ServerSession session(transport, settings, registry, logs, reporter);
        session.Open();
        DownloadContext context{
            session, settings, logs, reporter, view, sent, dialUp, mail, (dir / "data").string() + "/"};
        GetRemoteFile(context, vansim.host());
    }

    CurlGlobal curl;
    test::VansimProcess vansim;
    CurlTransportOptions options;
    ClientModel view;
    ReceiptRegister sent;
    test::CountingDialUpGate dialUp;
};

TEST_P(ReceivePassCut, StoresAndAcknowledgesOnlyWholeFiles) {
    const CutCase& c = GetParam();
    settings.MaxFileSize = c.maxFileMiB;
    const std::string content(c.bytes, 'c');
    vansim.AddWaitingFile(kCut, content);
    vansim.AddWaitingFile(kNext, "next");
    vansim.AddFaultRule(c.rule);
    RunPass();

    const fs::path stored = fs::path(settings.RetValPath) / "CUT.POT";
    EXPECT_EQ(fs::exists(stored), c.stored);
    if (c.stored) {
        EXPECT_TRUE(test::ReadFileBytes(stored) == content);
    }
    EXPECT_EQ(fs::exists(vansim.DeliveredFile(kCut)), c.stored);
    EXPECT_EQ(fs::exists(vansim.WaitingFile(kCut)), !c.stored);
    const std::string errors = Log("Error.log");
    if (*c.errorLine != '\0') {
        EXPECT_NE(errors.find(c.errorLine), std::string::npos) << errors;
    } else {
        EXPECT_EQ(errors, "");
    }
    EXPECT_EQ(fs::exists(vansim.DeliveredFile(kNext)), c.nextFetched);
    // Nothing half-written stays behind in the inbound folder.
    std::size_t files = 0;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(settings.RetValPath, ec)) files += item.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, (c.stored ? 1u : 0u) + (c.nextFetched ? 1u : 0u));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReceivePassCut,
    ::testing::Values(CutCase{"NoLengthWithEndSignal", "download_down.asp no-length file=CUT.POT", 0, true, "", true},
                      CutCase{"NoLengthWithoutEndSignal", "download_down.asp no-length-no-notify file=CUT.POT", 0,
                              false, "[12030] *** Operace přerušena - vypršel časový limit", true},
                      CutCase{"LongerThanTheSetting", "download_down.asp endless file=CUT.POT", 2, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", true},
                      CutCase{"WithinTheSetting", "download_down.asp status 200 file=OTHER", 3, true, "", true},
                      CutCase{"OverTheSettingWithALength", "download_down.asp status 200 file=OTHER", 1, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", true},
                      CutCase{"OverTheDefaultWithoutASetting", "download_down.asp status 200 file=OTHER", 0, true, "",
                              true, 9 * 1024 * 1024},
                      CutCase{"Dripping", "download_down.asp drip 50 file=CUT.POT", 0, false,
                              "[12002] *** Operace přerušena - vypršel časový limit", true},
                      CutCase{"EndlessList", "download_list.asp endless", 0, false,
                              "[223] *** Operace přerušena - odpověď serveru je delší, než je povoleno", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
