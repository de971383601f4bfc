#pragma once

#include "core/failure_report.h"
#include "exchange/dial_up_gate.h"

namespace zumaset {

// The dial-up gate of a build without dial-up support: a transfer asked to go
// on line by a dial-up line reports, as a failed dial does, and does nothing.
class NoDialUpSupport final : public DialUpGate {
public:
    explicit NoDialUpSupport(const FailureReporter& reporter) : reporter_(reporter) {}
    bool EnsureDialUpConnection() override;

    // The number the report carries: a dial-up entry that cannot be used.
    static constexpr long kErrorNumber = 623;

private:
    const FailureReporter& reporter_;
};

} // namespace zumaset
