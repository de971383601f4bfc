// The server's download list, entry by entry as a receive pass takes it:
// split into entries, each split into directory and name, decoded from
// Windows-1250, its name checked and its folder worked out against a register
// of sent files. The input is the register file's text, a NUL byte, then the
// list; without a NUL it is all list.
//
// Besides the sanitizers it checks the promise the receive pass relies on: a
// folder given for a safe name lies below the inbound or the data folder and
// has no level that leaves it.
#include "core/charset.h"
#include "core/mail_notice.h"
#include "core/settings.h"
#include "exchange/received_placement.h"
#include "outbound/receipt_register.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace zumaset;

constexpr std::string_view kInbound = "/srv/zumaset/Z_CU/";
constexpr std::string_view kData = "/srv/zumaset/data/";

bool StaysBelow(std::string_view folder, std::string_view root) {
    if (!folder.starts_with(root) || folder.back() != '/') return false;
    std::string_view rest = folder.substr(root.size());
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view level = rest.substr(0, slash);
        if (level.empty() || level == "." || level == "..") return false;
        rest.remove_prefix(slash + 1);
    }
    return true;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto nul = input.find('\0');
    const std::string_view registerText = nul == std::string_view::npos ? std::string_view{} : input.substr(0, nul);
    const std::string_view list = nul == std::string_view::npos ? input : input.substr(nul + 1);

    Settings settings;
    settings.User = "DEKL01";
    settings.SourcePath = "/srv/zumaset/Na_CU/";
    settings.RetValPath = std::string(kInbound);
    settings.RunMode = !list.empty() && (list.size() & 1) != 0;

    ReceiptRegister sent;
    const auto records = ParseRegisterText(registerText, [](std::size_t, std::string_view) {});
    for (const auto& record : records) sent.Add(record.SendAs, record.PathName, record.CuCode, record.SendTime);

    DroppedMailNotices mail;
    const PlacementContext context{settings, sent, mail, std::string(kData)};
    for (const std::string_view rawEntry : SplitDownloadList(list)) {
        Check(!rawEntry.empty() && rawEntry.find('#') == std::string_view::npos);
        const DownloadEntry raw = SplitDownloadEntry(rawEntry);
        Check(raw.dir.size() + raw.name.size() == rawEntry.size());
        const auto name = Cp1250ToUtf8(raw.name);
        const auto dir = Cp1250ToUtf8(raw.dir);
        if (!name || !dir || !IsSafeReceivedName(*name)) continue;
        const auto folder = PlaceReceivedFile(context, *dir, *name);
        if (folder) Check(StaysBelow(*folder, kInbound) || StaysBelow(*folder, kData));
    }
    return 0;
}
