#pragma once

#include "core/file_identity.h"
#include "core/time_format.h"
#include "core/unique_fd.h"
#include "exchange/crc32.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace zumaset {

// The two kinds of outbound file. The kind decides the encoding, the chunk
// size, the server, the page and the form fields of an upload.
enum class FileKind {
    Text, // every byte as three decimal digits, chunks of 99999 digits
    Xml,  // every byte as two upper-case hexadecimal digits, chunks of 99998
};

// The kind of a path: the XML kind when its last three characters are "xml"
// in any letter case, the text kind otherwise.
FileKind KindOfPath(std::string_view path);

// Characters one file byte becomes.
constexpr std::size_t DigitsPerByte(FileKind kind) {
    return kind == FileKind::Text ? 3 : 2;
}
// Characters of one full chunk of the encoded text.
constexpr std::size_t ChunkChars(FileKind kind) {
    return kind == FileKind::Text ? 99999 : 99998;
}
// File bytes that make one full chunk. A chunk is always a whole number of
// bytes, so cutting the file and encoding each piece gives exactly the chunks
// of the whole encoded text.
constexpr std::size_t ChunkBytes(FileKind kind) {
    return ChunkChars(kind) / DigitsPerByte(kind);
}

// Number of chunks a file of `fileSize` bytes is sent in (1 for an empty file).
std::uint64_t ChunkCount(FileKind kind, std::uint64_t fileSize);

// Appends the encoding of `bytes` to `out`.
void AppendEncoded(FileKind kind, std::string_view bytes, std::string& out);

// Why reading an outbound file failed: an error number in the numbering the
// logs show and a description for the user.
struct FileReadError {
    long code = 0;
    std::string description;
};

// Error number of a file that changed or disappeared while it was being read.
inline constexpr long kFileChangedWhileReading = 1006;

// Reads one outbound file chunk by chunk and encodes each chunk as it is read,
// so memory stays at one chunk whatever the file's size. The file is opened
// once, never through a symbolic link; its identity (inode, size, times) is
// taken at the start, and after every chunk the open file and the path are
// checked again: a file that grew, shrank, was written to, removed or replaced
// makes the next read fail.
class FileChunker {
public:
    // Opens the file; an error when it cannot be opened, is a link or is not a
    // regular file, and kFileChangedWhileReading when `expected` is given and
    // the path led to another file (the file, or a folder on the way, was
    // replaced since it was found). The error's description names no file;
    // callers add the path.
    static std::variant<FileChunker, FileReadError> Open(const std::string& path, FileKind kind,
                                                         const std::optional<FileNode>& expected = std::nullopt);

    FileChunker(FileChunker&& other) noexcept = default;
    FileChunker& operator=(FileChunker&& other) noexcept = default;
    FileChunker(const FileChunker&) = delete;
    FileChunker& operator=(const FileChunker&) = delete;
    ~FileChunker() = default;

    FileKind kind() const { return kind_; }
    std::uint64_t size() const { return size_; }
    // The version of the file that was opened and that every chunk comes from.
    const FileIdentity& identity() const { return identity_; }
    // Last modification of the file when it was opened.
    TimePoint modified() const { return modified_; }
    std::uint64_t chunkCount() const { return ChunkCount(kind_, size_); }
    // Chunks handed out so far.
    std::uint64_t chunksRead() const { return chunksRead_; }
    // Bytes of the file read into the chunks handed out so far.
    std::uint64_t bytesRead() const { return offset_; }

    // Reads the next chunk's bytes and appends their encoding to `out`; the
    // CRC-32 of exactly the appended text is returned. An error when the file
    // cannot be read or is no longer the file that was opened.
    std::variant<std::int32_t, FileReadError> AppendNextChunk(std::string& out);

private:
    FileChunker(UniqueFd fd, std::string path, FileKind kind);
    std::optional<FileReadError> CheckUnchanged() const;

    UniqueFd fd_;
    std::string path_;
    FileKind kind_ = FileKind::Text;
    std::uint64_t size_ = 0;
    FileIdentity identity_{};
    TimePoint modified_{};
    std::uint64_t offset_ = 0;
    std::uint64_t chunksRead_ = 0;
    std::string buffer_;
};

} // namespace zumaset
