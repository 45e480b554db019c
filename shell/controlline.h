#pragma once
// What the Braille display shows of a dialog's focused control, or of the
// highlighted item of an open menu, where no screen reader shows it: its
// mark (check box, radio button), name, value and kind, in the order a
// screen reader's Braille puts them ("<x> Povolit hlas zaškrtávací pole").

#include <QString>

// The line for the control with the keyboard focus, or the menu item
// highlighted in the open menu or the menu bar; empty when there is none.
QString focusedcontrolline();
