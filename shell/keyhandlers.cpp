#include "shell/keyhandlers.h"

#include "runtime/cells.h"
#include "runtime/functions.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "shell/brailletable.h"
#include "platform/virtualkeys.h"

std::string typedchar;

namespace {

constexpr int shiftedcursoroffset = 16;
constexpr int spacecursoroffset = 32;

void putcode(int code)
{
    runtimecells.keybuffer.assign(1, static_cast<char>(code));
}

void cursorkeydown(TShiftState shift, const TMainKeyActions& actions)
{
    int code = cursorcode();
    bool space = keystate.held(virtualkey::space);
    putcode(code);
    if ((code == 129 || code == 130) && !shift.shift && !space && runtimecells.programstarted
        && peek(virtualscreenlockaddress) != 1 && actions.showvirtualscreen)
        actions.showvirtualscreen();
    if (shift.shift || space)
        putcode(code + (shift.shift ? shiftedcursoroffset : 0) + (space ? spacecursoroffset : 0));
}

}

TBrailleKeys heldbraillekeys()
{
    constexpr int dotkeys[6] = { 'F', 'D', 'S', 'J', 'K', 'L' };
    TBrailleKeys keys;
    for (int dot = 0; dot < 6; ++dot)
        keys.dot[dot] = keystate.held(dotkeys[dot]);
    keys.space = keystate.held(virtualkey::space);
    return keys;
}

int cursorcode()
{
    int code = 128;
    if (keystate.held(virtualkey::up))
        code += 1;
    if (keystate.held(virtualkey::down))
        code += 2;
    if (keystate.held(virtualkey::left))
        code += 4;
    if (keystate.held(virtualkey::right))
        code += 8;
    return code;
}

void FormKeyDown(int key, TShiftState shift, const TMainKeyActions& actions)
{
    // An auto-repeat is no new press: a chord key held on after the chord
    // was decided must not start a chord of its own (F+D with D held on
    // would type "b" and then ",").
    if (switches.braillekeyboard && !keystate.repeating())
        currentchord.clear();
    speech().stopspeech();
    cuttone();

    switch (key) {
    case virtualkey::back:
    case virtualkey::f6:
        putcode(shift.shift ? 25 : 8);
        break;
    case virtualkey::enter:
    case virtualkey::f8:
        putcode(13);
        break;
    case virtualkey::shift:
    case virtualkey::control:
    case virtualkey::alt:
        runtimecells.keybuffer.clear();
        break;
    case virtualkey::escape:
        putcode(27);
        break;
    case virtualkey::f7:
        putcode(7);
        break;
    case virtualkey::left:
    case virtualkey::up:
    case virtualkey::right:
    case virtualkey::down:
        cursorkeydown(shift, actions);
        break;
    case virtualkey::f4:
        if (shift.alt && actions.endatonce)
            actions.endatonce();
        break;
    default:
        break;
    }
}

void FormKeyPress(char character)
{
    typedchar.assign(1, character);
    if (!switches.braillekeyboard || keystate.repeating())
        return;
    TBrailleKeys keys = heldbraillekeys();
    if (!keys.anydot())
        currentprefix.clear();
    currentchord = chordpattern(keys);
}

void FormKeyUp(int key)
{
    if (switches.braillekeyboard) {
        typedchar = decodechord(currentchord);
        currentchord.clear();
    }
    if (key >= 32)
        runtimecells.keybuffer = typedchar;
    typedchar.clear();
}
