#include "platform/virtualkeys.h"

#include <Qt>
#include <algorithm>

TKeyState keystate;

namespace {

struct TCodeOf {
    int from;
    int code;
};

constexpr TCodeOf namedkeys[] = {
    { Qt::Key_Backspace, virtualkey::back },
    { Qt::Key_Tab, virtualkey::tab },
    { Qt::Key_Backtab, virtualkey::tab },
    { Qt::Key_Return, virtualkey::enter },
    { Qt::Key_Enter, virtualkey::enter },
    { Qt::Key_Shift, virtualkey::shift },
    { Qt::Key_Control, virtualkey::control },
    { Qt::Key_Alt, virtualkey::alt },
    { Qt::Key_AltGr, virtualkey::alt },
    { Qt::Key_Meta, 91 },
    { Qt::Key_Menu, 93 },
    { Qt::Key_CapsLock, virtualkey::capslock },
    { Qt::Key_Escape, virtualkey::escape },
    { Qt::Key_Space, virtualkey::space },
    { Qt::Key_PageUp, 33 },
    { Qt::Key_PageDown, 34 },
    { Qt::Key_End, virtualkey::end },
    { Qt::Key_Home, virtualkey::home },
    { Qt::Key_Left, virtualkey::left },
    { Qt::Key_Up, virtualkey::up },
    { Qt::Key_Right, virtualkey::right },
    { Qt::Key_Down, virtualkey::down },
    { Qt::Key_Print, 44 },
    { Qt::Key_Insert, 45 },
    { Qt::Key_Delete, virtualkey::del },
    { Qt::Key_Pause, 19 },
    { Qt::Key_NumLock, 144 },
    { Qt::Key_ScrollLock, 145 },
};

// X keycodes of the keys that carry punctuation on a US keyboard, with the
// Windows codes of those positions.
constexpr TCodeOf punctuationpositions[] = {
    { 20, 189 }, { 21, 187 }, { 34, 219 }, { 35, 221 }, { 47, 186 }, { 48, 222 },
    { 49, 192 }, { 51, 220 }, { 59, 188 }, { 60, 190 }, { 61, 191 }, { 94, 226 },
};

// X keycodes 10..19 are the digit row 1..9, 0.
constexpr std::uint32_t firstdigitposition = 10;
constexpr std::uint32_t lastdigitposition = 19;

int lookup(const auto& table, int from)
{
    auto found = std::find_if(std::begin(table), std::end(table), [from](const TCodeOf& entry) { return entry.from == from; });
    return found == std::end(table) ? -1 : found->code;
}

}

int virtualkeycode(int qtkey, std::uint32_t scancode, bool keypad)
{
    if (int code = lookup(namedkeys, qtkey); code >= 0)
        return code;
    if (qtkey >= Qt::Key_F1 && qtkey <= Qt::Key_F24)
        return virtualkey::f1 + (qtkey - Qt::Key_F1);
    if (qtkey >= Qt::Key_A && qtkey <= Qt::Key_Z)
        return qtkey;
    if (keypad && qtkey >= Qt::Key_0 && qtkey <= Qt::Key_9)
        return 96 + (qtkey - Qt::Key_0);
    if (scancode >= firstdigitposition && scancode <= lastdigitposition)
        return scancode == lastdigitposition ? '0' : static_cast<int>('1' + (scancode - firstdigitposition));
    if (int code = lookup(punctuationpositions, static_cast<int>(scancode)); code >= 0)
        return code;
    if (qtkey >= Qt::Key_0 && qtkey <= Qt::Key_9)
        return qtkey;
    return virtualkey::unnamed;
}

std::uint64_t TKeyState::keyidentity(int qtkey, std::uint32_t scancode)
{
    if (scancode != 0)
        return scancode;
    return (std::uint64_t { 1 } << 32) | static_cast<std::uint32_t>(qtkey);
}

int TKeyState::press(std::uint64_t identity, int code)
{
    auto [entry, added] = m_held.try_emplace(identity, code);
    m_repeating = !added;
    return entry->second;
}

int TKeyState::release(std::uint64_t identity)
{
    auto found = m_held.find(identity);
    if (found == m_held.end())
        return -1;
    int code = found->second;
    m_held.erase(found);
    return code;
}

bool TKeyState::held(int code) const
{
    return std::any_of(m_held.begin(), m_held.end(), [code](const auto& entry) { return entry.second == code; });
}
