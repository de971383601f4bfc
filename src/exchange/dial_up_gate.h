#pragma once

namespace zumaset {

// Asked by every transfer before it goes on line when the computer reaches the
// internet by a dial-up line. Returns false when no line could be brought up;
// the gate has then reported the failure itself.
class DialUpGate {
public:
    virtual ~DialUpGate() = default;
    virtual bool EnsureDialUpConnection() = 0;
    // Drops the line this client brought up, if any; a failure is ignored.
    // The transfer cycle calls it at the end of receipt polling and after a
    // manual receive in dial-up mode.
    virtual void HangUp() {}
};

} // namespace zumaset
