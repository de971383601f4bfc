#include "core/unique_fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <utility>

namespace zumaset {
namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(UniqueFdTest, ClosesWhatItOwnsOnceAndOnlyThat) {
    int raw = -1;
    {
        UniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        raw = fd.get();
        UniqueFd moved(std::move(fd));
        EXPECT_FALSE(fd.valid());
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));
    UniqueFd kept(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    raw = kept.release();
    EXPECT_TRUE(IsOpen(raw));
    kept.reset(raw);
    EXPECT_EQ(kept.Close(), 0);
    EXPECT_FALSE(IsOpen(raw));
}

} // namespace
} // namespace zumaset
