#include "core/process_launcher.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace zumaset {

bool SpawnProcessLauncher::StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    // The arguments reach the program as positional parameters, never as shell text.
    std::vector<std::string> args = {"/bin/sh", "-c", "\"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
    args.insert(args.end(), argv.begin(), argv.end());
    std::vector<char*> pointers;
    pointers.reserve(args.size() + 1);
    for (auto& arg : args) pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    pid_t shell = 0;
    if (::posix_spawn(&shell, "/bin/sh", nullptr, nullptr, pointers.data(), environ) != 0) return false;
    int status = 0;
    while (::waitpid(shell, &status, 0) < 0) {
        if (errno != EINTR) return true; // already reaped elsewhere (SIGCHLD ignored)
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace zumaset
