#include "config/key_filters.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace zumaset {
namespace {

// A small dialog with a default button, shown and active: a plain field, a
// digits-only field, a check box and the button, in that tab order.
class KeyFiltersTest : public testing::Test {
protected:
    void SetUp() override {
        layout.addWidget(&plain);
        layout.addWidget(&digits);
        layout.addWidget(&check);
        layout.addWidget(&button);
        dialog.setLayout(&layout);
        button.setDefault(true);
        InstallEnterMovesOn(&plain);
        InstallSelectAllOnEntry(&plain);
        InstallDigitsOnly(&digits);
        InstallEnterMovesOn(&check);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    QDialog dialog;
    QVBoxLayout layout;
    QLineEdit plain;
    QLineEdit digits;
    QCheckBox check;
    QPushButton button;
};

TEST_F(KeyFiltersTest, EnterReachesTheFieldThenMovesOnWithoutPressingTheDefaultButton) {
    QSignalSpy returns(&plain, &QLineEdit::returnPressed);
    QSignalSpy clicks(&button, &QPushButton::clicked);
    plain.setFocus();
    QTest::keyClick(&plain, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), &digits);
    QTest::keyClick(&digits, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(QApplication::focusWidget(), &check);
    QTest::keyClick(&check, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), &button);
    EXPECT_EQ(returns.count(), 1);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(KeyFiltersTest, DigitsOnlyRefusesOtherCharactersTypedOrPasted) {
    digits.setFocus();
    QTest::keyClicks(&digits, QStringLiteral("4a5 -0"));
    EXPECT_EQ(digits.text(), QStringLiteral("450"));
    QApplication::clipboard()->setText(QStringLiteral("12x"));
    digits.paste();
    EXPECT_EQ(digits.text(), QStringLiteral("450"));
    QApplication::clipboard()->setText(QStringLiteral("12"));
    digits.paste();
    EXPECT_EQ(digits.text(), QStringLiteral("45012"));
}

TEST_F(KeyFiltersTest, EnteringAFieldSelectsItsWholeTextWithTheCaretAtTheStart) {
    plain.setText(QStringLiteral("user name"));
    digits.setFocus();
    QTest::keyClick(&digits, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), &plain);
    EXPECT_EQ(plain.selectedText(), QStringLiteral("user name"));
    EXPECT_EQ(plain.cursorPosition(), 0);
}

} // namespace
} // namespace zumaset
