#pragma once

#include "core/clock.h"
#include "core/logs.h"
#include "core/settings.h"
#include "core/time_format.h"

#include "recording_sinks.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <string>

namespace zumaset::test {

// Logs whose error log is in a temporary folder, on a fixed clock, with
// recording message boxes and mail notices: what a failure report needs.
class ErrorLogFixture : public testing::Test {
protected:
    ErrorLogFixture() { settings.ErrLogPath = dir.path().string() + "/"; }

    // The error log's lines after its header.
    std::string ErrorLines() const {
        const std::string content = ReadFileBytes(dir / "Error.log");
        const auto body = content.find("\r\n\r\n");
        return body == std::string::npos ? "" : content.substr(body + 4);
    }

    TempDir dir;
    Settings settings;
    FixedClock clock{FromLocalTime(2026, 12, 6, 9, 5, 3)};
    Logs logs{settings, clock};
    RecordingMessageBoxes boxes;
    RecordingMailNotices mail;
};

} // namespace zumaset::test
