#include "core/file_error.h"

#include "core/system_error_text.h"

#include <cerrno>

namespace zumaset {

long FileErrorCode(int errnoValue) {
    switch (errnoValue) {
    case ENOENT: return fileerr::kFileNotFound;
    case ENOTDIR: return fileerr::kPathNotFound;
    case EACCES:
    case EPERM: return fileerr::kAccessDenied;
    case EIO: return kFileIoError;
    case ELOOP: return kLinkNotFollowed;
    default: return errnoValue;
    }
}

std::string FileErrorText(long code) {
    switch (code) {
    case kFileIoError: return "Chyba vstupu nebo výstupu při práci se souborem.";
    case kLinkNotFollowed: return "Symbolický odkaz se nesleduje.";
    default: return SystemErrorText(code);
    }
}

} // namespace zumaset
