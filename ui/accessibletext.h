#pragma once
// The character, word, sentence, line and paragraph around an offset of an
// accessible text, answered from the text itself, for the text controls a
// screen reader reads (the screens, the data entry field). Qt 6.4's own
// answer for a line edit loops for ever on a word boundary, holding the
// whole program; here every answer is one pass over the text.
//
// A word is a run of letters or digits with the blanks and marks after it,
// a sentence ends after ".", "!" or "?" and the blanks that follow, a line
// and a paragraph after a line feed (which they keep). Offset -2 is the
// caret. An offset outside the text gives an empty text at -1.

#include <QAccessibleInterface>

class TAccessibleTextBoundaries : public QAccessibleTextInterface {
public:
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
        int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
        int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
        int* endOffset) const override;

private:
    // -1 the piece before the one at the offset, 0 that one, 1 the next.
    QString piece(int offset, QAccessible::TextBoundaryType boundaryType, int which, int* startOffset,
        int* endOffset) const;
};
