#include "platform/keyevents.h"

#include "platform/virtualkeys.h"
#include "runtime/codepage.h"

#include <QKeyEvent>

bool ismodifierkey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_AltGr
        || key == Qt::Key_Meta;
}

int virtualkeyof(const QKeyEvent* event)
{
    return virtualkeycode(event->key(), event->nativeScanCode(), event->modifiers().testFlag(Qt::KeypadModifier));
}

namespace {

// Ctrl turns the letters and a few punctuation keys into control
// characters, as Windows' key translation does; any other Ctrl key types
// nothing. The punctuation keys go by position: [ \ ] on a US keyboard.
std::string controlcharacter(int virtualkey)
{
    if (virtualkey >= 'A' && virtualkey <= 'Z')
        return std::string(1, static_cast<char>(virtualkey - 'A' + 1));
    switch (virtualkey) {
    case virtualkey::enter:
        return "\n";
    case 219:
        return "\x1b";
    case 220:
        return "\x1c";
    case 221:
        return "\x1d";
    default:
        return {};
    }
}

}

// Alt alone sends the key to the menu bar; Ctrl with Alt is AltGr, which
// types the layout's character. Delete types nothing on Windows; characters
// the code page lacks cannot reach the program.
std::string typedcharacters(const QKeyEvent* event)
{
    bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    bool alt = event->modifiers().testFlag(Qt::AltModifier);
    if (alt && !ctrl)
        return {};
    if (ctrl && !alt)
        return controlcharacter(virtualkeyof(event));
    if (event->key() == Qt::Key_Delete)
        return {};
    std::string characters;
    for (char32_t character : event->text().toUcs4()) {
        unsigned char byte = 0;
        if (cp1250::frombytecode(character, byte))
            characters += static_cast<char>(byte);
    }
    return characters;
}
