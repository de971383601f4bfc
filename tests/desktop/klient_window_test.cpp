#include "core/clock.h"
#include "desktop/klient_window.h"
#include "desktop/model_bridge.h"

#include "event_loop.h"
#include "recording_commands.h"

#include <QMenuBar>
#include <QScrollBar>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <ostream>
#include <thread>
#include <tuple>
#include <utility>

namespace zumaset {
namespace {

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
};

// What a menu holds, in order: "name caption" per entry, "-" for a separator.
std::string Entries(const QMenu& menu) {
    QStringList entries;
    for (const QAction* action : menu.actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->objectName() + ' ' + action->text());
    }
    return entries.join(" | ").toStdString();
}

TEST_F(KlientWindowTest, ShowsItsCaptionsAndTipsAndHoldsTheMenusInOrder) {
    EXPECT_EQ(window.windowTitle().toStdString(), "Zumaset ");
    for (const auto& [name, text, tip] : {
             std::tuple{"LabelProcess", "Výpis aktivity:", ""},
             {"LabelFileCount", "Počet dnes přenesených souborů:", ""},
             {"LabelToServer", "Odesláno:", ""},
             {"SendCount", "0", "Počet odeslaných souborů."},
             {"LabelFromServer", "Přijato:", ""},
             {"GetCount", "0", "Počet přijatých souborů."},
         }) {
        EXPECT_EQ(Find<QLabel>(name).text().toStdString(), text) << name;
        EXPECT_EQ(Find<QLabel>(name).toolTip().toStdString(), tip) << name;
    }
    EXPECT_EQ(Find<QListWidget>("PInf").toolTip().toStdString(), "Obsahuje výpis o činnosti programu.");

    QStringList bar;
    for (const QAction* action : window.menuBar()->actions()) bar << action->text();
    EXPECT_EQ(bar.join(" | ").toStdString(), "Soubor | Protokol | Konfigurace | Ukončit");
    EXPECT_EQ(Entries(Find<QMenu>("mnuFiles")), "mnuSend &Odeslat | mnuGet &Přijmout");
    EXPECT_EQ(Entries(Find<QMenu>("mnuLog")), "mnuLogFile Relace | mnuErrors Chyby | mnuControl Spojení");
    // The tray's menu is a menu of its own, outside the bar.
    EXPECT_EQ(Entries(window.popupMenu()),
              "mnuPopSend &Odeslat | mnuPopGet &Přijmout | - | mnuPopConfig Konfigurace | "
              "- | mnuPopLogFile Relace | mnuPopErrors Chyby | mnuPopControl Spojení | - | "
              "mnuPopExit &Ukončit");
    EXPECT_FALSE(window.menuBar()->actions().contains(window.popupMenu().menuAction()));
}

TEST(KlientWindowMenus, EveryEntryRunsItsCommand) {
    for (const auto& [action, call] : {
             std::pair{"mnuSend", "Send"},
             {"mnuPopSend", "Send"},
             {"mnuGet", "Receive"},
             {"mnuPopGet", "Receive"},
             {"mnuConfig", "Configure"},
             {"mnuPopConfig", "Configure"},
             {"mnuLogFile", "ViewLog Session"},
             {"mnuPopLogFile", "ViewLog Session"},
             {"mnuErrors", "ViewLog Error"},
             {"mnuPopErrors", "ViewLog Error"},
             {"mnuControl", "ViewLog Connection"},
             {"mnuPopControl", "ViewLog Connection"},
             {"mnuExit", "Exit"},
             {"mnuPopExit", "Exit"},
         }) {
        RecordingCommands asked; // a window of its own: the window asks to exit only once
        KlientWindow fresh{asked, [] { return false; }};
        fresh.findChild<QAction*>(QString::fromLatin1(action))->trigger();
        EXPECT_EQ(asked.calls, std::vector<std::string>{call}) << action;
    }
}

TEST_F(KlientWindowTest, ClosingTheWindowExitsOnceEvenWhenTheShutdownClosesItAgain) {
    window.show();
    window.close();
    window.show();
    window.close();
    Action("mnuPopExit").trigger();
    EXPECT_EQ(commands.calls, std::vector<std::string>{"Exit"});
}

TEST_F(KlientWindowTest, WithoutATrayMinimisingLeavesTheWindowMinimisedAndReachable) {
    window.show();
    window.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
    EXPECT_FALSE(window.tray().shown());
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
    EXPECT_GT(list.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(list.verticalScrollBar()->value(), list.verticalScrollBar()->maximum());
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

// The file under way shows under the tip the service set.
TEST_F(KlientModelView, ShowsTheFileInTransferWithItsProgressOnlyWhileItGoes) {
    QProgressBar& bar = Find<QProgressBar>("TransferProgress");
    QLabel& file = Find<QLabel>("TransferFile");
    EXPECT_FALSE(bar.isVisible());
    window.SetTrayTip("Služba pozastavena");

    ClientModelSnapshot going;
    going.transfer = TransferState{TransferState::Direction::Receiving, "CZ590000.xml", 420, 1000};
    window.ShowModel(going);
    EXPECT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.value(), 42);
    EXPECT_EQ(file.text().toStdString(), "Přijímá se: CZ590000.xml");
    EXPECT_EQ(window.tray().shownTip().toStdString(), "Služba pozastavena\nPřijímá se: CZ590000.xml 42 %");

    window.ShowModel(ClientModelSnapshot{});
    EXPECT_FALSE(bar.isVisible());
    EXPECT_EQ(window.tray().shownTip().toStdString(), "Služba pozastavena");

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
