#pragma once

namespace zumaset {

// The passes a client runs: one send pass, one receive pass, or one full pass
// of the transfer cycle.
enum class PassKind { Send, Receive, Cycle };

} // namespace zumaset
