#include "core/log_viewer.h"
#include "core/system_error_text.h"
#include "core/time_format.h"
#include "core/upper_case.h"

#include "error_log_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zumaset {
namespace {

class ViewLogTest : public test::ErrorLogFixture {
protected:
    test::RecordingLauncher launcher;
};

TEST_F(ViewLogTest, ExistingLogIsHandedToTheViewer) {
    settings.LogsPath = dir.path().string() + "/";
    logs.WriteLog("x", LogKind::Session);
    FailureReporter reporter(settings, logs, boxes, mail, "zumaset");
    ViewLog(LogKind::Session, logs, reporter, launcher);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0], (std::vector<std::string>{"xdg-open", dir.path().string() + "/Relational.log"}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ViewLogTest, MissingLogIsReportedWithABoxEvenWhenBoxesAreOff) {
    // Inside the test's folder: the error-log line that follows creates it.
    settings.ConLogPath = dir.path().string() + "/nonexistent/složka/";
    settings.ShowErrMessage = false;
    FailureReporter reporter(settings, logs, boxes, mail, "zumaset");
    ViewLog(LogKind::Connection, logs, reporter, launcher);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::string detail = "\"" + ToUpperText(settings.ConLogPath) + "Control.log\"";
    EXPECT_EQ(boxes.boxes[0].text, "Chyba aplikace :  [2]\r\n" + SystemErrorText(2) + " " + detail);
    EXPECT_EQ(ErrorLines(), "[06.12.2026 09:05:03]  -  [2] *** " + SystemErrorText(2) + "  " + detail + "\r\n");
}

} // namespace
} // namespace zumaset
