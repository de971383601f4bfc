#pragma once

#include "core/file_identity.h"

#include <optional>
#include <string>

namespace zumaset {

// Uploads one outbound file. The client's implementation is the server
// upload; tests put a fake in its place.
class FileSender {
public:
    virtual ~FileSender() = default;

    // Sends folderPath + sourceName to the server as sendAs for the office
    // cuCode. `expected` is the file the folder scan found: when the path leads
    // to another file by the time it is opened (the file or one of its folders
    // was replaced), nothing is sent. A result only when the server accepted
    // every chunk and the file was entered into the register of sent files:
    // the identity of the version of the file that was read and sent. Failures
    // are reported inside.
    virtual std::optional<FileIdentity> SendFile(const std::string& folderPath, const std::string& sourceName,
                                                 const std::string& cuCode, const std::string& sendAs,
                                                 const FileNode& expected) = 0;
};

} // namespace zumaset
