#pragma once

#include <functional>

namespace zumaset {

// Runs `job` on a thread of its own and waits for it on the UI thread: the
// windows go on painting under a wait cursor, while clicks and keys wait
// until the job has ended (nothing can start a second job meanwhile). An
// exception the job throws is thrown again here.
void RunWhileBusy(const std::function<void()>& job);

} // namespace zumaset
