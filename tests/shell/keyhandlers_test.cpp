#include "runtime/cells.h"
#include "shell/keyhandlers.h"
#include "platform/virtualkeys.h"
#include "tests/support/scriptedhost.h"

#include <Qt>
#include <gtest/gtest.h>

TEST(VirtualKeyCode, NamedKeysLettersAndPositions)
{
    struct TRow {
        const char* name;
        int qtkey;
        std::uint32_t scancode;
        int code;
    };
    const TRow rows[] = {
        { "Backspace", Qt::Key_Backspace, 22, 8 },
        { "Enter", Qt::Key_Return, 36, 13 },
        { "keypad Enter", Qt::Key_Enter, 104, 13 },
        { "AltGr counts as Alt", Qt::Key_AltGr, 108, 18 },
        { "Escape", Qt::Key_Escape, 9, 27 },
        { "Space", Qt::Key_Space, 65, 32 },
        { "Up", Qt::Key_Up, 111, 38 },
        { "Delete", Qt::Key_Delete, 119, 46 },
        { "F6", Qt::Key_F6, 72, 117 },
        { "F12", Qt::Key_F12, 96, 123 },
        { "letter", Qt::Key_A, 38, 'A' },
        { "Czech z on the US y position", Qt::Key_Z, 29, 'Z' },
        { "Shift+1 is still the 1 key", Qt::Key_Exclam, 10, '1' },
        { "Czech e-caron on the 2 key", 0x011A, 11, '2' },
        { "0 key", Qt::Key_0, 19, '0' },
        { "digit without a scan code", Qt::Key_7, 0, '7' },
        { "punctuation by position", Qt::Key_Uacute, 34, 219 },
        { "unknown key", Qt::Key_Exclam, 0, virtualkey::unnamed },
    };
    for (const TRow& row : rows)
        EXPECT_EQ(virtualkeycode(row.qtkey, row.scancode, false), row.code) << row.name;
    EXPECT_EQ(virtualkeycode(Qt::Key_5, 84, true), 101);
}

TEST(KeyState, AReleaseReportsTheCodeOfItsPress)
{
    TKeyState state;
    auto one = TKeyState::keyidentity(Qt::Key_Exclam, 10);
    EXPECT_EQ(state.press(one, '1'), '1');
    EXPECT_EQ(state.press(one, virtualkey::unnamed), '1');
    EXPECT_TRUE(state.held('1'));
    EXPECT_EQ(state.release(TKeyState::keyidentity(Qt::Key_1, 10)), '1');
    EXPECT_FALSE(state.held('1'));
    EXPECT_EQ(state.release(one), -1);
}

TEST(CursorCode, EveryCombinationOfHeldCursorKeys)
{
    TScriptedHost host;
    const int cursorkeys[] = { virtualkey::up, virtualkey::down, virtualkey::left, virtualkey::right };
    for (int held = 1; held < 16; ++held) {
        keystate.clear();
        int last = 0;
        for (int bit = 0; bit < 4; ++bit)
            if (held & (1 << bit))
                keystate.press(static_cast<std::uint64_t>(bit + 1), last = cursorkeys[bit]);
        FormKeyDown(last, {}, {});
        ASSERT_EQ(runtimecells.keybuffer.size(), 1u);
        EXPECT_EQ(static_cast<unsigned char>(runtimecells.keybuffer[0]), 128 + held) << held;
    }
    keystate.clear();
    resetcells();
}

TEST(FormKeyDown, EveryKeyDownStopsSpeechAndCutsTheTone)
{
    TScriptedHost host;
    runtimecells.tonewaiting = true;
    runtimecells.keybuffer = "x";
    FormKeyDown('Q', {}, {});
    EXPECT_FALSE(runtimecells.tonewaiting);
    EXPECT_EQ(runtimecells.keybuffer, "x");
    EXPECT_EQ(host.entries("stop speech").size(), 1u);
    resetcells();
}
