#pragma once

#include "core/client_model.h"
#include "core/failure_report.h"
#include "core/file_identity.h"
#include "core/logs.h"
#include "core/settings.h"
#include "core/time_format.h"

#include "fake_sender.h"
#include "recording_sinks.h"
#include "temp_dir.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace zumaset::test {

// Settings pointing into a fresh folder, the logs, the report sinks and the
// main window's model, as the send pass uses them.
class OutboundTest : public testing::Test {
protected:
    OutboundTest() {
        settings.SourcePath = Folder("Na_CU");
        settings.RetValPath = Folder("Z_CU");
        settings.ArchivPath = Folder("Archiv");
        settings.LogsPath = settings.ErrLogPath = settings.ConLogPath = Folder("Logy");
    }

    // Creates dir/name and returns it as a folder path with its separator.
    std::string Folder(const std::string& name) const {
        std::filesystem::create_directories(dir / name);
        return (dir / name).string() + "/";
    }
    // Writes a file below SourcePath, creating its folders. Its modification
    // time is set `age` before the test's clock, so by default it has settled.
    std::filesystem::path Source(const std::string& relative, const std::string& content = "data",
                                 std::chrono::seconds age = std::chrono::minutes(1)) const {
        const std::filesystem::path file = std::filesystem::path(settings.SourcePath) / relative;
        std::filesystem::create_directories(file.parent_path());
        WriteFileBytes(file, content);
        SetModified(file, clock.Now() - age);
        return file;
    }
    static void SetModified(const std::filesystem::path& file, std::chrono::system_clock::time_point at) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
        const struct timespec times[2] = {{0, UTIME_OMIT}, {ns / 1000000000, ns % 1000000000}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }

    // The error log's lines after its header, without their time prefix.
    std::vector<std::string> ErrorLines() const {
        const std::string content = ReadFileBytes(std::filesystem::path(settings.ErrLogPath) / "Error.log");
        constexpr std::size_t kPrefix = 26; // "[dd.mm.yyyy hh:mm:ss]  -  "
        std::vector<std::string> lines;
        std::size_t start = content.find("\r\n\r\n");
        if (start == std::string::npos) return lines;
        for (start += 4; start < content.size();) {
            const std::size_t end = content.find("\r\n", start);
            lines.push_back(content.substr(start + kPrefix, end - start - kPrefix));
            start = end + 2;
        }
        return lines;
    }

    TempDir dir;
    Settings settings;
    FixedClock clock{FromLocalTime(2026, 12, 6, 9, 5, 3)};
    Logs logs{settings, clock};
    RecordingMessageBoxes boxes;
    RecordingMailNotices mail;
    FailureReporter reporter{settings, logs, boxes, mail, "zumaset"};
    ClientModel model{clock};
    FakeSender sender;
};

} // namespace zumaset::test
