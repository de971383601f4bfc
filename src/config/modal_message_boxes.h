#pragma once

#include "core/message_box.h"

#include <QPointer>
#include <QWidget>

namespace zumaset {

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
