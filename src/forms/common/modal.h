#pragma once

class QDialog;
class QWidget;

// Shows a dialog modally over its parent window and, once it closes, hands the focus
// back to that window, as the user expects whatever the window manager does.
int showModal(QDialog &dialog);

// Makes a window ask for the keyboard each time it is shown. A window manager gives a new
// window the keyboard; a front desk that runs the program alone has none.
void takesKeyboardWhenShown(QWidget &window);
