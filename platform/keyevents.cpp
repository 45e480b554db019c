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

// Windows sends no character for Ctrl or Alt combinations nor for Delete;
// characters the code page lacks cannot reach the program.
std::string typedcharacters(const QKeyEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier) || event->key() == Qt::Key_Delete)
        return {};
    std::string characters;
    for (char32_t character : event->text().toUcs4()) {
        unsigned char byte = 0;
        if (cp1250::frombytecode(character, byte))
            characters += static_cast<char>(byte);
    }
    return characters;
}
