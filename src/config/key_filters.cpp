#include "config/key_filters.h"

#include "config/qt_owned.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace zumaset {

namespace {

bool IsEnter(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

class EnterMovesOn final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !IsEnter(*static_cast<QKeyEvent*>(event))) return false;
        // The widget sees the Enter first, then the Tab moves the focus on,
        // in the order the user would have typed them.
        watched->event(event);
        // Accepted, so it goes no further up to the window's default button.
        event->accept();
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(watched, &tab);
        return true;
    }
};

class SelectAllOnEntry final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FocusIn) return false;
        watched->event(event);
        auto* edit = static_cast<QLineEdit*>(watched);
        const auto length = static_cast<int>(edit->text().size());
        // Selected from the end back to the start leaves the caret at the start.
        edit->setSelection(length, -length);
        return true;
    }
};

} // namespace

void InstallEnterMovesOn(QWidget* widget) {
    widget->installEventFilter(MakeOwnedBy<EnterMovesOn>(widget));
}

void InstallDigitsOnly(QLineEdit* edit) {
    edit->setValidator(MakeOwnedBy<QRegularExpressionValidator>(edit, QRegularExpression(QStringLiteral("[0-9]*"))));
    InstallEnterMovesOn(edit);
}

void InstallSelectAllOnEntry(QLineEdit* edit) {
    edit->installEventFilter(MakeOwnedBy<SelectAllOnEntry>(edit));
}

} // namespace zumaset
