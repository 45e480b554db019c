#include "runtime/cells.h"
#include "speech/TTSVar.h"
#include "tests/support/scriptedhost.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/virtualscreen.h"

#include <gtest/gtest.h>

namespace {

// Three lines: "first line" (10 characters), "a,b c", and an empty one.
class VirtualScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        fillworddelimiters();
        switches.voiceready = true;
        virtualscreenatedge = false;
        CurrentLanguage = 2000;
        reader.load("first line\r\na,b c\r\n\r\n");
    }
    void TearDown() override { CurrentLanguage = 1000; }

    // Presses a key: down with the caret where it was, up where it went.
    void key(int virtualkey, int from, int to, bool ctrl = false)
    {
        reader.keydown(virtualkey, from);
        reader.keyup(virtualkey, ctrl, to);
    }

    TScriptedHost host;
    TVirtualScreenReader reader;
};

}

TEST_F(VirtualScreenTest, LinesAndColumnsIgnoreTheLineBreaks)
{
    EXPECT_EQ(reader.linecount(), 3);
    EXPECT_EQ(reader.lineof(0), 0);
    EXPECT_EQ(reader.lineof(10), 0);
    EXPECT_EQ(reader.lineof(14), 1);
    EXPECT_EQ(reader.columnof(14), 3);
    EXPECT_EQ(reader.lineof(21), 3); // the empty position after the last line
    EXPECT_EQ(reader.line(1), "a,b c");
    EXPECT_EQ(reader.line(2), "");
}

TEST_F(VirtualScreenTest, PositionReportRightAfterOpeningAndInsideTheSecondLine)
{
    reader.keydown(virtualkey::f2, 0);
    reader.keydown(virtualkey::f2, 14);
    EXPECT_EQ(host.said(), (std::vector<std::string> { "line 1, column 1", "line 2, column 3" }));
}

TEST_F(VirtualScreenTest, FirstLineClicksOnlyOnARepeatedPress)
{
    key(virtualkey::up, 0, 0); // arriving: silent
    key(virtualkey::up, 0, 0); // pushing: click
    key(virtualkey::down, 0, 12);
    key(virtualkey::up, 12, 0); // back on the first line: silent again
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "say first line", "play click16", "say first line", "say a,b c",
                           "say first line" }));
}

TEST_F(VirtualScreenTest, EmptyPositionAfterTheLastLineSaysEmptyLineThenClicks)
{
    key(virtualkey::down, 12, 19); // the empty third line: not an edge
    key(virtualkey::down, 19, 21); // after the last line: the edge, silent
    key(virtualkey::down, 21, 21); // pushing: click
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "say empty line", "say empty line", "play click16", "say empty line" }));
}

TEST_F(VirtualScreenTest, HomeOnTheFirstCharacterIsSilentThenClicksEachTime)
{
    key(virtualkey::home, 0, 0);
    key(virtualkey::home, 0, 0);
    EXPECT_EQ(host.heard(), (std::vector<std::string> { "char f", "play click16", "char f" }));
}

TEST_F(VirtualScreenTest, CtrlRightWordsEndAtCommaCarriageReturnOrTheText)
{
    key(virtualkey::right, 0, 12, true); // "a" before the comma
    key(virtualkey::right, 12, 6, true); // "line" before the carriage return
    key(virtualkey::right, 6, 13, true); // on the comma: nothing
    TVirtualScreenReader tail;
    tail.load("end");
    tail.keyup(virtualkey::right, true, 0);
    EXPECT_EQ(host.said(), (std::vector<std::string> { "a", "line", "end" }));
}

TEST_F(VirtualScreenTest, RightOntoTheEndOfTheTextSpeaksNoCharacter)
{
    key(virtualkey::right, 20, 21);
    EXPECT_EQ(host.heard(), (std::vector<std::string> { std::string("char ") + '\0' }));
    EXPECT_TRUE(virtualscreenatedge);
}

TEST_F(VirtualScreenTest, WithoutAReadyVoiceOnlyEscapeActs)
{
    switches.voiceready = false;
    EXPECT_FALSE(reader.keydown(virtualkey::f2, 0));
    reader.keyup(virtualkey::up, false, 0);
    EXPECT_TRUE(reader.keydown(virtualkey::escape, 0));
    EXPECT_TRUE(host.transcript.empty());
}
