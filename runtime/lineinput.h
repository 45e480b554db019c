#pragma once
// How a running program reads a typed line (INPUT): the window gives it
// through its data entry dialog, a test from its script. Whoever shows the
// prompt and checks the answer is the interpreter; this only gets the line.

#include <string>

class TLineInput {
public:
    virtual ~TLineInput() = default;

    // The line the user typed and confirmed (Windows-1250), handling window
    // events meanwhile. Ending the application from there never returns.
    virtual std::string inputline() = 0;
};

// The installed line input; until one is, a stand-in that raises the error
// that no line can be typed.
TLineInput& lineinput();
// nullptr puts the stand-in back.
void setlineinput(TLineInput* input);
