#pragma once

#include "config/modal_message_boxes.h"
#include "core/message_box.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace zumaset {

// Message boxes of the desktop client. A box asked for on the UI thread is
// shown there at once; one asked for by the pass thread is shown by the UI
// thread while the pass waits for the user to close it, as the pass would
// wait for a box of its own.
//
// The UI thread must keep its event loop running while another thread may
// ask for a box: a UI thread that waits for the pass thread without handling
// events would never show the box the pass waits for.
class QtMessageBoxes final : public MessageBoxes {
public:
    // Shows one box and returns when it is closed; on the UI thread.
    using ShowBox = std::function<void(const QString& title, const QString& text, MessageIcon icon)>;

    // Real boxes, owned by `parent` when there is one. Created on the UI thread.
    explicit QtMessageBoxes(QWidget* parent = nullptr);
    // Boxes shown by `show` (tests), otherwise as above.
    explicit QtMessageBoxes(ShowBox show);

    void Show(std::string_view title, std::string_view text, MessageIcon icon) override;

private:
    ShowBox show_;
    QObject uiThread_; // lives on the UI thread: the queued boxes run in its event loop
};

} // namespace zumaset
