#include "shell/cycle_record.h"

namespace zumaset {

std::optional<std::chrono::milliseconds> ReceiptPollingInterval(bool serviceStarted, const Settings& settings) {
    constexpr std::chrono::milliseconds kReceiptPolling{30000};
    if (serviceStarted || settings.OnLineMode) return std::nullopt;
    return kReceiptPolling;
}

} // namespace zumaset
