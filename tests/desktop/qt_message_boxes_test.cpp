#include "desktop/qt_message_boxes.h"

#include "event_loop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <ostream>
#include <thread>

namespace zumaset {
namespace {

struct IconRow {
    const char* name;
    MessageIcon icon;
    QMessageBox::Icon shown;
};

void PrintTo(const IconRow& row, std::ostream* out) {
    *out << row.name;
}

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

class BoxIcon : public testing::TestWithParam<IconRow> {};

TEST_P(BoxIcon, ABoxFromThePassThreadIsShownByTheUiThreadWhileThePassWaits) {
    QtMessageBoxes boxes;
    SeenBox seen;
    std::atomic<bool> returned = false;
    BoxCloser closer(seen, returned);
    std::thread pass([&] {
        boxes.Show("zumaset", "Soubor <b>A.txt</b>\r\nnelze odeslat.", GetParam().icon);
        returned = true;
    });
    const bool done = ProcessEventsUntil([&] { return returned.load(); });
    pass.join();
    ASSERT_TRUE(done);
    EXPECT_TRUE(seen.callerWaiting);
    EXPECT_EQ(seen.title.toStdString(), "zumaset");
    EXPECT_EQ(seen.text.toStdString(), "Soubor <b>A.txt</b>\nnelze odeslat.");
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.icon, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BoxIcon,
                         testing::Values(IconRow{"Information", MessageIcon::Information, QMessageBox::Information},
                                         IconRow{"Exclamation", MessageIcon::Exclamation, QMessageBox::Warning},
                                         IconRow{"Stop", MessageIcon::Stop, QMessageBox::Critical}),
                         [](const testing::TestParamInfo<IconRow>& info) { return std::string(info.param.name); });

TEST(QtMessageBoxes, ABoxAskedForOnTheUiThreadIsShownThereAtOnce) {
    QThread* shownOn = nullptr;
    QtMessageBoxes boxes([&](const QString&, const QString&, MessageIcon) { shownOn = QThread::currentThread(); });
    boxes.Show("t", "x", MessageIcon::Information);
    EXPECT_EQ(shownOn, QThread::currentThread());
}

} // namespace
} // namespace zumaset
