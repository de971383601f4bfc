#include "core/clock.h"
#include "desktop/klient_window.h"
#include "desktop/model_bridge.h"

#include "event_loop.h"
#include "recording_commands.h"

#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <ostream>
#include <thread>

namespace zumaset {
namespace {

struct ControlRow {
    const char* name;
    const char* text;    // caption, title or label text
    const char* toolTip; // nullptr: none
    const char* parent;  // the menu holding an action: "bar" for the menu bar; nullptr for controls
};

void PrintTo(const ControlRow& row, std::ostream* out) {
    *out << row.name;
}

class KlientWindowTest : public testing::Test {
protected:
    RecordingCommands commands;
    KlientWindow window{commands, [] { return false; }};

    template <class T> T& Find(const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        if (!found) throw std::runtime_error(std::string("no ") + name);
        return *found;
    }
    QAction& Action(const char* name) { return Find<QAction>(name); }
    // The actions of a menu by object name; "bar" for the menu bar.
    QList<QAction*> ActionsOf(const char* menu) {
        if (std::string_view(menu) == "bar") return window.menuBar()->actions();
        return Find<QMenu>(menu).actions();
    }
};

class WindowControl : public KlientWindowTest, public testing::WithParamInterface<ControlRow> {};

TEST_P(WindowControl, HasItsNameCaptionAndTooltip) {
    const ControlRow& row = GetParam();
    QObject* object = window.findChild<QObject*>(QString::fromLatin1(row.name));
    ASSERT_NE(object, nullptr);
    QString text;
    QString toolTip;
    if (auto* label = qobject_cast<QLabel*>(object)) {
        text = label->text();
        toolTip = label->toolTip();
    } else if (auto* list = qobject_cast<QListWidget*>(object)) {
        EXPECT_EQ(list->count(), 0);
        toolTip = list->toolTip();
    } else if (auto* menu = qobject_cast<QMenu*>(object)) {
        text = menu->title();
        EXPECT_TRUE(ActionsOf(row.parent).contains(menu->menuAction())) << "not in " << row.parent;
    } else if (auto* action = qobject_cast<QAction*>(object)) {
        // "-": a separator
        text = action->isSeparator() ? QStringLiteral("-") : action->text();
        EXPECT_TRUE(ActionsOf(row.parent).contains(action)) << "not in " << row.parent;
    } else {
        FAIL() << "unexpected kind " << object->metaObject()->className();
    }
    EXPECT_EQ(text.toStdString(), row.text);
    EXPECT_EQ(toolTip.toStdString(), row.toolTip ? row.toolTip : "");
}

INSTANTIATE_TEST_SUITE_P(
    Klient, WindowControl,
    testing::Values(
        ControlRow{"LabelProcess", "Výpis aktivity:", nullptr, nullptr},
        ControlRow{"PInf", "", "Obsahuje výpis o činnosti programu.", nullptr},
        ControlRow{"LabelFileCount", "Počet dnes přenesených souborů:", nullptr, nullptr},
        ControlRow{"LabelToServer", "Odesláno:", nullptr, nullptr},
        ControlRow{"SendCount", "0", "Počet odeslaných souborů.", nullptr},
        ControlRow{"LabelFromServer", "Přijato:", nullptr, nullptr},
        ControlRow{"GetCount", "0", "Počet přijatých souborů.", nullptr},
        ControlRow{"mnuFiles", "Soubor", nullptr, "bar"}, ControlRow{"mnuSend", "&Odeslat", nullptr, "mnuFiles"},
        ControlRow{"mnuGet", "&Přijmout", nullptr, "mnuFiles"}, ControlRow{"mnuLog", "Protokol", nullptr, "bar"},
        ControlRow{"mnuLogFile", "Relace", nullptr, "mnuLog"}, ControlRow{"mnuErrors", "Chyby", nullptr, "mnuLog"},
        ControlRow{"mnuControl", "Spojení", nullptr, "mnuLog"}, ControlRow{"mnuConfig", "Konfigurace", nullptr, "bar"},
        ControlRow{"mnuExit", "Ukončit", nullptr, "bar"}, ControlRow{"mnuPopSend", "&Odeslat", nullptr, "mnuPop"},
        ControlRow{"mnuPopGet", "&Přijmout", nullptr, "mnuPop"}, ControlRow{"mezera2", "-", nullptr, "mnuPop"},
        ControlRow{"mnuPopConfig", "Konfigurace", nullptr, "mnuPop"}, ControlRow{"mezera3", "-", nullptr, "mnuPop"},
        ControlRow{"mnuPopLogFile", "Relace", nullptr, "mnuPop"},
        ControlRow{"mnuPopErrors", "Chyby", nullptr, "mnuPop"},
        ControlRow{"mnuPopControl", "Spojení", nullptr, "mnuPop"}, ControlRow{"mezera", "-", nullptr, "mnuPop"},
        ControlRow{"mnuPopExit", "&Ukončit", nullptr, "mnuPop"}),
    [](const testing::TestParamInfo<ControlRow>& info) { return std::string(info.param.name); });

TEST_F(KlientWindowTest, IsNamedKlientWithItsCaptionAndTheTrayMenuOutsideTheMenuBar) {
    EXPECT_EQ(window.objectName().toStdString(), "Klient");
    EXPECT_EQ(window.windowTitle().toStdString(), "Zumaset ");
    EXPECT_FALSE(window.windowIcon().isNull());
    QMenu& pop = Find<QMenu>("mnuPop");
    EXPECT_EQ(&pop, &window.popupMenu());
    EXPECT_EQ(pop.title().toStdString(), "Menu");
    EXPECT_FALSE(window.menuBar()->actions().contains(pop.menuAction()));
    QStringList order;
    for (const QAction* action : pop.actions()) order << action->objectName();
    EXPECT_EQ(order.join(' ').toStdString(), "mnuPopSend mnuPopGet mezera2 mnuPopConfig mezera3 mnuPopLogFile "
                                             "mnuPopErrors mnuPopControl mezera mnuPopExit");
    QStringList bar;
    for (const QAction* action : window.menuBar()->actions()) bar << action->text();
    EXPECT_EQ(bar.join('|').toStdString(), "Soubor|Protokol|Konfigurace|Ukončit");
}

struct CommandRow {
    const char* action;
    const char* call;
};

void PrintTo(const CommandRow& row, std::ostream* out) {
    *out << row.action << " -> " << row.call;
}

class MenuCommand : public KlientWindowTest, public testing::WithParamInterface<CommandRow> {};

TEST_P(MenuCommand, RunsItsCommand) {
    Action(GetParam().action).trigger();
    EXPECT_EQ(commands.calls, std::vector<std::string>{GetParam().call});
}

INSTANTIATE_TEST_SUITE_P(
    BothMenus, MenuCommand,
    testing::Values(CommandRow{"mnuSend", "Send"}, CommandRow{"mnuPopSend", "Send"}, CommandRow{"mnuGet", "Receive"},
                    CommandRow{"mnuPopGet", "Receive"}, CommandRow{"mnuConfig", "Configure"},
                    CommandRow{"mnuPopConfig", "Configure"}, CommandRow{"mnuLogFile", "ViewLog Session"},
                    CommandRow{"mnuPopLogFile", "ViewLog Session"}, CommandRow{"mnuErrors", "ViewLog Error"},
                    CommandRow{"mnuPopErrors", "ViewLog Error"}, CommandRow{"mnuControl", "ViewLog Connection"},
                    CommandRow{"mnuPopControl", "ViewLog Connection"}, CommandRow{"mnuExit", "Exit"},
                    CommandRow{"mnuPopExit", "Exit"}),
    [](const testing::TestParamInfo<CommandRow>& info) { return std::string(info.param.action); });

TEST_F(KlientWindowTest, TheAccessKeyOfAnOpenMenuRunsItsCommand) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QMenu& files = Find<QMenu>("mnuFiles");
    files.popup(window.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(ProcessEventsUntil([&] { return files.isVisible(); }));
    QTest::keyClick(&files, Qt::Key_P);
    EXPECT_EQ(commands.calls, std::vector<std::string>{"Receive"});
}

TEST_F(KlientWindowTest, ClosingTheWindowExitsOnceEvenWhenTheShutdownClosesItAgain) {
    window.show();
    window.close();
    window.show();
    window.close();
    Action("mnuPopExit").trigger();
    EXPECT_EQ(commands.calls, std::vector<std::string>{"Exit"});
}

TEST_F(KlientWindowTest, TheConnectionLogIsOfferedInBothMenusOnlyWhenAsked) {
    window.SetControlLogOffered(false);
    EXPECT_FALSE(Action("mnuPopControl").isVisible());
    EXPECT_FALSE(Action("mnuControl").isVisible());
    window.SetControlLogOffered(true);
    EXPECT_TRUE(Action("mnuPopControl").isVisible());
    EXPECT_TRUE(Action("mnuControl").isVisible());
}

TEST_F(KlientWindowTest, KeepsItsSizeWhenResized) {
    window.show();
    EXPECT_EQ(window.size(), QSize(418, 176));
    window.resize(600, 400);
    EXPECT_EQ(window.size(), QSize(418, 176));
    window.resize(100, 50);
    EXPECT_EQ(window.size(), QSize(418, 176));
}

TEST_F(KlientWindowTest, WithoutATrayMinimisingLeavesTheWindowMinimisedAndReachable) {
    window.show();
    window.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
    EXPECT_FALSE(window.tray().shown());

    KlientWindow hidden{commands, [] { return false; }};
    hidden.HideToTray(); // start-up
    EXPECT_TRUE(hidden.isVisible());
    EXPECT_TRUE(hidden.isMinimized());
}

TEST(KlientWindowTray, MinimisingHidesToTheTrayAndADoubleClickRestores) {
    RecordingCommands commands;
    KlientWindow window{commands, [] { return true; }};
    window.HideToTray(); // start-up: hidden, only the icon shows
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.tray().shown());

    emit window.tray().restoreRequested();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(window.tray().shown());

    window.showMinimized();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !window.isVisible(); }));
    EXPECT_TRUE(window.tray().shown());
    EXPECT_TRUE(commands.calls.empty());
}

class KlientModelView : public KlientWindowTest {
protected:
    FixedClock clock{std::chrono::sys_days{std::chrono::year{2026} / 12 / 7} + std::chrono::hours{9}};
    ClientModel model{clock};
    ModelBridge bridge{[this] { return SnapshotOf(model); }, window};

    void SetUp() override {
        bridge.Observe(model);
        window.show();
    }
    QListWidget& List() { return Find<QListWidget>("PInf"); }
    std::string Text(const char* name) { return Find<QLabel>(name).text().toStdString(); }
    // Lets the queued update of the window run.
    void Settle() { QCoreApplication::processEvents(); }
};

TEST_F(KlientModelView, ShowsTheCountersAndTheActivityWithTheNewestEntryInView) {
    for (int i = 0; i < 12; ++i) model.AddActivity("záznam " + std::to_string(i));
    model.IncrementSendCount();
    model.IncrementSendCount();
    model.IncrementGetCount();
    Settle();
    QListWidget& list = List();
    ASSERT_EQ(list.count(), 12);
    EXPECT_EQ(list.item(0)->text().toStdString(), "09:00:00 * záznam 0");
    EXPECT_EQ(list.item(11)->text().toStdString(), "09:00:00 * záznam 11");
    EXPECT_EQ(list.verticalScrollBar()->value(), list.verticalScrollBar()->maximum());
    EXPECT_GT(list.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(Text("SendCount"), "2");
    EXPECT_EQ(Text("GetCount"), "1");
}

TEST_F(KlientModelView, FollowsTheListWhenTheOldestEntriesAreDropped) {
    for (int i = 0; i < 498; ++i) model.AddActivity("a " + std::to_string(i));
    Settle();
    // The same text again, so the window cannot match by text alone.
    for (int i = 0; i < 4; ++i) model.AddActivity("a 0");
    model.TrimActivity();
    Settle();
    QListWidget& list = List();
    ASSERT_EQ(list.count(), 500);
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(list.item(i)->text().toStdString(), model.activity()[static_cast<std::size_t>(i)]) << i;
    }
}

TEST_F(KlientModelView, ShowsTheFileInTransferWithItsProgressOnlyWhileItGoes) {
    QProgressBar& bar = Find<QProgressBar>("TransferProgress");
    QLabel& file = Find<QLabel>("TransferFile");
    EXPECT_FALSE(bar.isVisible());
    EXPECT_FALSE(file.isVisible());

    ClientModelSnapshot going;
    going.transfer = TransferState{TransferState::Direction::Receiving, "CZ590000.xml", 420, 1000};
    window.ShowModel(going);
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.value(), 42);
    EXPECT_EQ(file.text().toStdString(), "Přijímá se: CZ590000.xml");
    EXPECT_EQ(file.toolTip(), file.text());
    EXPECT_EQ(window.tray().shownTip().toStdString(), "Zumaset 2.0.0.2\nPřijímá se: CZ590000.xml 42 %");
    const QRect barPlace = bar.geometry();

    window.ShowModel(ClientModelSnapshot{});
    EXPECT_FALSE(bar.isVisible());
    EXPECT_FALSE(file.isVisible());
    EXPECT_EQ(window.tray().shownTip().toStdString(), "Zumaset 2.0.0.2");
    window.ShowModel(going);
    EXPECT_EQ(bar.geometry(), barPlace) << "the row keeps its place";

    // A long name is shortened; the window and the counters stay as they are.
    const QRect countPlace = Find<QLabel>("GetCount").geometry();
    going.transfer->file = std::string(200, 'x') + ".txt";
    window.ShowModel(going);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(418, 176));
    EXPECT_EQ(Find<QLabel>("GetCount").geometry(), countPlace);
    EXPECT_TRUE(file.text().endsWith(".txt"));
    EXPECT_LT(file.text().size(), file.toolTip().size());
}

TEST_F(KlientModelView, TheTipSetByTheServiceStaysUnderTheTransfer) {
    window.SetTrayTip("Služba pozastavena");
    ClientModelSnapshot going;
    going.transfer = TransferState{TransferState::Direction::Sending, "A.txt", 0, 0};
    window.ShowModel(going);
    EXPECT_EQ(window.tray().shownTip().toStdString(), "Služba pozastavena\nOdesílá se: A.txt");
    window.ShowModel(ClientModelSnapshot{});
    EXPECT_EQ(window.tray().shownTip().toStdString(), "Služba pozastavena");
}

TEST(ModelBridge, ChangesFromThePassThreadReachTheWindowOnTheUiThreadInFewUpdates) {
    RecordingCommands commands;
    KlientWindow window{commands, [] { return false; }};
    std::mutex mutex;
    ClientModelSnapshot state; // what the model holds, written by the "pass"
    int snapshots = 0;
    bool onUiThread = true;
    ModelBridge bridge(
        [&] {
            onUiThread = onUiThread && QThread::currentThread() == window.thread();
            ++snapshots;
            const std::lock_guard lock(mutex);
            return state;
        },
        window);

    constexpr int kChanges = 2000;
    std::atomic<bool> passDone = false;
    std::thread pass([&] {
        for (int i = 1; i <= kChanges; ++i) {
            {
                const std::lock_guard lock(mutex);
                state.sendCount = i;
            }
            bridge.OnChange(ClientModel::Change::SendCount);
        }
        passDone = true;
    });
    const bool shown = ProcessEventsUntil(
        [&] { return passDone && window.findChild<QLabel*>("SendCount")->text() == QString::number(kChanges); });
    pass.join();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(onUiThread);
    EXPECT_LT(snapshots, kChanges) << "changes noted between two updates share one snapshot";
}

} // namespace
} // namespace zumaset
