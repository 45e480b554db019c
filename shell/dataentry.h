#pragma once
// What the data entry dialog says and does with keys: every key echoed by
// voice, editing keys naming what they delete or pass over, sounds at the
// ends of the line, word reading, and Braille chords spoken while keyed and
// inserted once. The dialog's edit field does the editing itself; this
// module is told the field's text and caret before or after it acts.

#include "shell/keyhandlers.h"

#include <functional>
#include <string>

// The dialog's cells; they keep their values between showings.
struct TDataEntryCells {
    std::string decodedchar; // the character of the chord being keyed
    std::string savedprefix; // the Braille prefix in force between chords
    bool atedge = false; // the previous move already reached an end
    bool speakonfocus = false; // focus changes are spoken
};
extern TDataEntryCells dataentry;

// The edit field: its text (Windows-1250) and the number of characters
// before the caret.
struct TEditField {
    std::string text;
    int caret = 0;
};

struct TDataEntryActions {
    std::function<void()> showvirtualscreen;
    // Save the device memory and end the process at once.
    std::function<void()> endatonce;
};

void inputeditEnter(const TEditField& field);
// A button gained the focus: its caption is said as it stands.
void buttonEnter(const std::string& caption);
void dataentryclosed();

// Before the field acts on the key. typed is what the key types with the
// keyboard state of the moment (empty for none).
void inputeditKeyDown(int key, TShiftState shift, const std::string& typed, const TEditField& field,
    const TDataEntryActions& actions);
// Whether the key's characters are kept from the field: with the Braille
// keyboard on, a printable character is a dot key, not text.
bool keptfromfield(const std::string& typed);
// Returns true when the character is to be kept from the field.
bool inputeditKeyPress(char character);
// After the field acted on the key; a decoded chord is inserted into field.
void inputeditKeyUp(int key, bool ctrl, TEditField& field);
