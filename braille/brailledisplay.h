#pragma once
// A refreshable Braille display as the program uses it: taken while one of
// our windows has the focus and has something of its own to show, shown one line of text with a cursor, and read
// for the keys that type dots, the routing keys over the cells and the
// panning keys. The BrlAPI adapter (braille/brlapidisplay.h) implements it
// and tests put a double in its place. Every call may wait on the display's
// server, so only the display's own thread (braille/braillesession.h)
// makes them.

#include <QString>

struct TBrailleKey {
    enum class TKind { dots, route, panleft, panright };
    TKind kind = TKind::dots;
    // dots: bit 0 is dot 1 ... bit 5 dot 6, nothing set for the space bar
    // alone; route: the cell under the key, counted from 0.
    int value = 0;
};

enum class TKeyRead { none, key, lost };

class TBrailleDisplay {
public:
    virtual ~TBrailleDisplay() = default;

    // Connects and takes the display for the window; false when no display
    // answers or the connection is refused.
    virtual bool open(unsigned long window) = 0;
    // Takes the open display for another of our windows; false when the
    // connection is lost.
    virtual bool follow(unsigned long window) = 0;
    // Lets the display go to whoever else shows something (a screen
    // reader) while the connection stays; follow() takes it back. False
    // when the connection is lost.
    virtual bool leave() = 0;
    virtual void close() = 0;

    // The connection's socket, to be watched for keys; -1 when closed.
    virtual int descriptor() const = 0;
    virtual int cellcount() const = 0;

    // Shows the text from the first cell on, the cursor on the cell counted
    // from 0 (-1 for none); false when the connection is lost.
    virtual bool write(const QString& text, int cursor) = 0;
    // The next key without waiting for one.
    virtual TKeyRead readkey(TBrailleKey& key) = 0;
};
