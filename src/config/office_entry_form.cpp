#include "config/office_entry_form.h"

#include "config/key_filters.h"
#include "config/qt_owned.h"
#include "core/message_table.h"
#include "shell/office_entry_rules.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QValidator>
#include <utility>

namespace zumaset {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

// Keeps the whole code field in the shape the typing rule gives it, whatever
// way the text arrives (typed away from the end, pasted, dropped).
class OfficeCodeValidator final : public QValidator {
public:
    State validate(QString& input, int& /*pos*/) const override {
        return OfficeCodeTextFits(ToUtf8(input)) ? Acceptable : Invalid;
    }
};

template <typename W> void Name(W& widget, const char* name) {
    widget.setObjectName(QString::fromLatin1(name));
}

} // namespace

OfficeEntryForm::OfficeEntryForm(OfficeGrid& grid, MessageBoxes& boxes, std::string exeName, QWidget* parent)
    : QDialog(parent), grid_(grid), boxes_(boxes), exeName_(std::move(exeName)) {
    Name(*this, "Edit");
    Name(labelZkratka_, "LabelZkratka");
    Name(zkratka_, "Zkratka");
    Name(labelKodCu_, "LabelKodCU");
    Name(kodCu_, "KodCu");
    Name(cmdOk_, "cmdOK");
    Name(cmdCancel_, "cmdCancel");
    setModal(true);

    labelZkratka_.setText(QStringLiteral("Zkratka :"));
    labelZkratka_.setBuddy(&zkratka_);
    zkratka_.setToolTip(QStringLiteral("Zadejte zkratku, kterou Vám přidělil celní úřad."));
    labelKodCu_.setText(QStringLiteral("Kód celního úřadu :"));
    labelKodCu_.setBuddy(&kodCu_);
    kodCu_.setMaxLength(static_cast<int>(kOfficeCodeLength));
    kodCu_.setValidator(MakeOwnedBy<OfficeCodeValidator>(&kodCu_));
    cmdOk_.setText(QStringLiteral("OK"));
    cmdCancel_.setText(QStringLiteral("Storno"));
    // Enter in a field moves on; on a button it presses that button only.
    cmdOk_.setAutoDefault(false);
    cmdCancel_.setAutoDefault(false);

    layout_.addWidget(&labelZkratka_, 0, 0);
    layout_.addWidget(&zkratka_, 0, 1);
    layout_.addWidget(&labelKodCu_, 1, 0);
    layout_.addWidget(&kodCu_, 1, 1);
    layout_.addWidget(&cmdOk_, 2, 0);
    layout_.addWidget(&cmdCancel_, 2, 1, Qt::AlignRight);
    setLayout(&layout_);
    setTabOrder(&zkratka_, &kodCu_);
    setTabOrder(&kodCu_, &cmdOk_);
    setTabOrder(&cmdOk_, &cmdCancel_);

    InstallEnterMovesOn(&zkratka_);
    InstallSelectAllOnEntry(&zkratka_);
    InstallEnterMovesOn(&kodCu_);
    InstallSelectAllOnEntry(&kodCu_);
    // Installed last, so it sees the code field's events first.
    kodCu_.installEventFilter(this);

    connect(&cmdOk_, &QPushButton::clicked, this, [this] { Confirm(); });
    connect(&cmdCancel_, &QPushButton::clicked, this, [this] { reject(); });

    if (const OfficeRow* row = grid_.current(); grid_.editorMode() && row) {
        setWindowTitle(QStringLiteral("Upravit"));
        zkratka_.setText(FromUtf8(row->abbreviation));
        kodCu_.setText(FromUtf8(row->code));
    } else {
        setWindowTitle(QStringLiteral("Nový"));
    }
    zkratka_.setFocus();
}

OfficeEntryForm::~OfficeEntryForm() {
    // The code field loses the focus while it is destroyed, after the buttons:
    // no check may run then.
    kodCu_.removeEventFilter(this);
}

void OfficeEntryForm::done(int result) {
    grid_.SetEditorMode(false);
    QDialog::done(result);
}

bool OfficeEntryForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &kodCu_) return false;
    if (event->type() == QEvent::KeyPress) return CodeKeyHandled(*static_cast<QKeyEvent*>(event));
    if (event->type() != QEvent::FocusOut) return false;
    // The field finishes leaving first; a refused code then takes the focus back.
    watched->event(event);
    CheckCodeOnLeaving(*static_cast<QFocusEvent*>(event));
    return true;
}

bool OfficeEntryForm::CodeKeyHandled(const QKeyEvent& key) {
    const QString typed = key.text();
    // Backspace, Enter and the editing shortcuts carry no printable text.
    if (typed.isEmpty() || !typed.front().isPrint() || (key.modifiers() & Qt::ControlModifier)) return false;
    // The key replaces the selection, so the rule looks at what remains.
    QString remaining = kodCu_.text();
    if (kodCu_.hasSelectedText()) remaining.remove(kodCu_.selectionStart(), kodCu_.selectedText().size());
    switch (OfficeCodeKey(ToUtf8(remaining), typed.toUcs4().value(0))) {
    case CodeKey::Accept: return false;
    case CodeKey::AcceptLowered: kodCu_.insert(typed.toLower()); return true;
    case CodeKey::Refuse: return true;
    }
    return true;
}

void OfficeEntryForm::CheckCodeOnLeaving(const QFocusEvent& event) {
    if (refusing_) return;
    // Another window taking the focus is not leaving the field.
    QWidget* next = QApplication::focusWidget();
    if (!next || next->window() != this) return;
    // A click on OK checks the code itself; a click on Storno discards it.
    if (event.reason() == Qt::MouseFocusReason && (next == &cmdOk_ || next == &cmdCancel_)) return;
    if (OfficeCodeMalformed(ToUtf8(kodCu_.text()))) RefuseCode(MessageText(msg::kOfficeCodeMalformed));
}

void OfficeEntryForm::RefuseCode(std::string_view text) {
    refusing_ = true;
    boxes_.Show(exeName_, text, MessageIcon::Exclamation);
    kodCu_.setFocus();
    refusing_ = false;
}

void OfficeEntryForm::Confirm() {
    kodCu_.setText(kodCu_.text().toUpper());
    const std::string code = ToUtf8(kodCu_.text());
    const std::optional<OfficeRow> row = ConfirmedOfficeRow(ToUtf8(zkratka_.text()), code);
    if (!row) {
        RefuseCode("Kód CU musí být vyplněn");
        return;
    }
    // A malformed code reaches OK only by a click; refuse it as leaving would.
    if (OfficeCodeMalformed(code)) {
        RefuseCode(MessageText(msg::kOfficeCodeMalformed));
        return;
    }
    zkratka_.setText(FromUtf8(row->abbreviation));
    if (grid_.editorMode()) {
        grid_.EditCurrent(*row);
    } else {
        grid_.AddRow(*row);
    }
    accept();
}

} // namespace zumaset
