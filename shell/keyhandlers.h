#pragma once
// What the main window does with a key: the key-down codes of the emulated
// notetaker (Enter, Escape, Backspace, F6 to F8, the cursor keys and their
// combinations), the typed character handed to the program at the key's
// release, and Braille chords when the Braille keyboard is on. The keys held
// come from keystate (platform/virtualkeys.h); opening the virtual screen and
// ending the application belong to the window and come in as functions.

#include "shell/brailletable.h"

#include <functional>
#include <string>

// The character of the latest character message (or the decoded chord),
// waiting for its key's release. Windows-1250.
extern std::string typedchar;

struct TShiftState {
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
};

struct TMainKeyActions {
    std::function<void()> showvirtualscreen;
    // Alt+F4: save the device memory and end the process at once.
    std::function<void()> endatonce;
};

void FormKeyDown(int key, TShiftState shift, const TMainKeyActions& actions);
void FormKeyPress(char character);
void FormKeyUp(int key);

// The six dot keys F D S J K L and the space bar as held now.
TBrailleKeys heldbraillekeys();

// The code of the cursor keys held now: 128 plus 1 Up, 2 Down, 4 Left,
// 8 Right.
int cursorcode();

// The address of the device memory that, holding 1, keeps the virtual
// screen closed.
inline constexpr double virtualscreenlockaddress = 50730;
