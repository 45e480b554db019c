#pragma once
// The Open… dialog: Qt's own file dialog (its widgets are what a screen
// reader reads), with its title, the folders entered and the file under
// the focus said in the program's voice, as the other dialogs say theirs.

#include <string>

class QWidget;

// The BASIC program file the user chose, or empty when the dialog was
// cancelled. Starts in the folder of the previous choice.
std::string askprogramfile(QWidget* parent);
