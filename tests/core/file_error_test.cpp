#include "core/file_error.h"
#include "core/system_error_text.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace zumaset {
namespace {

struct ErrnoRow {
    std::string name;
    int error;
    long code;
};
void PrintTo(const ErrnoRow& row, std::ostream* os) {
    *os << row.name;
}

class FileErrorCodes : public ::testing::TestWithParam<ErrnoRow> {};

// A read error must never read as "access denied" (errno 5 is Windows' 5),
// and every code has a text in the file reports and in the system-error report.
TEST_P(FileErrorCodes, MapToTheCodesTheLogsShow) {
    EXPECT_EQ(FileErrorCode(GetParam().error), GetParam().code);
    EXPECT_FALSE(FileErrorText(GetParam().code).empty());
    EXPECT_FALSE(SystemErrorText(GetParam().code).empty());
}

INSTANTIATE_TEST_SUITE_P(Errors, FileErrorCodes,
                         ::testing::Values(ErrnoRow{"NotAFolder", ENOTDIR, 3}, ErrnoRow{"NotAllowed", EPERM, 5},
                                           ErrnoRow{"ReadError", EIO, kFileIoError},
                                           ErrnoRow{"Link", ELOOP, kLinkNotFollowed},
                                           ErrnoRow{"DiskFull", ENOSPC, ENOSPC}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace zumaset
