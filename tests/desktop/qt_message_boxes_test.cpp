#include "desktop/qt_message_boxes.h"

#include "event_loop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace zumaset {
namespace {

// What the open box showed, and whether its caller still waited then.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    bool callerWaiting = false;
};

// Closes the next modal box with its OK button once it is open, noting what it
// showed. Polls from the event loop, so also from the box's own.
class BoxCloser {
public:
    BoxCloser(SeenBox& seen, const std::atomic<bool>& callerReturned) {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this, &seen, &callerReturned] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            seen = SeenBox{box->windowTitle(), box->text(), box->icon(), box->textFormat(), !callerReturned};
            poll_.stop();
            box->button(QMessageBox::Ok)->click();
        });
        poll_.start(5);
    }

private:
    QTimer poll_;
};

// The box shows the text as plain text, never as markup from a file name.
TEST(QtMessageBoxes, ABoxFromThePassThreadIsShownByTheUiThreadWhileThePassWaits) {
    QtMessageBoxes boxes;
    SeenBox seen;
    std::atomic<bool> returned = false;
    BoxCloser closer(seen, returned);
    std::thread pass([&] {
        boxes.Show("zumaset", "Soubor <b>A.txt</b>\r\nnelze odeslat.", MessageIcon::Stop);
        returned = true;
    });
    const bool done = ProcessEventsUntil([&] { return returned.load(); });
    pass.join();
    ASSERT_TRUE(done);
    EXPECT_TRUE(seen.callerWaiting);
    EXPECT_EQ(seen.title.toStdString(), "zumaset");
    EXPECT_EQ(seen.text.toStdString(), "Soubor <b>A.txt</b>\nnelze odeslat.");
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

TEST(QtMessageBoxes, ABoxAskedForOnTheUiThreadIsShownThereAtOnce) {
    QThread* shownOn = nullptr;
    QtMessageBoxes boxes([&](const QString&, const QString&, MessageIcon) { shownOn = QThread::currentThread(); });
    boxes.Show("t", "x", MessageIcon::Information);
    EXPECT_EQ(shownOn, QThread::currentThread());
}

} // namespace
} // namespace zumaset
