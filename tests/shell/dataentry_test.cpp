#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "shell/brailletable.h"
#include "shell/dataentry.h"
#include "platform/virtualkeys.h"
#include "speech/TTSVar.h"
#include "tests/support/scriptedhost.h"
#include "runtime/ResourceLocalizer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

class DataEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        fillworddelimiters();
        dataentry = TDataEntryCells {};
        keystate.clear();
        currentprefix.clear();
        currentchord.clear();
        CurrentLanguage = 2000;
    }
    void TearDown() override
    {
        CurrentLanguage = 1000;
        keystate.clear();
    }

    void up(int key, TEditField field, bool ctrl = false) { inputeditKeyUp(key, ctrl, field); }

    TScriptedHost host;
    TDataEntryActions actions;
};

// A table with the capital sign of the Braille reference and two letters.
void loadsmalltable()
{
    auto path = std::filesystem::temp_directory_path() / ("vorkana-entry-" + std::to_string(::getpid()) + ".ebt");
    std::ofstream(path) << "[prefixes]\n#cap=6\n[characters]\na=1\nb=12\n[#cap]\nA=1\n";
    loadbrailletable(path.string());
    std::filesystem::remove(path);
}

}

TEST_F(DataEntryTest, BackspaceAndDeleteAtTheEndsClickThenBeep)
{
    inputeditKeyDown(virtualkey::back, {}, "", { "abc", 0 }, actions);
    inputeditKeyDown(virtualkey::del, {}, "", { "abc", 3 }, actions);
    inputeditKeyDown(virtualkey::back, {}, "", { "abc", 2 }, actions);
    inputeditKeyDown(virtualkey::del, {}, "", { "abc", 0 }, actions);
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "play click2", "play beep", "play click2", "play beep", "play click2",
                           "char b", "play click2", "char a" }));
}

TEST_F(DataEntryTest, LeftInAnEmptyFieldBeepsAtOnce)
{
    up(virtualkey::left, { "", 0 });
    EXPECT_TRUE(dataentry.atedge);
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "play beep" }));
}

TEST_F(DataEntryTest, LeftToTheStartNamesEachCharacterThenBeeps)
{
    up(virtualkey::left, { "abc", 1 });
    up(virtualkey::left, { "abc", 0 });
    up(virtualkey::left, { "abc", 0 });
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char b", "char a", "char a", "play beep" }));
}

TEST_F(DataEntryTest, RightAtTheEndClicksThenClicksAndBeeps)
{
    up(virtualkey::right, { "abc", 3 });
    up(virtualkey::right, { "abc", 3 });
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "play click2", "play click2", "play beep" }));
}

TEST_F(DataEntryTest, CtrlLeftReadsTheWholeWordEvenPastByteLength)
{
    up(virtualkey::left, { "two words", 4 }, true);
    std::string longline(300, 'x');
    longline += " tail";
    up(virtualkey::right, { longline, 301 }, true);
    EXPECT_EQ(host.said(), (std::vector<std::string> { "words", "tail" }));
}

TEST_F(DataEntryTest, HomeSaysTheFirstCharacterOrEmptyLine)
{
    up(virtualkey::home, { "abc", 0 });
    up(virtualkey::home, { "", 0 });
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char a", "say empty line" }));
}

TEST_F(DataEntryTest, AltUpReadsTheLineAndPlainUpOpensTheVirtualScreen)
{
    int opened = 0;
    actions.showvirtualscreen = [&] { ++opened; };
    inputeditKeyDown(virtualkey::up, { false, true, false }, "", { "abc", 1 }, actions);
    inputeditKeyDown(virtualkey::down, { false, true, false }, "", { "abc", 1 }, actions);
    EXPECT_EQ(opened, 0);
    inputeditKeyDown(virtualkey::up, {}, "", { "abc", 1 }, actions);
    inputeditKeyDown(virtualkey::down, {}, "", { "abc", 1 }, actions);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(host.said(), (std::vector<std::string> { "abc" }));
}

TEST_F(DataEntryTest, FocusIsSilentFirstThenSpeaksTheField)
{
    inputeditEnter({ "abc", 0 });
    buttonEnter("&OK");
    inputeditEnter({ "", 0 });
    dataentryclosed();
    inputeditEnter({ "abc", 0 });
    EXPECT_EQ(host.said(), (std::vector<std::string> { "&OK", "empty line" }));
}

TEST_F(DataEntryTest, ChordIsSpokenAtEachPressAndInsertedOnceAtTheFirstRelease)
{
    loadsmalltable();
    switches.braillekeyboard = true;
    keystate.press(TKeyState::keyidentity('F', 0), 'F');
    EXPECT_TRUE(inputeditKeyPress('f'));
    keystate.press(TKeyState::keyidentity('D', 0), 'D');
    EXPECT_TRUE(inputeditKeyPress('d'));
    TEditField field { "xy", 1 };
    keystate.release(TKeyState::keyidentity('F', 0));
    inputeditKeyUp('F', false, field);
    keystate.release(TKeyState::keyidentity('D', 0));
    inputeditKeyUp('D', false, field);
    EXPECT_EQ(field.text, "xby");
    EXPECT_EQ(field.caret, 2);
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char a", "char b" }));
    resetbrailletable();
}

TEST_F(DataEntryTest, ControlCharactersReachTheFieldWithTheChordStillSpokenAndInserted)
{
    loadsmalltable();
    switches.braillekeyboard = true;
    keystate.press(TKeyState::keyidentity('F', 0), 'F');
    EXPECT_FALSE(inputeditKeyPress('\b'));
    TEditField field { "xy", 2 };
    keystate.release(TKeyState::keyidentity('F', 0));
    inputeditKeyUp(virtualkey::back, false, field);
    EXPECT_EQ(field.text, "xya");
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char a" }));
    resetbrailletable();
}

TEST_F(DataEntryTest, CapitalPrefixThenALetterGivesTheCapital)
{
    loadsmalltable();
    switches.braillekeyboard = true;
    TEditField field { "", 0 };
    auto chord = [&](int key, char character) {
        keystate.press(TKeyState::keyidentity(key, 0), key);
        inputeditKeyPress(character);
        keystate.release(TKeyState::keyidentity(key, 0));
        inputeditKeyUp(key, false, field);
    };
    chord('L', 'l'); // dot 6: the capital sign
    chord('F', 'f'); // dot 1
    chord('F', 'f');
    EXPECT_EQ(field.text, "Aa");
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char A", "char a" }));
    resetbrailletable();
}
