#pragma once
// The line of the emulated screen that the Braille display shows in the
// main window: the one holding the cursor, without its trailing blanks.
// A program's PRINT leaves the cursor at the start of the next, empty line
// before the text is even spoken; the display then keeps the line just
// printed, so what is heard can be read, and marks no cursor on it.

#include "runtime/screen.h"

#include <QString>

struct TShownLine {
    QString text;
    int cursor = -1;
    bool operator==(const TShownLine&) const = default;
};

TShownLine screenlineshown(const TScreen& screen, const tscrcursor& cursor);
