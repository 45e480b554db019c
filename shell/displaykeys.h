#pragma once
// What a chord typed on a Braille display's keys does, and its routing
// keys. A chord types exactly as one keyed on F D S J K L: decoded by the
// same table with the same prefixes, and in the data entry dialog spoken and
// inserted the same way. A display sends the whole chord at once, so there
// is no press and release to collect it from, and it types whether the
// six-key keyboard is switched on or not.

#include "shell/dataentry.h"

#include <string>

// The main window: like a key, the chord silences speech and ends a tone;
// its character is then in keybuffer for the program.
void displaychord(const std::string& pattern);

// The data entry dialog: the character is spoken and inserted at the caret.
void entrydisplaychord(const std::string& pattern, TEditField& field);
// The caret moves to the column (within the text).
void entrydisplayroute(int column, TEditField& field);
