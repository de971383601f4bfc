#pragma once

#include "platform/nmcli.h"

namespace zumaset {

// The connection-state flags the configuration dialog asks about.
namespace connection_flag {
inline constexpr int kModem = 1;
inline constexpr int kLan = 2;
inline constexpr int kProxy = 4;
inline constexpr int kRasInstalled = 16;
inline constexpr int kOffline = 32;
inline constexpr int kConfigured = 64;
} // namespace connection_flag

// Tests one flag of the computer's connection state: kRasInstalled is set
// when NetworkManager answers (dial-up lines can be used), kLan when a network
// interface other than the loopback is up. The other known flags read as not
// set. Gives the flag itself when it is set (1 for kModem), 0 when not, -1
// for a number that is not a flag.
int ConnectionStateFlag(int flag, const Nmcli& nmcli = Nmcli{});

// Whether NetworkManager answers: nmcli reports it running.
bool NetworkManagerRunning(const Nmcli& nmcli = Nmcli{});
// Whether a network interface other than the loopback is up.
bool NonLoopbackInterfaceUp();

} // namespace zumaset
