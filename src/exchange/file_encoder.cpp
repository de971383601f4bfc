#include "exchange/file_encoder.h"

#include "core/file_error.h"
#include "core/upper_case.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zumaset {

namespace {

// Every byte's three decimal digits, padded to four bytes so the encoder can
// store one whole word per byte and step on by three.
constexpr std::array<std::uint32_t, 256> MakeDecimalTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        const std::uint32_t d0 = '0' + b / 100, d1 = '0' + b / 10 % 10, d2 = '0' + b % 10;
        // Little- and big-endian machines store the word differently; the
        // encoder copies it byte-wise through memcpy, so build the bytes in order.
        const std::array<unsigned char, 4> bytes{static_cast<unsigned char>(d0), static_cast<unsigned char>(d1),
                                                 static_cast<unsigned char>(d2), 0};
        std::uint32_t word = 0;
        for (int i = 3; i >= 0; --i) word = (word << 8) | bytes[static_cast<std::size_t>(i)];
        table[b] = word;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> MakeHexTable() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t b = 0; b < 256; ++b) {
        const auto hi = static_cast<unsigned char>(digits[b >> 4]);
        const auto lo = static_cast<unsigned char>(digits[b & 15]);
        table[b] = static_cast<std::uint16_t>(hi | (lo << 8));
    }
    return table;
}

constexpr auto kDecimal = MakeDecimalTable();
constexpr auto kHex = MakeHexTable();

bool LittleEndian() {
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

// Writes 3 digits per byte; `out` must have one byte of room past the end.
void EncodeDecimal(const unsigned char* in, std::size_t n, char* out) {
    for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(out, &kDecimal[in[i]], 4);
        out += 3;
    }
}

void EncodeHex(const unsigned char* in, std::size_t n, char* out) {
    for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(out, &kHex[in[i]], 2);
        out += 2;
    }
}

// The portable form for big-endian machines, where the tables' words would
// come out reversed.
void EncodeBytewise(FileKind kind, const unsigned char* in, std::size_t n, char* out) {
    constexpr char digits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned b = in[i];
        if (kind == FileKind::Text) {
            *out++ = static_cast<char>('0' + b / 100);
            *out++ = static_cast<char>('0' + b / 10 % 10);
            *out++ = static_cast<char>('0' + b % 10);
        } else {
            *out++ = digits[b >> 4];
            *out++ = digits[b & 15];
        }
    }
}

FileReadError ErrnoFailure(int error) {
    const long code = FileErrorCode(error);
    std::string text = FileErrorText(code);
    if (text.empty()) text = "Soubor nelze přečíst.";
    return FileReadError{code, std::move(text)};
}

FileReadError ChangedFailure() {
    return FileReadError{kFileChangedWhileReading, "Soubor se během odesílání změnil nebo zmizel."};
}

} // namespace

FileKind KindOfPath(std::string_view path) {
    if (path.size() < 3) return FileKind::Text;
    return ToUpperText(path.substr(path.size() - 3)) == "XML" ? FileKind::Xml : FileKind::Text;
}

std::uint64_t ChunkCount(FileKind kind, std::uint64_t fileSize) {
    const std::uint64_t perChunk = ChunkBytes(kind);
    return fileSize <= perChunk ? 1 : (fileSize + perChunk - 1) / perChunk;
}

void AppendEncoded(FileKind kind, std::string_view bytes, std::string& out) {
    const std::size_t start = out.size();
    const std::size_t length = bytes.size() * DigitsPerByte(kind);
    out.resize(start + length + 1); // one spare byte for the word-wide stores
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    char* dest = out.data() + start;
    if (!LittleEndian()) {
        EncodeBytewise(kind, in, bytes.size(), dest);
    } else if (kind == FileKind::Text) {
        EncodeDecimal(in, bytes.size(), dest);
    } else {
        EncodeHex(in, bytes.size(), dest);
    }
    out.resize(start + length);
}

FileChunker::FileChunker(UniqueFd fd, std::string path, FileKind kind)
    : fd_(std::move(fd)), path_(std::move(path)), kind_(kind) {}

std::variant<FileChunker, FileReadError> FileChunker::Open(const std::string& path, FileKind kind,
                                                           const std::optional<FileNode>& expected) {
    // A file swapped for a link since the scan is refused rather than followed,
    // and a pipe put in its place cannot block the opening.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid()) return ErrnoFailure(errno);
    FileChunker chunker(std::move(fd), path, kind);
    struct stat st {};
    if (::fstat(chunker.fd_.get(), &st) != 0) return ErrnoFailure(errno);
    if (!S_ISREG(st.st_mode)) return ErrnoFailure(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    chunker.identity_ = IdentityOf(st);
    // O_NOFOLLOW guards only the last part of the path; a folder on the way
    // swapped for a link shows here, as another file than the one found.
    if (expected && chunker.identity_.node() != *expected) return ChangedFailure();
    chunker.size_ = chunker.identity_.size;
    chunker.modified_ = TimePoint(std::chrono::duration_cast<TimePoint::duration>(
        std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    ::posix_fadvise(chunker.fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return chunker;
}

// The open file must still be the version that was opened, and the path
// (not followed when it has become a link) must still name it.
std::optional<FileReadError> FileChunker::CheckUnchanged() const {
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) return ErrnoFailure(errno);
    if (IdentityOf(st) != identity_ || st.st_nlink == 0) return ChangedFailure();
    if (IdentityOfPath(path_) != identity_) return ChangedFailure();
    return std::nullopt;
}

std::variant<std::int32_t, FileReadError> FileChunker::AppendNextChunk(std::string& out) {
    const std::uint64_t remaining = size_ - std::min(offset_, size_);
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, ChunkBytes(kind_)));
    buffer_.resize(ChunkBytes(kind_));
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::pread(fd_.get(), buffer_.data() + got, want - got, static_cast<off_t>(offset_ + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrnoFailure(errno);
        }
        if (n == 0) return ChangedFailure(); // shorter than when it was opened
        got += static_cast<std::size_t>(n);
    }
    if (auto changed = CheckUnchanged()) return *changed;
    offset_ += want;
    ++chunksRead_;
    const std::size_t start = out.size();
    AppendEncoded(kind_, std::string_view(buffer_.data(), want), out);
    return static_cast<std::int32_t>(Crc32Update(0, out.data() + start, out.size() - start));
}

} // namespace zumaset
