#include "platform/program_run.h"

#include "core/unique_fd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zumaset {

namespace {

using Clock = std::chrono::steady_clock;

// Owns the spawn attributes and file actions for one start.
class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawnattr_init(&attr_);
        ::posix_spawn_file_actions_init(&actions_);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawnattr_t attr_{};
    posix_spawn_file_actions_t actions_{};
};

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> merged;
    auto name = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view current(*entry);
        bool replaced = false;
        for (const auto& change : changes) replaced = replaced || name(change) == name(current);
        if (!replaced) merged.emplace_back(current);
    }
    merged.insert(merged.end(), changes.begin(), changes.end());
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Reads what is there; false at the end of the stream or on an error.
bool Drain(int fd, std::string& into) {
    std::array<char, 4096> buffer{};
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got < 0) return errno == EINTR || errno == EAGAIN;
    if (got == 0) return false;
    const std::size_t room = ProgramRun::kCapturedBytes - std::min(into.size(), ProgramRun::kCapturedBytes);
    into.append(buffer.data(), std::min(static_cast<std::size_t>(got), room));
    return true;
}

// Reads both streams until both end or the deadline passes; false at the deadline.
bool ReadUntilEnd(UniqueFd& out, UniqueFd& err, ProgramRun& run, Clock::time_point deadline) {
    while (out.valid() || err.valid()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        std::array<pollfd, 2> fds{pollfd{out.get(), POLLIN, 0}, pollfd{err.get(), POLLIN, 0}};
        const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        if (fds[0].revents != 0 && !Drain(out.get(), run.out)) out.reset();
        if (fds[1].revents != 0 && !Drain(err.get(), run.err)) err.reset();
    }
    return true;
}

// The wait status, or -1 when it was collected elsewhere (SIGCHLD ignored).
int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

// Waits for the end until the deadline; false when it is still running then.
bool WaitUntil(pid_t pid, Clock::time_point deadline, int& status) {
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) {
            status = -1;
            return true;
        }
        if (Clock::now() >= deadline) return false;
        ::usleep(10'000);
    }
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                      std::chrono::milliseconds timeout) {
    ProgramRun run;
    if (argv.empty()) {
        run.startError = EINVAL;
        return run;
    }
    const auto deadline = Clock::now() + timeout;
    std::array<int, 2> outPipe{-1, -1};
    std::array<int, 2> errPipe{-1, -1};
    if (::pipe2(outPipe.data(), O_CLOEXEC) != 0) {
        run.startError = errno;
        return run;
    }
    UniqueFd outRead(outPipe[0]);
    UniqueFd outWrite(outPipe[1]);
    if (::pipe2(errPipe.data(), O_CLOEXEC) != 0) {
        run.startError = errno;
        return run;
    }
    UniqueFd errRead(errPipe[0]);
    UniqueFd errWrite(errPipe[1]);

    SpawnSetup setup;
    ::posix_spawn_file_actions_addopen(&setup.actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&setup.actions_, outWrite.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&setup.actions_, errWrite.get(), STDERR_FILENO);
    // Nothing else this process holds open reaches the program.
    ::posix_spawn_file_actions_addclosefrom_np(&setup.actions_, STDERR_FILENO + 1);
    // Its own process group, so the deadline can end everything it started;
    // no blocked signals, and the ones a program expects to end it at their defaults.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
    ::posix_spawnattr_setpgroup(&setup.attr_, 0);
    ::posix_spawnattr_setsigmask(&setup.attr_, &none);
    ::posix_spawnattr_setsigdefault(&setup.attr_, &defaults);
    ::posix_spawnattr_setflags(&setup.attr_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = MergedEnvironment(environment);
    auto argPointers = Pointers(args);
    auto envPointers = Pointers(env);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawnp(&pid, args[0].c_str(), &setup.actions_, &setup.attr_, argPointers.data(), envPointers.data());
    if (spawned != 0) {
        run.startError = spawned;
        return run;
    }
    outWrite.reset();
    errWrite.reset();

    int status = 0;
    const bool ended = ReadUntilEnd(outRead, errRead, run, deadline) && WaitUntil(pid, deadline, status);
    if (!ended) {
        ::kill(-pid, SIGKILL);
        WaitFor(pid);
    }
    if (!ended) {
        run.end = ProgramRun::End::TimedOut;
    } else if (status != -1 && WIFEXITED(status)) {
        run.end = ProgramRun::End::Exited;
        run.exitStatus = WEXITSTATUS(status);
    } else if (status != -1 && WIFSIGNALED(status)) {
        run.end = ProgramRun::End::Signalled;
        run.signal = WTERMSIG(status);
    } else {
        // Its status was collected elsewhere (SIGCHLD ignored): the outcome is unknown.
        run.end = ProgramRun::End::Exited;
        run.exitStatus = 1;
    }
    return run;
}

} // namespace zumaset
