// The import dialog a fetched CA certificate is shown in before it is
// trusted: what it shows, and what each way of closing it answers.
#include "desktop/certificate_import_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

namespace zumaset {
namespace {

CertificateInfo SampleInfo() {
    CertificateInfo info;
    info.subject = "CN=<b>Zumaset Test CA</b>\x1b[2J";
    info.issuer = "CN=Zumaset Root";
    info.notBefore = "2026-01-01 00:00:00 UTC";
    info.notAfter = "2036-01-01 00:00:00 UTC";
    info.fingerprint =
        "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89";
    return info;
}

struct CloseRow {
    const char* name;
    std::function<void(CertificateImportDialog&)> close;
    bool trusted;
};

void PrintTo(const CloseRow& row, std::ostream* out) {
    *out << row.name;
}

class ImportDialogAnswer : public testing::TestWithParam<CloseRow> {};

// Only the trust button trusts: Enter and Escape reach the other one.
TEST_P(ImportDialogAnswer, IsTrueOnlyForTheTrustButton) {
    QString shownFingerprint;
    QStringList texts;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<CertificateImportDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll.stop();
        shownFingerprint = dialog->fingerprintText();
        for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
        GetParam().close(*dialog);
    });
    poll.start(5);
    const bool trusted =
        ConfirmCertificateImport(nullptr, QStringLiteral("zumaset - Instalace certifikátu CA"), SampleInfo());
    EXPECT_EQ(trusted, GetParam().trusted);
    EXPECT_EQ(shownFingerprint.toStdString(), SampleInfo().fingerprint);
    // The server's names are shown as they are, not as markup or terminal codes.
    EXPECT_TRUE(texts.contains(QStringLiteral("CN=<b>Zumaset Test CA</b>\\x1B[2J"))) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("2036-01-01 00:00:00 UTC")));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ImportDialogAnswer,
    testing::Values(CloseRow{"TrustButton", [](CertificateImportDialog& d) { d.trustButton().click(); }, true},
                    CloseRow{"DistrustButton", [](CertificateImportDialog& d) { d.distrustButton().click(); }, false},
                    CloseRow{"Enter", [](CertificateImportDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, false},
                    CloseRow{"Escape", [](CertificateImportDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, false}),
    [](const testing::TestParamInfo<CloseRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace zumaset
