// The virtual screen window driven with key events, offscreen.
#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/ram.h"
#include "runtime/screen.h"
#include "tests/support/qtenvironment.h"
#include "speech/TTSVar.h"
#include "tests/support/scriptedhost.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/virtualscreenwindow.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

namespace {

// Screen lines are padded to 80 columns; the padding is left out here.
std::vector<std::string> unpadded(std::vector<std::string> entries)
{
    for (auto& entry : entries)
        entry.erase(entry.find_last_not_of(' ') + 1);
    return entries;
}

class VirtualScreenFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        fillworddelimiters();
        switches.voiceready = true;
        virtualscreenatedge = false;
        ramimage.fill(0);
        CurrentLanguage = 2000;
        screen.overwrite(0, 0, "first line");
        screen.overwrite(1, 0, cp1250::fromutf8("dobrý ďeň, svet"));
        form = std::make_unique<TForm6>();
    }
    void TearDown() override
    {
        form.reset();
        CurrentLanguage = 1000;
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form->virtualscrmemo, key, modifiers);
    }

    TScriptedHost host;
    std::unique_ptr<TForm6> form;
};

}

TEST_F(VirtualScreenFormTest, OpensWithSignalAndTitleAndClosesWithEndOfScreen)
{
    QTimer::singleShot(0, [this] {
        press(Qt::Key_Down);
        press(Qt::Key_F2);
        press(Qt::Key_Escape);
    });
    runtimecells.keybuffer = "\x81";
    showvirtualscreen();
    EXPECT_EQ(runtimecells.keybuffer, "");
    EXPECT_EQ(unpadded(host.transcript),
        (std::vector<std::string> { "tone 300 100ms timbre 5", "tone 450 100ms timbre 5 voice 2", "speak Screen",
            "stop speech", "say dobrý ďeň, svet", "stop speech", "say line 2, column 1", "stop speech",
            "tone 300 100ms timbre 5", "tone 450 100ms timbre 5 voice 2", "say end of screen" }));
}

TEST_F(VirtualScreenFormTest, StaysClosedWhenTheDeviceMemorySaysSo)
{
    ramimage[50730] = 1;
    runtimecells.keybuffer = "\x81";
    showvirtualscreen();
    EXPECT_EQ(runtimecells.keybuffer, "\x81");
    EXPECT_TRUE(host.transcript.empty());
}

TEST_F(VirtualScreenFormTest, KeysReadCharactersWordsAndLinesWhereTheCaretWent)
{
    form->loadscreen(screen.text());
    form->show();
    press(Qt::Key_Down);
    press(Qt::Key_Right);
    press(Qt::Key_End);
    press(Qt::Key_Home);
    press(Qt::Key_Right, Qt::ControlModifier);
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    std::vector<std::string> said = unpadded(host.heard());
    ASSERT_GE(said.size(), 8u);
    EXPECT_EQ(said[0], "say dobrý ďeň, svet");
    EXPECT_EQ(said[1], "char o");
    EXPECT_EQ(said[3], "char d"); // Home on the second line
    EXPECT_EQ(said[4], "say ďeň"); // the word the caret reached
    EXPECT_EQ(said[5], "say first line");
    EXPECT_EQ(said[6], "play click16"); // pushing against the first line
    EXPECT_EQ(said[7], "say first line");
}

TEST_F(VirtualScreenFormTest, WithoutAVoiceOnlyEscapeWorks)
{
    switches.voiceready = false;
    form->loadscreen(screen.text());
    form->show();
    press(Qt::Key_Down);
    press(Qt::Key_F2);
    EXPECT_TRUE(host.transcript.empty());
    press(Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}
