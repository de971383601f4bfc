#pragma once

#include "core/message_box.h"
#include "shell/office_grid.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

namespace zumaset {

// The small modal form `Edit` that enters one customs office: it adds a row to
// the grid, or edits the grid's current row while the grid's editor mode flag
// is set. Closing it in any way clears the flag.
class OfficeEntryForm final : public QDialog {
public:
    OfficeEntryForm(OfficeGrid& grid, MessageBoxes& boxes, std::string exeName, QWidget* parent = nullptr);
    ~OfficeEntryForm() override;
    OfficeEntryForm(const OfficeEntryForm&) = delete;
    OfficeEntryForm& operator=(const OfficeEntryForm&) = delete;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Confirm();
    // Shows a refusal about the code and puts the focus back into it.
    void RefuseCode(std::string_view text);
    // The check on leaving the code field: a malformed code is refused.
    void CheckCodeOnLeaving(const QFocusEvent& event);
    // Applies the code field's typing rule; true when the key was dealt with.
    bool CodeKeyHandled(const QKeyEvent& key);

    OfficeGrid& grid_;
    MessageBoxes& boxes_;
    std::string exeName_;
    bool refusing_ = false;

    QGridLayout layout_;
    QLabel labelZkratka_;
    QLineEdit zkratka_;
    QLabel labelKodCu_;
    QLineEdit kodCu_;
    QPushButton cmdOk_;
    QPushButton cmdCancel_;
};

} // namespace zumaset
