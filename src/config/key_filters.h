#pragma once

class QLineEdit;
class QWidget;

namespace zumaset {

// Small input behaviours the configuration dialog and the customs office entry
// form share. Each installs an object owned by the widget, so it lives and
// dies with it.

// Enter moves on: the widget handles the Enter key as usual (a line edit still
// reports returnPressed), then a Tab keystroke moves the focus to the next
// control. The Enter does not reach the window, so it never clicks a default
// button as well.
void InstallEnterMovesOn(QWidget* widget);

// Only digits can be typed, through a validator, so pasting or dropping a text
// with anything else in it is refused as a whole; Enter moves on.
void InstallDigitsOnly(QLineEdit* edit);

// When the field receives the focus its whole text is selected with the caret
// at the start.
void InstallSelectAllOnEntry(QLineEdit* edit);

} // namespace zumaset
