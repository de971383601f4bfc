#include "shell/office_grid.h"

#include "core/text.h"

#include <algorithm>
#include <utility>

namespace zumaset {

std::vector<OfficeRow> ParseOfficeList(std::string_view cuOption) {
    std::vector<OfficeRow> rows;
    // Every piece before a "%" is an entry; what follows the last "%" is not.
    for (std::size_t end = cuOption.find('%'); end != std::string_view::npos; end = cuOption.find('%')) {
        const std::string_view entry = cuOption.substr(0, end);
        cuOption.remove_prefix(end + 1);
        // A code never holds a "|", so the last one ends the abbreviation: one
        // typed into the abbreviation stays in it and the list is saved back
        // unchanged.
        const std::size_t bar = entry.rfind('|');
        if (bar == std::string_view::npos) {
            rows.push_back({std::string(entry), {}});
        } else {
            rows.push_back({std::string(entry.substr(0, bar)), std::string(entry.substr(bar + 1))});
        }
    }
    return rows;
}

void OfficeGrid::FillOfficeGrid(std::string_view cuOption) {
    if (filled_) return;
    filled_ = true;
    for (OfficeRow& row : ParseOfficeList(cuOption)) rows_.push_back(std::move(row));
}

std::string OfficeGrid::BuildOfficeList() const {
    std::string list;
    for (const OfficeRow& row : rows_) {
        list += TrimBlanks(row.abbreviation);
        list += '|';
        list += TrimBlanks(row.code);
        list += '%';
    }
    return list;
}

std::optional<std::size_t> OfficeGrid::currentRow() const {
    if (rows_.empty()) return std::nullopt;
    return current_ < rows_.size() ? current_ : rows_.size() - 1;
}

const OfficeRow* OfficeGrid::current() const {
    const auto row = currentRow();
    return row ? &rows_[*row] : nullptr;
}

void OfficeGrid::SetCurrentRow(std::size_t row) {
    if (row < rows_.size()) current_ = row;
}

void OfficeGrid::AddRow(OfficeRow row) {
    rows_.push_back(std::move(row));
    current_ = rows_.size() - 1;
}

void OfficeGrid::EditCurrent(OfficeRow row) {
    if (const auto at = currentRow()) rows_[*at] = std::move(row);
}

void OfficeGrid::DeleteCurrent() {
    const auto at = currentRow();
    if (!at) return;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*at));
    current_ = rows_.empty() ? 0 : std::min(*at, rows_.size() - 1);
}

} // namespace zumaset
