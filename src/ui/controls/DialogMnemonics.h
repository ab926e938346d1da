#pragma once
// Puts the Alt+letters of one window on its controls: the push buttons
// first, then check boxes and radio buttons, then the labels that name a
// field (the letter moves the focus to the field). Called whenever a
// window's texts were set, and again after a language change; a text the
// window set anew since is taken as the new plain text.

class QWidget;

namespace nbr {

void AssignDialogMnemonics(QWidget* window);

}  // namespace nbr
