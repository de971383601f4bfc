#include "core/process_launcher.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace zumaset {
namespace {

TEST(SpawnProcessLauncher, ReturnsAtOnceAndLeavesNoChildBehind) {
    SpawnProcessLauncher launcher;
    EXPECT_TRUE(launcher.StartDetached({"true", "an argument with \"quotes\" and $(no expansion)"}));
    // The short-lived shell has been reaped and the program belongs to the system.
    int status = 0;
    errno = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

} // namespace
} // namespace zumaset
