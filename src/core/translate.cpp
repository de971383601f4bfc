#include "core/translate.h"

#include <cstdarg>
#include <cstdio>
#include <libintl.h>

namespace zumaset {

const char* Tr(const char* english) {
    return ::dgettext(kCtlTextDomain, english);
}

const char* TrN(const char* singular, const char* plural, unsigned long n) {
    return ::dngettext(kCtlTextDomain, singular, plural, n);
}

std::string FormatText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}

} // namespace zumaset
