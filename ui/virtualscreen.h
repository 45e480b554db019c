#pragma once
// What the virtual screen says: a snapshot of the screen text, each line
// ended by a carriage return and a line feed, read aloud by line, word and
// character as the caret moves, with a click when a key pushes against an
// edge it already reached. The window moves the caret; this module is told
// where the caret went. Nothing here needs a widget.

#include "platform/virtualkeys.h"

#include <string>

// Whether the last reading key left the caret at an edge; line keys and
// character keys share it, and it lasts from one opening to the next.
extern bool virtualscreenatedge;

class TVirtualScreenReader {
public:
    // A new snapshot (Windows-1250, CR LF line ends).
    void load(std::string text) { m_text = std::move(text); }
    const std::string& text() const { return m_text; }

    // Lines of the text; the empty position after the final line break is
    // not a line of its own.
    int linecount() const;
    // 0-based line of a caret offset (counting both characters of a break).
    int lineof(int offset) const;
    // 1-based column of a caret offset; line breaks do not count.
    int columnof(int offset) const;
    std::string line(int index) const;

    // A key went down with the caret at the offset. Returns true when the
    // window is to close.
    bool keydown(int virtualkey, int caret);
    // A key came up; the caret has already moved to the offset.
    void keyup(int virtualkey, bool ctrl, int caret);

private:
    void edgerule(bool atedge);

    std::string m_text;
};
