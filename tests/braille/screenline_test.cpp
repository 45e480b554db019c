#include "braille/screenline.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>

namespace {

struct TRow {
    const char* name;
    int cursorrow;
    int cursorcolumn;
    TShownLine shown;
};

}

TEST(ScreenLineTest, TheCursorLineOrTheLineJustPrinted)
{
    TScreen screen;
    screen.clear();
    screen.overwrite(0, 0, cp1250::fromutf8("dobrý ďeň;"));
    screen.overwrite(1, 0, "ab");
    const TRow rows[] = {
        { "inside a line", 0, 3, { QString::fromUtf8("dobrý ďeň;"), 3 } },
        { "after the text on its line", 1, 2, { "ab", 2 } },
        { "start of the empty line after a print", 2, 0, { "ab", -1 } },
        { "further along an empty line", 2, 5, { "", 5 } },
        { "start of a written line", 0, 0, { QString::fromUtf8("dobrý ďeň;"), 0 } },
    };
    for (const TRow& row : rows) {
        tscrcursor cursor;
        cursor.setrow(static_cast<std::uint8_t>(row.cursorrow));
        cursor.setcolumn(static_cast<std::uint8_t>(row.cursorcolumn));
        TShownLine shown = screenlineshown(screen, cursor);
        EXPECT_EQ(shown.text, row.shown.text) << row.name;
        EXPECT_EQ(shown.cursor, row.shown.cursor) << row.name;
    }

    TScreen empty;
    empty.clear();
    tscrcursor home;
    EXPECT_EQ(screenlineshown(empty, home), (TShownLine { "", 0 }));
}
