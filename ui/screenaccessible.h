#pragma once
// The 24 x 80 screens (the main window's and the virtual screen's) as a
// screen reader reads them. Qt's own text interface for a plain text area
// places every line where the first one is, so a screen reader's review
// took the whole screen for one line; here each line lies below the one
// before. The review's own moves in the virtual screen are said by the
// program, so the screen reader is not told of that caret; nor does a
// screen reader move either screen's caret.

class QPlainTextEdit;

// Gives the text area the screen's accessible interface; reviewcaret: its
// caret is the review position, which the program itself speaks.
void makescreenaccessible(QPlainTextEdit* screen, bool reviewcaret);
