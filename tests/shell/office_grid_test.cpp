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

TEST(OfficeGrid, DeletingTheCurrentRowMakesTheNextOneCurrentOrTheLastWhenItWasLast) {
    OfficeGrid grid;
    grid.FillOfficeGrid("A|CZ100000%B|CZ200000%C|CZ300000%");
    grid.SetCurrentRow(1);
    grid.DeleteCurrent();
    EXPECT_EQ(grid.current()->abbreviation, "C");
    grid.DeleteCurrent();
    EXPECT_EQ(grid.current()->abbreviation, "A");
    grid.DeleteCurrent();
    EXPECT_EQ(grid.currentRow(), std::nullopt);
    EXPECT_FALSE(grid.editEnabled() || grid.deleteEnabled());
    grid.DeleteCurrent();
    grid.EditCurrent({"A", "CZ100000"});
    EXPECT_EQ(grid.BuildOfficeList(), "");
}

} // namespace
} // namespace zumaset
