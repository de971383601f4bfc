#pragma once

#include "core/file_identity.h"
#include "exchange/file_encoder.h"
#include "outbound/file_sender.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zumaset::test {

// Records every upload and answers with `accept`. The file is opened as the
// upload opens it (only the file the scan found), then `onSend` runs, so a
// test can change the file after it was read and before it is archived and
// deleted.
class FakeSender final : public FileSender {
public:
    struct Call {
        std::string sourceName, cuCode, sendAs;
    };
    std::optional<FileIdentity> SendFile(const std::string& folderPath, const std::string& sourceName,
                                         const std::string& cuCode, const std::string& sendAs,
                                         const FileNode& expected) override {
        calls.push_back({sourceName, cuCode, sendAs});
        const std::string path = folderPath + sourceName;
        auto opened = FileChunker::Open(path, KindOfPath(path), expected);
        const auto* read = std::get_if<FileChunker>(&opened);
        if (onSend) onSend(path);
        if (!accept || !read) return std::nullopt;
        return read->identity();
    }
    std::vector<Call> calls;
    bool accept = true;
    std::function<void(const std::string& path)> onSend;
};

} // namespace zumaset::test
