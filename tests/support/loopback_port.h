#pragma once

#include <chrono>

namespace zumaset::test {

// A TCP port on 127.0.0.1 that nothing listens on at the moment of asking.
int FreeLoopbackPort();

// True once something accepts connections on 127.0.0.1:port; polls for at
// most `patience` (a readiness wait, not a timing assertion).
bool WaitForListener(int port, std::chrono::milliseconds patience);

} // namespace zumaset::test
