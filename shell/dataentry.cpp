#include "shell/dataentry.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "speech/TTSVar.h"
#include "shell/brailletable.h"
#include "platform/screenreader.h"
#include "platform/virtualkeys.h"
#include "runtime/ResourceLocalizer.h"

#include <algorithm>

TDataEntryCells dataentry;

namespace {

// The soft tick of an editing key.
constexpr int editclick = 2;

std::string emptyline()
{
    return cp1250::fromutf8(text(29));
}

void speaktext(const std::string& fieldtext)
{
    speech().speakwait(fieldtext.empty() ? emptyline() : fieldtext);
}

// What the dialog says of a control that gets the focus: queued, never
// waited for in a focus handler; left to a screen reader that listens.
void announce(const std::string& text)
{
    speech().stopspeech();
    if (!screenreaderlistening())
        speech().speak(text);
}

std::string characterat(const TEditField& field, int index)
{
    if (index < 0 || index >= static_cast<int>(field.text.size()))
        return {};
    return std::string(1, field.text[static_cast<size_t>(index)]);
}

}

void inputeditEnter(const TEditField& field)
{
    currentprefix.clear();
    if (!dataentry.speakonfocus) {
        dataentry.speakonfocus = true;
        return;
    }
    announce(field.text.empty() ? emptyline() : field.text);
}

void buttonEnter(const std::string& caption)
{
    dataentry.speakonfocus = true;
    announce(caption);
}

void dataentryclosed()
{
    dataentry.speakonfocus = false;
    currentprefix.clear();
}

void inputeditKeyDown(int key, TShiftState shift, const std::string& typed, const TEditField& field,
    const TDataEntryActions& actions)
{
    speech().stopspeech();
    if (key == virtualkey::back) {
        click(editclick);
        if (field.caret > 0)
            speech().speakchar(characterat(field, field.caret - 1));
        else
            beep();
    } else if (key == virtualkey::del) {
        click(editclick);
        if (field.caret < static_cast<int>(field.text.size()))
            speech().speakchar(characterat(field, field.caret));
        else
            beep();
    } else if (key == virtualkey::up && shift.alt) {
        speaktext(field.text);
    } else if (!switches.braillekeyboard && key != 191 && !typed.empty()) {
        speech().speakchar(typed);
    }

    if ((key == virtualkey::up || key == virtualkey::down) && !shift.alt && actions.showvirtualscreen)
        actions.showvirtualscreen();
    if (key == virtualkey::f4 && shift.alt && actions.endatonce)
        actions.endatonce();
}

bool keptfromfield(const std::string& typed)
{
    return switches.braillekeyboard
        && std::any_of(typed.begin(), typed.end(), [](char c) { return static_cast<unsigned char>(c) >= 32; });
}

bool inputeditKeyPress(char character)
{
    if (!switches.braillekeyboard)
        return false;
    dataentry.decodedchar.clear();
    currentchord.clear();
    // Control characters are left to the field, so Backspace still
    // deletes; the chord held with them is still previewed.
    bool kept = keptfromfield(std::string(1, character));
    currentchord = chordpattern(heldbraillekeys());
    currentprefix = dataentry.savedprefix;
    dataentry.decodedchar = decodechord(currentchord);
    if (!dataentry.decodedchar.empty())
        speech().speakchar(dataentry.decodedchar.substr(0, 1));
    return kept;
}

void inputeditKeyUp(int key, bool ctrl, TEditField& field)
{
    if (switches.braillekeyboard) {
        currentprefix = dataentry.savedprefix;
        dataentry.decodedchar = decodechord(currentchord);
        dataentry.savedprefix = currentprefix;
        currentchord.clear();
        if (!dataentry.decodedchar.empty()) {
            field.text.insert(static_cast<size_t>(field.caret), dataentry.decodedchar);
            field.caret += static_cast<int>(dataentry.decodedchar.size());
            dataentry.decodedchar.clear();
        }
    }

    int length = static_cast<int>(field.text.size());
    switch (key) {
    case virtualkey::left:
        if (field.text.empty())
            dataentry.atedge = true;
        else if (ctrl)
            speech().speakwait(wordat(field.text, static_cast<size_t>(field.caret)));
        else
            speech().speakchar(characterat(field, field.caret));
        if (field.caret > 0)
            dataentry.atedge = false;
        else if (dataentry.atedge)
            beep();
        else
            dataentry.atedge = true;
        break;
    case virtualkey::right:
        if (field.caret < length) {
            if (ctrl) {
                speech().speakwait(wordat(field.text, static_cast<size_t>(field.caret)));
            } else {
                dataentry.atedge = false;
                speech().speakchar(characterat(field, field.caret));
            }
        } else if (!dataentry.atedge) {
            dataentry.atedge = true;
            click(editclick);
        } else {
            click(editclick);
            beep();
        }
        break;
    case virtualkey::home:
        // An empty field has no character to name: say so.
        if (field.text.empty())
            speech().speakwait(emptyline());
        else
            speech().speakchar(characterat(field, field.caret));
        break;
    case virtualkey::end:
        click(editclick);
        beep();
        break;
    default:
        break;
    }
}
