#pragma once

#include "exchange/dial_up_gate.h"

namespace zumaset::test {

// Counts the transfers' requests for a line, answering with `connects`, and
// the hang-ups.
class CountingDialUpGate final : public DialUpGate {
public:
    bool EnsureDialUpConnection() override {
        ++calls;
        return connects;
    }
    void HangUp() override { ++hangUps; }
    int calls = 0;
    int hangUps = 0;
    bool connects = true;
};

} // namespace zumaset::test
