#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumaset {

// One entry of the customs office list: the abbreviation (file-name fragments
// separated by ";", or "ALL_FILES") and the customs office code.
struct OfficeRow {
    std::string abbreviation;
    std::string code;
    bool operator==(const OfficeRow&) const = default;
};

// The working copy of the customs office list while the configuration dialog
// is open: the rows of the grid, its current row, the state of the Edit and
// Delete buttons and the editor mode flag. Widgets show it; `CuOption`
// changes only when the dialog saves `BuildOfficeList()`.
class OfficeGrid {
public:
    // Adds the rows of the stored list ("abbreviation|code%" entries). Only
    // the first call on a grid fills it: choosing the manual mode again in the
    // same opening of the dialog keeps the rows (and the edits made to them)
    // instead of appending the stored entries a second time.
    void FillOfficeGrid(std::string_view cuOption);
    // The text for `CuOption`: trimmed abbreviation, "|", trimmed code, "%"
    // for every row in order; empty without rows.
    std::string BuildOfficeList() const;

    std::size_t dataRowCount() const { return rows_.size(); }
    const std::vector<OfficeRow>& rows() const { return rows_; }

    // The row Edit and Delete act on; none only when there is no row.
    std::optional<std::size_t> currentRow() const;
    const OfficeRow* current() const;
    // Makes `row` current; ignored when there is no such row.
    void SetCurrentRow(std::size_t row);

    // Appends a row and makes it current (a new entry confirmed).
    void AddRow(OfficeRow row);
    // Replaces the current row (an edited entry confirmed); no-op without one.
    void EditCurrent(OfficeRow row);
    // Removes the current row; the last row is taken by the one below it, or
    // the one above when it was the last. Removing the only row leaves the
    // heading alone with Edit and Delete disabled.
    void DeleteCurrent();

    // Edit and Delete are enabled exactly while there is a data row.
    bool editEnabled() const { return !rows_.empty(); }
    bool deleteEnabled() const { return !rows_.empty(); }

    // True while the entry form edits the current row, false while it adds one.
    bool editorMode() const { return editorMode_; }
    void SetEditorMode(bool editing) { editorMode_ = editing; }

private:
    std::vector<OfficeRow> rows_;
    std::size_t current_ = 0;
    bool filled_ = false;
    bool editorMode_ = false;
};

// The entries of a stored list, in order: the abbreviation is the text before
// the entry's last "|", the code the text after it (empty without a "|").
std::vector<OfficeRow> ParseOfficeList(std::string_view cuOption);

} // namespace zumaset
