#pragma once
// A one-line edit field as a screen reader reads it: its text, caret and
// selection, and the words and lines around an offset answered by the
// program itself (ui/accessibletext.h), since Qt's own answer for a line
// edit can hang the program under a screen reader.

class QLineEdit;

void makefieldaccessible(QLineEdit* field);
