#include "braille/brlapidisplay.h"

#include <QByteArray>
#include <algorithm>
#include <brlapi.h>
#include <iterator>
#include <utility>

namespace {

// An error the server reports later (a refused write, a protocol fault)
// would end the process through BrlAPI's own handler; here the next call
// finds the connection's state instead.
void ignoreexception(brlapi_handle_t*, int, brlapi_packetType_t, const void*, size_t)
{
}

brlapi_keyCode_t command(brlapi_keyCode_t code)
{
    return BRLAPI_KEY_TYPE_CMD | code;
}

}

TBrlapiDisplay::TBrlapiDisplay(std::vector<int> terminal)
    : m_terminal(std::move(terminal))
    , m_handlestorage(std::make_unique<char[]>(brlapi_getHandleSize()))
    , m_handle(reinterpret_cast<brlapi_handle_t*>(m_handlestorage.get()))
{
}

TBrlapiDisplay::~TBrlapiDisplay()
{
    close();
}

bool TBrlapiDisplay::open(unsigned long window)
{
    close();
    // Host and key file come from BRLAPI_HOST and BRLAPI_AUTH, or BRLTTY's
    // defaults.
    brlapi_connectionSettings_t settings = BRLAPI_SETTINGS_INITIALIZER;
    int descriptor = brlapi__openConnection(m_handle, &settings, nullptr);
    if (descriptor < 0)
        return false;
    m_descriptor = descriptor;
    brlapi__setExceptionHandler(m_handle, ignoreexception);
    unsigned int columns = 0;
    unsigned int rows = 0;
    if (brlapi__getDisplaySize(m_handle, &columns, &rows) < 0 || columns == 0 || !takewindow(window)) {
        close();
        return false;
    }
    m_cells = static_cast<int>(columns);
    return true;
}

bool TBrlapiDisplay::takewindow(unsigned long window)
{
    // BrlAPI puts WINDOWPATH or XDG_VTNR before the path. A screen reader
    // takes the terminal itself, so BRLTTY shows us only while the window
    // is ours to show, and shows the screen reader when we let go.
    std::vector<int> path = m_terminal;
    path.push_back(static_cast<int>(window));
    if (brlapi__enterTtyModeWithPath(m_handle, path.data(), static_cast<int>(path.size()), nullptr) < 0)
        return false;
    m_taken = true;
    // Only the keys we answer come to us; every other command (switching
    // terminals, preferences) stays BRLTTY's. Taking a window starts the
    // keys over, so they are chosen each time.
    const brlapi_range_t ours[] = {
        { command(BRLAPI_KEY_CMD_PASSDOTS), command(BRLAPI_KEY_CMD_PASSDOTS | BRLAPI_KEY_CMD_ARG_MASK) },
        { command(BRLAPI_KEY_CMD_ROUTE), command(BRLAPI_KEY_CMD_ROUTE | BRLAPI_KEY_CMD_ARG_MASK) },
        { command(BRLAPI_KEY_CMD_FWINLT), command(BRLAPI_KEY_CMD_FWINLT) },
        { command(BRLAPI_KEY_CMD_FWINRT), command(BRLAPI_KEY_CMD_FWINRT) },
    };
    if (brlapi__ignoreAllKeys(m_handle) < 0 || brlapi__acceptKeyRanges(m_handle, ours, std::size(ours)) < 0)
        return false;
    // The dots as typed, not the character BRLTTY's table makes of them:
    // our own Braille table decodes them, prefixes included.
    brlapi_param_retainDots_t retaindots = 1;
    brlapi__setParameter(m_handle, BRLAPI_PARAM_RETAIN_DOTS, 0, BRLAPI_PARAMF_LOCAL, &retaindots, sizeof retaindots);
    return true;
}

bool TBrlapiDisplay::follow(unsigned long window)
{
    if (m_descriptor < 0)
        return false;
    if (!leave() || !takewindow(window)) {
        close();
        return false;
    }
    return true;
}

bool TBrlapiDisplay::leave()
{
    if (m_descriptor < 0)
        return false;
    if (!m_taken)
        return true;
    m_taken = false;
    if (brlapi__leaveTtyMode(m_handle) < 0) {
        close();
        return false;
    }
    return true;
}

void TBrlapiDisplay::close()
{
    if (m_descriptor < 0)
        return;
    brlapi__closeConnection(m_handle);
    m_descriptor = -1;
    m_cells = 0;
    m_taken = false;
}

bool TBrlapiDisplay::write(const QString& text, int cursor)
{
    if (m_descriptor < 0)
        return false;
    if (!m_taken)
        return true;
    QByteArray utf8 = text.toUtf8();
    brlapi_writeArguments_t arguments = BRLAPI_WRITEARGUMENTS_INITIALIZER;
    arguments.regionBegin = 1;
    arguments.regionSize = m_cells;
    // The whole display is written: cells past the text are blank.
    QByteArray padded = utf8 + QByteArray(std::max(0, m_cells - static_cast<int>(text.size())), ' ');
    arguments.text = padded.data();
    arguments.textSize = static_cast<int>(padded.size());
    arguments.charset = const_cast<char*>("UTF-8");
    arguments.cursor = cursor >= 0 && cursor < m_cells ? cursor + 1 : BRLAPI_CURSOR_OFF;
    if (brlapi__write(m_handle, &arguments) < 0) {
        close();
        return false;
    }
    return true;
}

TKeyRead TBrlapiDisplay::readkey(TBrailleKey& key)
{
    if (m_descriptor < 0)
        return TKeyRead::lost;
    for (;;) {
        brlapi_keyCode_t code = 0;
        int result = brlapi__readKey(m_handle, 0, &code);
        if (result == 0)
            return TKeyRead::none;
        if (result < 0) {
            close();
            return TKeyRead::lost;
        }
        if ((code & BRLAPI_KEY_TYPE_MASK) != BRLAPI_KEY_TYPE_CMD)
            continue;
        brlapi_keyCode_t block = code & BRLAPI_KEY_CMD_BLK_MASK;
        int argument = static_cast<int>(code & BRLAPI_KEY_CMD_ARG_MASK);
        if (block == BRLAPI_KEY_CMD_PASSDOTS) {
            key = { TBrailleKey::TKind::dots, argument & 0xFF };
            return TKeyRead::key;
        }
        if (block == BRLAPI_KEY_CMD_ROUTE) {
            key = { TBrailleKey::TKind::route, argument };
            return TKeyRead::key;
        }
        brlapi_keyCode_t plain = code & BRLAPI_KEY_CODE_MASK;
        if (plain == BRLAPI_KEY_CMD_FWINLT || plain == BRLAPI_KEY_CMD_FWINRT) {
            key = { plain == BRLAPI_KEY_CMD_FWINLT ? TBrailleKey::TKind::panleft : TBrailleKey::TKind::panright, 0 };
            return TKeyRead::key;
        }
    }
}
