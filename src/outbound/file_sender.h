#pragma once

#include <string>

namespace zumaset {

// Uploads one outbound file. The client's implementation is the server
// upload; tests put a fake in its place.
class FileSender {
public:
    virtual ~FileSender() = default;

    // Sends FolderPath + SourceName to the server as SendAs for the office
    // CuCode. True only when the server accepted every chunk and the file was
    // entered into the register of sent files; failures are reported inside.
    virtual bool SendFile(const std::string& FolderPath, const std::string& SourceName, const std::string& CuCode,
                          const std::string& SendAs) = 0;
};

} // namespace zumaset
