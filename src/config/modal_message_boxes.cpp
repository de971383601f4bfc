#include "config/modal_message_boxes.h"

#include <QMessageBox>

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
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void ModalMessageBoxes::Show(std::string_view title, std::string_view text, MessageIcon icon) {
    ExecMessageBox(owner_ ? owner_->window() : nullptr, FromUtf8(title), FromUtf8(text), icon);
}

} // namespace zumaset
