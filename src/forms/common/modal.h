#pragma once

class QDialog;

// Shows a dialog modally over its parent window and, once it closes, hands the focus
// back to that window, as the user expects whatever the window manager does.
int showModal(QDialog &dialog);
