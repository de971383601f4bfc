#pragma once

#include "exchange/dial_up_gate.h"

namespace zumaset::test {

// Counts the transfers' requests for a line and answers with `connects`.
class CountingDialUpGate final : public DialUpGate {
public:
    bool EnsureDialUpConnection() override {
        ++calls;
        return connects;
    }
    int calls = 0;
    bool connects = true;
};

} // namespace zumaset::test
