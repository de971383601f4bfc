#include "desktop/qt_ca_offer_face.h"

#include "desktop/certificate_import_dialog.h"
#include "desktop/qt_message_boxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace zumaset {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

bool QtCaOfferFace::AskYesNo(std::string_view title, std::string_view text) {
    QMessageBox box(QMessageBox::Information, FromUtf8(title),
                    FromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), QMessageBox::NoButton,
                    owner_.data());
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(QStringLiteral("&Ano"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Ne"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

bool QtCaOfferFace::ConfirmImport(std::string_view title, const CertificateInfo& info) {
    return ConfirmCertificateImport(owner_.data(), FromUtf8(title), info);
}

void QtCaOfferFace::ShowBox(std::string_view title, std::string_view text, MessageIcon icon) {
    ExecMessageBox(owner_.data(), FromUtf8(title), FromUtf8(text), icon);
}

} // namespace zumaset
