#pragma once

#include "core/message_box.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace zumaset {

// A modal box over `parent` (none: a window of its own) with one OK button.
// The text is shown as plain text, CR LF as line breaks: texts carry paths
// and server replies, never markup.
void ExecMessageBox(QWidget* parent, const QString& title, const QString& text, MessageIcon icon);

// Message boxes of the configuration dialog: modal, owned by a widget's
// window, with one OK button; the text is shown as plain text.
class ModalMessageBoxes final : public MessageBoxes {
public:
    explicit ModalMessageBoxes(QWidget* owner) : owner_(owner) {}
    void Show(std::string_view title, std::string_view text, MessageIcon icon) override;

private:
    QPointer<QWidget> owner_;
};

} // namespace zumaset
