#include "outbound/file_error_code.h"

#include <cerrno>

#include "core/system_error_text.h"

namespace zumaset {

long FileErrorCode(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return fileerr::kFileNotFound;
    case ENOTDIR:
        return fileerr::kPathNotFound;
    case EACCES:
    case EPERM:
        return fileerr::kAccessDenied;
    case EIO:
        return kFileIoError;
    default:
        return errnoValue;
    }
}

} // namespace zumaset
