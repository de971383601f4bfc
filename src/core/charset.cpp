#include "core/charset.h"

#include <cerrno>
#include <iconv.h>

namespace zumaset {

namespace {

// One iconv descriptor for the length of one conversion.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

std::optional<std::string> Convert(std::string_view input, const char* to, const char* from) {
    IconvHandle cd(to, from);
    if (!cd.valid()) return std::nullopt;
    std::string out;
    out.resize(input.size() * 4 + 16);
    // iconv's interface is not const-correct; it only reads from the input.
    char* inPtr = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t produced = 0;
    while (true) {
        char* outPtr = out.data() + produced;
        std::size_t outLeft = out.size() - produced;
        const std::size_t rc = iconv(cd.get(), inLeft ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
        produced = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        return std::nullopt; // EILSEQ or EINVAL: a character with no form, or a cut sequence
    }
    out.resize(produced);
    return out;
}

} // namespace

std::optional<std::string> Utf8ToCp1250(std::string_view utf8) {
    return Convert(utf8, "CP1250", "UTF-8");
}
std::optional<std::string> Cp1250ToUtf8(std::string_view cp1250) {
    return Convert(cp1250, "UTF-8", "CP1250");
}
std::optional<std::string> Utf16LeToUtf8(std::string_view utf16le) {
    return Convert(utf16le, "UTF-8", "UTF-16LE");
}
std::optional<std::string> Utf8ToUtf16Le(std::string_view utf8) {
    return Convert(utf8, "UTF-16LE", "UTF-8");
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point are not UTF-8.
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

} // namespace zumaset
