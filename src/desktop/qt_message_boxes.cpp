#include "desktop/qt_message_boxes.h"

#include <QMessageBox>
#include <QThread>

namespace zumaset {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::None: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void ExecMessageBox(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) {
    QMessageBox box(BoxIcon(icon), title, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::Ok, parent);
    // Texts carry paths and server replies: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

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
