#include "config/browse_for_folder.h"
#include "config/config_dialog.h"
#include "config/config_window.h"
#include "core/registry_document.h"
#include "core/settings_store.h"

#include "recording_config_host.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace zumaset {
namespace {

class ConfigWindowTest : public testing::Test {
protected:
    ConfigWindowTest() {
        record.User = "jan";
        record.Pass = "heslo";
        record.ServerTxt = "txt.example";
        record.ServerXml = "xml.example";
        record.CuOption = "ABC|CZ900000%";
    }

    // Loads and shows the window, active so that the focus moves as on a desktop.
    ConfigWindow& Show(int tab = 0) {
        form.emplace(record, registry, clock, host, "zumaset", "/home/anna");
        window.emplace(*form, "zumaset");
        window->LoadForm(tab);
        window->show();
        QApplication::setActiveWindow(&*window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&*window));
        return *window;
    }
    template <typename W> W* Find(const char* name) {
        auto* widget = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void TypeInto(const char* name, const QString& text) {
        auto* edit = Find<QLineEdit>(name);
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    RegDocument registry;
    Settings record;
    FixedClock clock{std::chrono::system_clock::time_point{}};
    test::RecordingConfigHost host;
    std::optional<ConfigForm> form;
    std::optional<ConfigWindow> window;
};

TEST_F(ConfigWindowTest, ShowsItsTitleAndHidesThePassword) {
    Show();
    EXPECT_EQ(window->windowTitle(), "Zumaset - Konfigurace");
    EXPECT_EQ(window->tabs()->tabText(2), "CÚ");
    EXPECT_EQ(Find<QLineEdit>("Pass")->echoMode(), QLineEdit::Password);
}

TEST_F(ConfigWindowTest, AButtonActsAfterTheLeavingRuleOfTheFieldItTookTheFocusFrom) {
    Show(3);
    TypeInto("TimeInterval", "450");
    QTest::mouseClick(Find<QPushButton>("cmdApply_3"), Qt::LeftButton);
    EXPECT_EQ(Find<QLineEdit>("TimeInterval")->text(), "300");
    EXPECT_EQ(registry.QueryValue(Hive::CurrentUser, kSettingsKey, "TimeInterval"), RegValue{std::int32_t{300}});
    EXPECT_TRUE(window->isVisible()) << "Apply keeps the dialog open";
}

TEST_F(ConfigWindowTest, ARefusedDelimiterKeepsTheFocusAndStopsTheButton) {
    record.CuMode = 2;
    Show(2);
    TypeInto("Delimiter", "/");
    QTest::mouseClick(Find<QPushButton>("cmdOK_2"), Qt::LeftButton);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("Delimiter"));
    EXPECT_FALSE(registry.KeyExists(Hive::CurrentUser, kSettingsKey));
    QTest::mouseClick(Find<QPushButton>("cmdCancel_2"), Qt::LeftButton);
    EXPECT_EQ(host.boxes.size(), 1u) << "Cancel does not check the field";
    EXPECT_EQ(form->outcome(), FormOutcome::Cancelled);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ConfigWindowTest, ClosingTheWindowCountsAsCancel) {
    Show();
    auto* testMode = Find<QRadioButton>("RunMode_1");
    QTest::mouseClick(testMode, Qt::LeftButton, {}, QPoint(4, testMode->height() / 2)); // on the indicator
    EXPECT_TRUE(record.RunMode);
    QTest::keyClick(&*window, Qt::Key_Escape);
    EXPECT_FALSE(record.RunMode);
    EXPECT_EQ(form->outcome(), FormOutcome::Cancelled);
}

TEST(ShowConfigDialog, OkSavesDeletesRunFirstAndReportsTheReloadedRecord) {
    RegDocument registry;
    registry.CreateKey(Hive::CurrentUser, kSettingsKey);
    registry.SetValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue, std::int32_t{1}, RegType::Dword);
    Settings settings;
    settings.CuOption = "ABC|CZ900000%";
    std::vector<std::string> activity;
    std::optional<Settings> applied;
    QTimer::singleShot(0, [] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->findChild<QTabWidget*>("CfgTab")->currentIndex(), 4);
        QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOK_4"), Qt::LeftButton);
    });
    const bool confirmed =
        ShowConfigDialog(nullptr, {.registry = registry,
                                   .settings = settings,
                                   .exeName = "zumaset",
                                   .addActivity = [&](std::string_view line) { activity.emplace_back(line); },
                                   .offerControlLog = {},
                                   .initialTab = 4,
                                   .settingsApplied = [&](const Settings& s) { applied = s; }});
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(
        std::holds_alternative<std::monostate>(registry.QueryValue(Hive::CurrentUser, kSettingsKey, kRunFirstValue)));
    EXPECT_EQ(activity.size(), 1u);
    ASSERT_TRUE(applied.has_value());
    EXPECT_EQ(applied->User, "test");
    EXPECT_EQ(applied->CuOption, "ABC|CZ900000%");
}

TEST(BrowseForFolder, AppendsTheSeparatorAlwaysAndGivesNothingForNoAnswer) {
    EXPECT_EQ(PickedFolderText("/srv/data"), "/srv/data/");
    EXPECT_EQ(PickedFolderText(QString()), "");
}

} // namespace
} // namespace zumaset
