// One client per settings file: the key, the runtime folder and the lock,
// with real second processes.
#include "platform/instance_lock.h"
#include "platform/instance_paths.h"

#include "runtime_dir_fixture.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zumaset {
namespace {

using test::RuntimeDirTest;

// Runs `body` in a child process and returns its exit status.
template <typename Body> int InChild(Body body) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST(InstanceKey, IsTheSameForEverySpellingOfAPath) {
    EXPECT_EQ(InstanceKey("/home/a/.config/zumaset/registry.reg"),
              InstanceKey("/home/a/./.config/x/../zumaset//registry.reg"));
    EXPECT_NE(InstanceKey("/home/a/registry.reg"), InstanceKey("/home/b/registry.reg"));
    EXPECT_EQ(InstanceKey("registry.reg"), InstanceKey(std::filesystem::current_path() / "registry.reg"));
}

using InstanceFolder = RuntimeDirTest;

TEST_F(InstanceFolder, IsCreatedOwnerOnlyUnderTheRuntimeDir) {
    RuntimeFolder folder = InstanceRuntimeFolder();
    ASSERT_EQ(folder.error, "");
    EXPECT_EQ(folder.path, runtime() / "zumaset");
    struct stat info {};
    ASSERT_EQ(::stat(folder.path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(InstanceFolder, RefusesAFolderOthersCanReachOrThatIsALink) {
    std::filesystem::create_directories(runtime() / "zumaset");
    ::chmod((runtime() / "zumaset").c_str(), 0755);
    EXPECT_NE(InstanceRuntimeFolder().error.find("other users"), std::string::npos);
    // Refused is not the same as held by another client: the caller is told why.
    std::string why;
    EXPECT_FALSE(InstanceLock::TryAcquire(settings(), &why));
    EXPECT_NE(why.find("other users"), std::string::npos) << why;

    std::filesystem::remove(runtime() / "zumaset");
    std::filesystem::create_directories(dir / "elsewhere");
    ::chmod((dir / "elsewhere").c_str(), 0700);
    std::filesystem::create_directory_symlink(dir / "elsewhere", runtime() / "zumaset");
    EXPECT_NE(InstanceRuntimeFolder().error.find("not a folder"), std::string::npos);
}

using InstanceLockTest = RuntimeDirTest;

TEST_F(InstanceLockTest, ASecondProcessFindsTheLockTakenUntilTheFirstLetsGo) {
    EXPECT_FALSE(InstanceLock::Running(settings()));
    std::optional<InstanceLock> first = InstanceLock::TryAcquire(settings());
    ASSERT_TRUE(first);
    EXPECT_TRUE(InstanceLock::Running(settings()));
    // 0: refused and seen running, as it should be.
    EXPECT_EQ(InChild([&] {
                  std::string why = "unchanged";
                  return !InstanceLock::TryAcquire(settings(), &why) && why.empty() && InstanceLock::Running(settings())
                             ? 0
                             : 1;
              }),
              0);
    // Another settings file is another client.
    EXPECT_EQ(InChild([&] { return InstanceLock::TryAcquire(dir / "other.reg") ? 0 : 1; }), 0);

    first.reset();
    EXPECT_FALSE(InstanceLock::Running(settings()));
    EXPECT_EQ(InChild([&] { return InstanceLock::TryAcquire(settings()) ? 0 : 1; }), 0);
}

TEST_F(InstanceLockTest, IsNotKeptByAProgramTheClientStarted) {
    std::optional<InstanceLock> lock = InstanceLock::TryAcquire(settings());
    ASSERT_TRUE(lock);
    // The pipe's write end closes at exec, so its end of file says the
    // child is no longer the forked copy that shares the lock.
    int started[2];
    ASSERT_EQ(::pipe2(started, O_CLOEXEC), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(started[1]);
    char byte;
    EXPECT_EQ(::read(started[0], &byte, 1), 0);
    ::close(started[0]);
    lock.reset(); // the client ends while the program it opened runs on
    EXPECT_FALSE(InstanceLock::Running(settings()));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace
} // namespace zumaset
