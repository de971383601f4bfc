#include "config/office_editor.h"

#include "config/modal_message_boxes.h"
#include "config/office_entry_form.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidgetItem>
#include <memory>
#include <utility>

namespace zumaset {

namespace {

constexpr int kAbbreviationTwips = 1400;
constexpr int kCodeTwips = 900;
constexpr Qt::Alignment kAbbreviationAlign = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCodeAlign = Qt::AlignRight | Qt::AlignVCenter;

// A cell or heading for the table, which takes it over.
std::unique_ptr<QTableWidgetItem> Cell(const QString& text, Qt::Alignment align) {
    auto item = std::make_unique<QTableWidgetItem>(text);
    item->setTextAlignment(align);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

template <typename W> void Name(W& widget, const char* name) {
    widget.setObjectName(QString::fromLatin1(name));
}

} // namespace

int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

OfficeEditor::OfficeEditor(OfficeGrid& grid, std::string exeName, QWidget* parent)
    : QWidget(parent), grid_(grid), exeName_(std::move(exeName)), ownBoxes_(std::make_unique<ModalMessageBoxes>(this)),
      boxes_(ownBoxes_.get()) {
    Name(table_, "Grid");
    Name(cmdNew_, "cmdNew");
    Name(cmdEdit_, "cmdEdit");
    Name(cmdDelete_, "cmdDelete");

    table_.setColumnCount(2);
    table_.setHorizontalHeaderItem(0, Cell(QStringLiteral("Zkratka"), kAbbreviationAlign).release());
    table_.setHorizontalHeaderItem(1, Cell(QStringLiteral("Kód CÚ"), kCodeAlign).release());
    table_.verticalHeader()->hide();
    table_.setToolTip(QStringLiteral("Přehled konfigurace celních úřadů."));
    table_.setSelectionBehavior(QAbstractItemView::SelectRows);
    table_.setSelectionMode(QAbstractItemView::SingleSelection);
    table_.setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetColumnWidths();

    cmdNew_.setText(QStringLiteral("Nový"));
    cmdNew_.setToolTip(QStringLiteral("Vyvolá dialog pro přidání záznamu"));
    cmdEdit_.setText(QStringLiteral("Uprav"));
    cmdEdit_.setToolTip(QStringLiteral("Vyvolá dialog pro editaci záznamu"));
    cmdDelete_.setText(QStringLiteral("Vymaž"));
    cmdDelete_.setToolTip(QStringLiteral("Vymaže označený záznam"));

    layout_.setContentsMargins(0, 0, 0, 0);
    layout_.addWidget(&table_, 0, 0, 4, 1);
    layout_.addWidget(&cmdNew_, 0, 1);
    layout_.addWidget(&cmdEdit_, 1, 1);
    layout_.addWidget(&cmdDelete_, 2, 1);
    layout_.setRowStretch(3, 1);
    setLayout(&layout_);

    connect(&table_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0) grid_.SetCurrentRow(static_cast<std::size_t>(row));
    });
    connect(&cmdNew_, &QPushButton::clicked, this, [this] { OpenEntryForm(false); });
    connect(&cmdEdit_, &QPushButton::clicked, this, [this] { OpenEntryForm(true); });
    connect(&cmdDelete_, &QPushButton::clicked, this, [this] { DeleteRow(); });
    Refresh();
}

void OfficeEditor::Refresh() {
    const QSignalBlocker quiet(table_);
    const auto& rows = grid_.rows();
    table_.setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i);
        table_.setItem(row, 0, Cell(QString::fromStdString(rows[i].abbreviation), kAbbreviationAlign).release());
        table_.setItem(row, 1, Cell(QString::fromStdString(rows[i].code), kCodeAlign).release());
    }
    if (const auto current = grid_.currentRow()) {
        table_.setCurrentCell(static_cast<int>(*current), 0);
        table_.selectRow(static_cast<int>(*current));
    } else {
        table_.clearSelection();
        SetColumnWidths();
    }
    cmdEdit_.setEnabled(grid_.editEnabled());
    cmdDelete_.setEnabled(grid_.deleteEnabled());
}

void OfficeEditor::SetColumnWidths() {
    const int dpi = logicalDpiX();
    table_.setColumnWidth(0, TwipsToPixels(kAbbreviationTwips, dpi));
    table_.setColumnWidth(1, TwipsToPixels(kCodeTwips, dpi));
}

void OfficeEditor::OpenEntryForm(bool editing) {
    if (editing && !grid_.current()) return;
    grid_.SetEditorMode(editing);
    OfficeEntryForm form(grid_, *boxes_, exeName_, window());
    form.exec();
    grid_.SetEditorMode(false);
    // After a new entry, added or not, the last row is the current one.
    if (!editing && grid_.dataRowCount() > 0) grid_.SetCurrentRow(grid_.dataRowCount() - 1);
    Refresh();
}

void OfficeEditor::DeleteRow() {
    grid_.DeleteCurrent();
    Refresh();
}

} // namespace zumaset
