#pragma once

#include "core/failure_report.h"
#include "core/logs.h"
#include "core/registry_document.h"
#include "core/settings_store.h"
#include "exchange/server_session.h"

#include "recording_sinks.h"
#include "temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace zumaset::test {

// Settings with every log in a temporary folder, and the collaborators a
// transfer needs, recording what they were asked to show or mail.
class SessionFixture : public ::testing::Test {
protected:
    SessionFixture() : logs(settings, clock), reporter(settings, logs, boxes, mail, "zumaset") {
        const std::string folder = dir.path().string() + "/";
        settings.LogsPath = folder;
        settings.ErrLogPath = folder;
        settings.ConLogPath = folder;
        settings.User = "DEKL01";
        settings.WriteDebugLog = true;
        SaveSettings(settings, registry);
    }

    std::string Log(const char* name) const { return ReadFileBytes(dir / name); }
    static std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
        return n;
    }

    TempDir dir;
    Settings settings;
    SystemClock clock;
    RegDocument registry;
    Logs logs;
    RecordingMessageBoxes boxes;
    RecordingMailNotices mail;
    FailureReporter reporter;
};

} // namespace zumaset::test
