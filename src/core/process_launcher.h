#pragma once

#include <string>
#include <vector>

namespace zumaset {

// Starts another program without waiting for it.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // argv[0] is looked up on PATH. False when the program could not be started.
    virtual bool StartDetached(const std::vector<std::string>& argv) = 0;
};

// Starts the program in the background of a short-lived shell, which ends at
// once and is reaped here; the program itself is adopted by the system, so no
// zombie is left behind and nothing waits for the program to end. Its standard
// streams go to /dev/null.
class SpawnProcessLauncher final : public ProcessLauncher {
public:
    bool StartDetached(const std::vector<std::string>& argv) override;
};

} // namespace zumaset
