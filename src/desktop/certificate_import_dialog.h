#pragma once

#include "exchange/ca_certificate.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>

namespace zumaset {

// Shows a CA certificate fetched from the server before the client trusts
// it: subject, issuer, validity and SHA-256 fingerprint, with the buttons
// "Důvěřovat" (accept) and "Nedůvěřovat" (reject, the default, so that Enter
// or Escape never trusts by accident). The names come from the server before
// it is trusted: they are shown as plain text, control characters escaped.
class CertificateImportDialog final : public QDialog {
    Q_OBJECT

public:
    CertificateImportDialog(const QString& title, const CertificateInfo& info, QWidget* parent = nullptr);

    QPushButton& trustButton() { return trust_; }
    QPushButton& distrustButton() { return distrust_; }
    // The fingerprint as shown, without its line break.
    QString fingerprintText() const { return QString(fingerprint_.text()).remove(u'\n'); }

private:
    // Members in layout order: destroyed before the dialog, each leaves its
    // parent and layout on the way.
    QVBoxLayout layout_{this};
    QLabel intro_;
    QFormLayout details_;
    QLabel subject_;
    QLabel issuer_;
    QLabel notBefore_;
    QLabel notAfter_;
    QLabel fingerprint_;
    QDialogButtonBox buttons_;
    QPushButton trust_;
    QPushButton distrust_;
};

// Shows the dialog modally; true when the user chose to trust the certificate.
bool ConfirmCertificateImport(QWidget* parent, const QString& title, const CertificateInfo& info);

} // namespace zumaset
