#include "config/office_editor.h"

#include "recording_sinks.h"

#include <QTest>
#include <gtest/gtest.h>

namespace zumaset {
namespace {

TEST(OfficeEditor, ShowsTheStoredListAndDeletingTheOnlyRowDisablesEditAndDelete) {
    OfficeGrid grid;
    grid.FillOfficeGrid("ABC|CZ900000%");
    OfficeEditor editor(grid, "zumaset");
    editor.Refresh();
    ASSERT_EQ(editor.table()->rowCount(), 1);
    EXPECT_TRUE(editor.deleteButton()->isEnabled());
    QTest::mouseClick(editor.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(editor.table()->rowCount(), 0);
    EXPECT_FALSE(editor.editButton()->isEnabled());
    EXPECT_FALSE(editor.deleteButton()->isEnabled());
}

} // namespace
} // namespace zumaset
