#include "shell/office_grid.h"

#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace zumaset {

void PrintTo(const OfficeRow& row, std::ostream* os) {
    *os << '{' << row.abbreviation << " / " << row.code << '}';
}

namespace {

struct ListRow {
    const char* name;
    const char* stored;
    std::vector<OfficeRow> rows; // expected
    const char* saved;           // expected
};

void PrintTo(const ListRow& row, std::ostream* os) {
    *os << row.name << " (\"" << row.stored << "\")";
}

const ListRow kListRows[] = {
    {"Empty", "", {}, ""},
    {"OneEntry", "PRAHA|CZ900000%", {{"PRAHA", "CZ900000"}}, "PRAHA|CZ900000%"},
    {"EntriesInOrderWithDuplicates",
     "ALL_FILES|CZ900000%a;b|CZ510201%ALL_FILES|CZ900000%",
     {{"ALL_FILES", "CZ900000"}, {"a;b", "CZ510201"}, {"ALL_FILES", "CZ900000"}},
     "ALL_FILES|CZ900000%a;b|CZ510201%ALL_FILES|CZ900000%"},
    {"TextAfterLastPercentIsNoEntry", "A|CZ100000%B|CZ2", {{"A", "CZ100000"}}, "A|CZ100000%"},
    {"CellsAreTrimmedOnSaving", " A ; B | CZ100000 %", {{" A ; B ", " CZ100000 "}}, "A ; B|CZ100000%"},
    {"BarInAbbreviationKeepsTheCode", "a|b|CZ100000%", {{"a|b", "CZ100000"}}, "a|b|CZ100000%"},
    {"EntryWithoutBarHasNoCode", "PRAHA%", {{"PRAHA", ""}}, "PRAHA|%"},
    {"PercentInAbbreviationSplitsTheEntry", "a%b|CZ100000%", {{"a", ""}, {"b", "CZ100000"}}, "a|%b|CZ100000%"},
};

class OfficeListText : public testing::TestWithParam<ListRow> {};

TEST_P(OfficeListText, FillsTheRowsAndSavesThemBack) {
    OfficeGrid grid;
    grid.FillOfficeGrid(GetParam().stored);
    EXPECT_EQ(grid.rows(), GetParam().rows);
    EXPECT_EQ(grid.BuildOfficeList(), GetParam().saved);
    EXPECT_EQ(grid.editEnabled(), !GetParam().rows.empty());
    EXPECT_EQ(grid.deleteEnabled(), !GetParam().rows.empty());
}

INSTANTIATE_TEST_SUITE_P(Lists, OfficeListText, testing::ValuesIn(kListRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OfficeGrid, FillingAgainInTheSameOpeningKeepsTheEditedRows) {
    OfficeGrid grid;
    grid.FillOfficeGrid("A|CZ100000%");
    grid.AddRow({"B", "CZ200000"});
    grid.FillOfficeGrid("A|CZ100000%");
    EXPECT_EQ(grid.BuildOfficeList(), "A|CZ100000%B|CZ200000%");
}

struct DeleteRow {
    const char* name;
    std::size_t rows;
    std::size_t current;
    std::vector<std::string> left;      // expected abbreviations
    std::optional<std::size_t> becomes; // expected current row
};

void PrintTo(const DeleteRow& row, std::ostream* os) {
    *os << row.name;
}

const DeleteRow kDeleteRows[] = {
    {"OnlyRowLeavesTheHeadingAlone", 1, 0, {}, std::nullopt},
    {"FirstOfThree", 3, 0, {"1", "2"}, 0},
    {"MiddleOfThreeGivesTheNextRow", 3, 1, {"0", "2"}, 1},
    {"LastOfThreeGivesTheRowAbove", 3, 2, {"0", "1"}, 1},
};

class OfficeGridDelete : public testing::TestWithParam<DeleteRow> {};

TEST_P(OfficeGridDelete, RemovesTheCurrentRow) {
    OfficeGrid grid;
    for (std::size_t i = 0; i < GetParam().rows; ++i) grid.AddRow({std::to_string(i), "CZ100000"});
    grid.SetCurrentRow(GetParam().current);
    grid.DeleteCurrent();
    std::vector<std::string> left;
    for (const OfficeRow& row : grid.rows()) left.push_back(row.abbreviation);
    EXPECT_EQ(left, GetParam().left);
    EXPECT_EQ(grid.currentRow(), GetParam().becomes);
    EXPECT_EQ(grid.editEnabled(), !left.empty());
    EXPECT_EQ(grid.deleteEnabled(), !left.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, OfficeGridDelete, testing::ValuesIn(kDeleteRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OfficeGrid, EditAndDeleteWithoutRowsChangeNothing) {
    OfficeGrid grid;
    grid.EditCurrent({"A", "CZ100000"});
    grid.DeleteCurrent();
    EXPECT_EQ(grid.dataRowCount(), 0u);
    EXPECT_EQ(grid.current(), nullptr);
}

} // namespace
} // namespace zumaset
