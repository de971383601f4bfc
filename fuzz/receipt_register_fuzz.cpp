// The register of sent files as read back at start-up: CR LF lines of
// "name#folder#office#date", read from both ends, then searched for the file
// a received reply answers and for overdue receipts.
//
// Besides the sanitizers it checks that every record read writes out to a
// line that reads back to the same record: a register saved and loaded again
// must route replies exactly as before.
#include "outbound/receipt_register.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <tuple>

namespace {

bool Same(const zumaset::RegisterRecord& a, const zumaset::RegisterRecord& b) {
    return std::tie(a.SendAs, a.PathName, a.CuCode, a.SendTime) == std::tie(b.SendAs, b.PathName, b.CuCode, b.SendTime);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zumaset;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::size_t lastBad = 0;
    const auto records = ParseRegisterText(text, [&](std::size_t line, std::string_view) {
        if (line <= lastBad) std::abort();
        lastBad = line;
    });

    ReceiptRegister sent;
    std::string saved;
    for (const auto& record : records) {
        const std::string line = FormatRegisterLine(record);
        const auto reread = ParseRegisterLine(line);
        if (!reread || !Same(*reread, record)) std::abort();
        saved += line + "\r\n";
        sent.Add(record.SendAs, record.PathName, record.CuCode, record.SendTime);
    }
    const auto again = ParseRegisterText(saved, [](std::size_t, std::string_view) { std::abort(); });
    if (again.size() != records.size()) std::abort();

    // Every record's own name and office find a record, in both operations.
    for (const auto& record : records) {
        for (const bool runMode : {false, true}) {
            if (sent.FindSentRecord(record.CuCode, record.SendAs, runMode) == nullptr && NameBase(record.SendAs))
                std::abort();
            sent.FindSentRecord({}, record.SendAs, runMode);
        }
    }
    if (!records.empty()) {
        sent.FindOverdueReceipts(records.front().SendTime + std::chrono::hours(1));
        sent.ExpireRegister(records.back().SendTime);
    }
    return 0;
}
