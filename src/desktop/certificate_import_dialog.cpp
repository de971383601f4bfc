#include "desktop/certificate_import_dialog.h"

#include "core/text.h"

#include <QFontDatabase>

namespace zumaset {

namespace {

constexpr int kMaxTextWidth = 560;

QString Shown(std::string_view text) {
    const std::string escaped = EscapeControlChars(text);
    return QString::fromUtf8(escaped.data(), static_cast<qsizetype>(escaped.size()));
}

// A value: plain text, selectable so that the fingerprint can be copied and
// compared, wrapped where it is long.
void ShowValue(QLabel& label, std::string_view text) {
    label.setText(Shown(text));
    label.setTextFormat(Qt::PlainText);
    label.setTextInteractionFlags(Qt::TextSelectableByMouse);
    label.setWordWrap(true);
    label.setMaximumWidth(kMaxTextWidth);
}

} // namespace

CertificateImportDialog::CertificateImportDialog(const QString& title, const CertificateInfo& info, QWidget* parent)
    : QDialog(parent),
      intro_(QStringLiteral("Server nabízí tento certifikát certifikační autority. Důvěřujte mu, jen když jeho otisk "
                            "souhlasí s otiskem, který vám sdělil provozovatel serveru.")),
      trust_(QStringLiteral("&Důvěřovat")), distrust_(QStringLiteral("&Nedůvěřovat")) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("CertificateImport"));

    intro_.setWordWrap(true);
    intro_.setMaximumWidth(kMaxTextWidth);
    layout_.addWidget(&intro_);

    ShowValue(subject_, info.subject);
    ShowValue(issuer_, info.issuer);
    ShowValue(notBefore_, info.notBefore);
    ShowValue(notAfter_, info.notAfter);
    ShowValue(fingerprint_, info.fingerprint);
    fingerprint_.setObjectName(QStringLiteral("Fingerprint"));
    fingerprint_.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    details_.addRow(QStringLiteral("Subjekt:"), &subject_);
    details_.addRow(QStringLiteral("Vydavatel:"), &issuer_);
    details_.addRow(QStringLiteral("Platný od:"), &notBefore_);
    details_.addRow(QStringLiteral("Platný do:"), &notAfter_);
    details_.addRow(QStringLiteral("Otisk SHA-256:"), &fingerprint_);
    layout_.addLayout(&details_);

    trust_.setObjectName(QStringLiteral("cmdTrust"));
    distrust_.setObjectName(QStringLiteral("cmdDistrust"));
    buttons_.addButton(&trust_, QDialogButtonBox::AcceptRole);
    buttons_.addButton(&distrust_, QDialogButtonBox::RejectRole);
    trust_.setAutoDefault(false);
    distrust_.setDefault(true);
    distrust_.setFocus();
    connect(&buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(&buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout_.addWidget(&buttons_);
}

bool ConfirmCertificateImport(QWidget* parent, const QString& title, const CertificateInfo& info) {
    CertificateImportDialog dialog(title, info, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace zumaset
