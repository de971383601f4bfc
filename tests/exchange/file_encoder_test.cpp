#include "core/file_error.h"
#include "exchange/crc32.h"
#include "exchange/file_encoder.h"

#include "temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <sys/stat.h>

namespace zumaset {
namespace {

namespace fs = std::filesystem;

// The whole file encoded at once, as the text of the upload defines it; the
// chunker must give exactly the pieces of this text.
std::string EncodeWhole(FileKind kind, const std::string& bytes) {
    std::string out;
    char digits[4];
    for (unsigned char b : bytes) {
        if (kind == FileKind::Text) {
            std::snprintf(digits, sizeof digits, "%03u", b);
        } else {
            std::snprintf(digits, sizeof digits, "%02X", b);
        }
        out += digits;
    }
    return out;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& ch : bytes) ch = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Pins the encoding and the reference above against literal digits; the
// chunker's test then compares the two over every byte value.
TEST(Encoding, TextDigitsAreDecimalAndXmlDigitsUpperCaseHex) {
    std::string text = "kept";
    std::string xml;
    AppendEncoded(FileKind::Text, "AB\r\n\xFF", text);
    AppendEncoded(FileKind::Xml, "AB\xFF", xml);
    EXPECT_EQ(text, "kept065066013010255");
    EXPECT_EQ(xml, "4142FF");
    EXPECT_EQ(EncodeWhole(FileKind::Text, "AB\r\n\xFF"), "065066013010255");
    EXPECT_EQ(EncodeWhole(FileKind::Xml, "AB\xFF"), "4142FF");
}

TEST(KindOfPath, TheLastThreeCharactersInAnyCaseDecide) {
    EXPECT_EQ(KindOfPath("/a/b.xml"), FileKind::Xml);
    EXPECT_EQ(KindOfPath("/a/bxMl"), FileKind::Xml);
    EXPECT_EQ(KindOfPath("/a/b.xml.txt"), FileKind::Text);
    EXPECT_EQ(KindOfPath("ml"), FileKind::Text);
}

// One chunk more from the first byte past a full chunk; past 4 GiB the count
// must not wrap.
TEST(ChunkCount, AtTheBoundaries) {
    EXPECT_EQ(ChunkCount(FileKind::Text, 0), 1u);
    EXPECT_EQ(ChunkCount(FileKind::Text, 33333), 1u);
    EXPECT_EQ(ChunkCount(FileKind::Text, 33334), 2u);
    EXPECT_EQ(ChunkCount(FileKind::Xml, 49999), 1u);
    EXPECT_EQ(ChunkCount(FileKind::Xml, 50000), 2u);
    EXPECT_EQ(ChunkCount(FileKind::Text, 5000000000ull), 150002u);
}

class Chunker : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir.path() / name;
        test::WriteFileBytes(path, bytes);
        return path.string();
    }
    static FileChunker Open(const std::string& path) {
        auto opened = FileChunker::Open(path, KindOfPath(path));
        EXPECT_TRUE(std::holds_alternative<FileChunker>(opened));
        return std::move(std::get<FileChunker>(opened));
    }
    test::TempDir dir;
};

TEST_F(Chunker, ChunksAreThePiecesOfTheWholeEncodedTextWithTheirChecksums) {
    for (const char* name : {"multi.dok", "multi.xml"}) {
        const std::string bytes = RandomBytes(2 * 49999 + 7, 42);
        FileChunker chunker = Open(Write(name, bytes));
        const std::string whole = EncodeWhole(chunker.kind(), bytes);
        const std::size_t chunkChars = ChunkChars(chunker.kind());
        ASSERT_EQ(chunker.chunkCount(), (whole.size() + chunkChars - 1) / chunkChars);
        for (std::uint64_t i = 0; i < chunker.chunkCount(); ++i) {
            std::string out = "head=";
            const auto crc = chunker.AppendNextChunk(out);
            ASSERT_TRUE(std::holds_alternative<std::int32_t>(crc)) << name;
            const std::string expected = whole.substr(i * chunkChars, chunkChars);
            EXPECT_EQ(out, "head=" + expected);
            EXPECT_EQ(std::get<std::int32_t>(crc), CalcCrc32(expected));
        }
    }
}

TEST_F(Chunker, AFileThatGrowsShrinksOrIsReplacedWhileReadFails) {
    const std::string bytes = RandomBytes(3 * 33333, 7);
    const std::string path = Write("changing.dok", bytes);
    auto expectChanged = [](FileChunker& chunker) {
        std::string out;
        const auto result = chunker.AppendNextChunk(out);
        ASSERT_TRUE(std::holds_alternative<FileReadError>(result));
        EXPECT_EQ(std::get<FileReadError>(result).code, kFileChangedWhileReading);
    };
    {
        FileChunker chunker = Open(path);
        std::string out;
        ASSERT_TRUE(std::holds_alternative<std::int32_t>(chunker.AppendNextChunk(out)));
        test::WriteFileBytes(path, bytes + "x"); // grown
        expectChanged(chunker);
    }
    {
        Write("changing.dok", bytes);
        FileChunker chunker = Open(path);
        fs::resize_file(path, 40000); // shrunk
        expectChanged(chunker);
    }
    {
        Write("changing.dok", bytes);
        FileChunker chunker = Open(path);
        fs::remove(path); // gone
        expectChanged(chunker);
        Write("changing.dok", bytes); // a new file under the same name is not the one opened
        expectChanged(chunker);
    }
    {
        Write("changing.dok", bytes);
        FileChunker chunker = Open(path);
        // Same size, new content: the modification time tells.
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
        expectChanged(chunker);
    }
}

// A file the upload cannot take: the code it is reported with, and never a
// wait (a pipe) or a read through a link.
struct OpenFailure {
    std::string name;
    std::function<void(const fs::path& path, const fs::path& outside)> make;
    long code;
};
void PrintTo(const OpenFailure& row, std::ostream* os) {
    *os << row.name;
}

class ChunkerOpen : public ::testing::TestWithParam<OpenFailure> {
protected:
    test::TempDir dir;
};

TEST_P(ChunkerOpen, IsRefusedWithItsCode) {
    const fs::path path = dir.path() / "decl.dok";
    test::WriteFileBytes(dir.path() / "outside.dok", "secret");
    GetParam().make(path, dir.path() / "outside.dok");
    // The file the scan found was `outside`: whatever is at the path now is refused.
    auto opened = FileChunker::Open(path.string(), FileKind::Text, IdentityOfPath(dir.path() / "outside.dok")->node());
    ASSERT_TRUE(std::holds_alternative<FileReadError>(opened));
    EXPECT_EQ(std::get<FileReadError>(opened).code, GetParam().code);
    EXPECT_FALSE(std::get<FileReadError>(opened).description.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ChunkerOpen,
    ::testing::Values(
        OpenFailure{"LinkToAFile",
                    [](const fs::path& path, const fs::path& outside) { fs::create_symlink(outside, path); },
                    kLinkNotFollowed},
        OpenFailure{"Pipe", [](const fs::path& path, const fs::path&) { ::mkfifo(path.c_str(), 0600); }, EINVAL},
        OpenFailure{"Folder", [](const fs::path& path, const fs::path&) { fs::create_directory(path); }, EISDIR},
        OpenFailure{"AnotherFileThanTheOneFound",
                    [](const fs::path& path, const fs::path&) { test::WriteFileBytes(path, "declaration"); },
                    kFileChangedWhileReading}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace zumaset
