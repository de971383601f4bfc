#include "config/office_editor.h"
#include "config/office_entry_form.h"
#include "core/message_table.h"
#include "shell/office_entry_rules.h"

#include "recording_sinks.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace zumaset {
namespace {

using test::RecordingMessageBoxes;

constexpr const char* kExe = "zumaset";

// The entry form shown and active, as the user meets it.
class EntryFormTest : public testing::Test {
protected:
    void Open(bool editing) {
        grid.SetEditorMode(editing);
        form = std::make_unique<OfficeEntryForm>(grid, boxes, kExe);
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        zkratka = form->findChild<QLineEdit*>(QStringLiteral("Zkratka"));
        kodCu = form->findChild<QLineEdit*>(QStringLiteral("KodCu"));
        ok = form->findChild<QPushButton*>(QStringLiteral("cmdOK"));
        cancel = form->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        ASSERT_TRUE(zkratka && kodCu && ok && cancel);
    }

    void TypeCode(const char* keys) {
        kodCu->setFocus();
        QTest::keyClicks(kodCu, QString::fromUtf8(keys));
    }

    OfficeGrid grid;
    RecordingMessageBoxes boxes;
    std::unique_ptr<OfficeEntryForm> form;
    QLineEdit* zkratka = nullptr;
    QLineEdit* kodCu = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

TEST_F(EntryFormTest, TypingShowsLettersLowerCaseAndNeitherTypingNorPastingBreaksTheShape) {
    Open(false);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Nový"));
    TypeCode("9C#z9a00000099");
    EXPECT_EQ(kodCu->text(), QStringLiteral("cz900000"));
    kodCu->clear();
    QApplication::clipboard()->setText(QStringLiteral("12ab"));
    kodCu->paste();
    EXPECT_EQ(kodCu->text(), QString());
    QApplication::clipboard()->setText(QStringLiteral("CZ900000"));
    kodCu->paste();
    EXPECT_EQ(kodCu->text(), QStringLiteral("CZ900000"));
}

TEST_F(EntryFormTest, LeavingTheCodeWithFourCharactersIsRefusedButEmptyMovesOn) {
    Open(false);
    TypeCode("cz90");
    QTest::keyClick(kodCu, Qt::Key_Return);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, MessageText(msg::kOfficeCodeMalformed));
    EXPECT_EQ(QApplication::focusWidget(), kodCu);
    kodCu->clear();
    QTest::keyClick(kodCu, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), ok);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(EntryFormTest, OkRefusesAnEmptyCodeOrAListSeparatorAndStaysOpen) {
    Open(false);
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Kód CU musí být vyplněn");
    EXPECT_TRUE(form->isVisible());

    // "|" or "%" in the abbreviation would split the stored entry and lose its code.
    TypeCode("cz900000");
    for (const char* abbreviation : {"praha|brno", "praha%"}) {
        zkratka->setText(QString::fromUtf8(abbreviation));
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_EQ(boxes.boxes.back().text, kAbbreviationSeparatorText);
        EXPECT_EQ(QApplication::focusWidget(), zkratka);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(grid.dataRowCount(), 0u);
    }
}

TEST_F(EntryFormTest, EditingRetypesTheCurrentRow) {
    grid.FillOfficeGrid("A|CZ100000%B|CZ200000%");
    grid.SetCurrentRow(1);
    Open(true);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Upravit"));
    EXPECT_EQ(zkratka->text(), QStringLiteral("B"));
    // Entering the field selects the whole code, and typing replaces it.
    QTest::keyClick(zkratka, Qt::Key_Tab);
    QTest::keyClicks(kodCu, QStringLiteral("DE300000"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(grid.editorMode());
    EXPECT_EQ(grid.BuildOfficeList(), "A|CZ100000%B|DE300000%");
}

TEST_F(EntryFormTest, StornoChangesNothingEvenWithAShortCode) {
    grid.FillOfficeGrid("A|CZ100000%");
    Open(true);
    kodCu->setFocus();
    kodCu->setText(QStringLiteral("cz"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_FALSE(grid.editorMode());
    EXPECT_EQ(grid.BuildOfficeList(), "A|CZ100000%");
}

// Runs `step` on the entry form once the editor has opened it modally.
void WhenEntryFormOpens(std::function<void(OfficeEntryForm&)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        auto* form = dynamic_cast<OfficeEntryForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        step(*form);
    });
}

TEST(OfficeEditor, NewAddsTheCodeUpperCaseUnderAllFilesAndMakesItCurrent) {
    OfficeGrid grid;
    grid.FillOfficeGrid("A|CZ100000%");
    RecordingMessageBoxes boxes;
    OfficeEditor editor(grid, kExe);
    editor.SetMessageBoxes(boxes);
    editor.table()->setCurrentCell(0, 0);
    WhenEntryFormOpens([](OfficeEntryForm& form) {
        auto* kodCu = form.findChild<QLineEdit*>(QStringLiteral("KodCu"));
        kodCu->setFocus();
        QTest::keyClicks(kodCu, QStringLiteral("CZ900000"));
        form.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    QTest::mouseClick(editor.newButton(), Qt::LeftButton);
    ASSERT_EQ(editor.table()->rowCount(), 2);
    EXPECT_EQ(editor.table()->horizontalHeaderItem(1)->text(), QStringLiteral("Kód CÚ"));
    EXPECT_EQ(editor.table()->item(1, 0)->text(), QStringLiteral("ALL_FILES"));
    EXPECT_EQ(editor.table()->item(1, 1)->text(), QStringLiteral("CZ900000"));
    EXPECT_EQ(editor.table()->currentRow(), 1);
    EXPECT_TRUE(editor.editButton()->isEnabled());
    EXPECT_EQ(grid.BuildOfficeList(), "A|CZ100000%ALL_FILES|CZ900000%");
}

} // namespace
} // namespace zumaset
