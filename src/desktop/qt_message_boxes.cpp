#include "desktop/qt_message_boxes.h"

#include <QThread>

namespace zumaset {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QtMessageBoxes::QtMessageBoxes(QWidget* parent)
    : QtMessageBoxes(
          ShowBox([owner = QPointer<QWidget>(parent)](const QString& title, const QString& text, MessageIcon icon) {
              ExecMessageBox(owner.data(), title, text, icon);
          })) {}

QtMessageBoxes::QtMessageBoxes(ShowBox show) : show_(std::move(show)) {}

void QtMessageBoxes::Show(std::string_view title, std::string_view text, MessageIcon icon) {
    const QString boxTitle = FromUtf8(title);
    const QString boxText = FromUtf8(text);
    if (QThread::currentThread() == uiThread_.thread()) {
        show_(boxTitle, boxText, icon);
        return;
    }
    QMetaObject::invokeMethod(
        &uiThread_, [&] { show_(boxTitle, boxText, icon); }, Qt::BlockingQueuedConnection);
}

} // namespace zumaset
