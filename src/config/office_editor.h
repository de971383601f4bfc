#pragma once

#include "core/message_box.h"
#include "shell/office_grid.h"

#include <QGridLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <memory>
#include <string>

namespace zumaset {

// The customs office list on the dialog's "CÚ" tab: the grid `Grid` over an
// OfficeGrid and the buttons `cmdNew`, `cmdEdit` and `cmdDelete`. New and
// Edit open the entry form modally; Delete removes the current row at once.
class OfficeEditor final : public QWidget {
public:
    OfficeEditor(OfficeGrid& grid, std::string exeName, QWidget* parent = nullptr);

    // Shows the grid's rows again (after FillOfficeGrid).
    void Refresh();
    // Where the entry form's boxes go (modal boxes over this window by default).
    void SetMessageBoxes(MessageBoxes& boxes) { boxes_ = &boxes; }

    QPushButton* newButton() { return &cmdNew_; }
    QPushButton* editButton() { return &cmdEdit_; }
    QPushButton* deleteButton() { return &cmdDelete_; }
    QTableWidget* table() { return &table_; }

private:
    void OpenEntryForm(bool editing);
    void DeleteRow();
    void SetColumnWidths();

    OfficeGrid& grid_;
    std::string exeName_;
    std::unique_ptr<MessageBoxes> ownBoxes_;
    MessageBoxes* boxes_;

    QGridLayout layout_;
    QTableWidget table_;
    QPushButton cmdNew_;
    QPushButton cmdEdit_;
    QPushButton cmdDelete_;
};

// Pixels for a length in twips on a screen of `dpi` dots an inch (1440 twips
// an inch, so 15 twips a pixel at 96 dpi), rounded.
int TwipsToPixels(int twips, int dpi);

} // namespace zumaset
