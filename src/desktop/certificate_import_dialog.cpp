#include "desktop/certificate_import_dialog.h"

#include "core/text.h"

#include <QFontDatabase>

namespace zumaset {

namespace {

constexpr int kMaxTextWidth = 560;
constexpr int kMinValueWidth = 380;
constexpr int kFingerprintLineBytes = 16;

// The SHA-256 fingerprint in two lines of 16 bytes, each line break after a
// colon, so that the lines can be compared with a published one at a glance.
QString FingerprintLines(const QString& fingerprint) {
    const qsizetype cut = kFingerprintLineBytes * 3;
    if (fingerprint.size() <= cut) return fingerprint;
    return fingerprint.left(cut) + u'\n' + fingerprint.mid(cut);
}

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
    label.setMinimumWidth(kMinValueWidth);
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
    fingerprint_.setText(FingerprintLines(fingerprint_.text()));
    fingerprint_.setWordWrap(false);
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
