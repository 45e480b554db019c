#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/print.h"
#include "runtime/screen.h"
#include "tests/support/scriptedhost.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        switches.voiceallowed = true;
    }

    void placecursor(int column, int row)
    {
        scrcursor.setcolumn(static_cast<std::uint8_t>(column));
        scrcursor.setrow(static_cast<std::uint8_t>(row));
    }

    TScriptedHost host;
};

}

TEST_F(ScreenTest, EmptyTextWithLineBreakMovesToTheNextRowAndSaysNothing)
{
    placecursor(5, 3);
    printtext("", 0);
    EXPECT_EQ(scrcursor.column(), 0);
    EXPECT_EQ(scrcursor.row(), 4);
    EXPECT_TRUE(host.said().empty());
}

TEST_F(ScreenTest, LongTextWrapsAcrossRowsFromTheCursorColumn)
{
    std::string text;
    for (int k = 0; k < 200; ++k)
        text += static_cast<char>('a' + k % 26);
    placecursor(10, 2);
    printtext(text, 1);

    EXPECT_EQ(screen.line(2).substr(10), text.substr(0, 70));
    EXPECT_EQ(screen.line(2).substr(0, 10), std::string(10, ' '));
    EXPECT_EQ(screen.line(3), text.substr(70, 80));
    EXPECT_EQ(screen.line(4).substr(0, 50), text.substr(150));
    EXPECT_EQ(screen.line(4).size(), 80u);
    EXPECT_EQ(scrcursor.column(), 50);
    EXPECT_EQ(scrcursor.row(), 4);
}

TEST_F(ScreenTest, PrintingOnTheLastRowScrollsTheScreenUp)
{
    printtext("first", 0);
    placecursor(0, 23);
    printtext("last", 0);
    EXPECT_EQ(screen.line(0), "");
    EXPECT_EQ(screen.line(22).substr(0, 4), "last");
    EXPECT_EQ(screen.line(23), "");
    EXPECT_EQ(scrcursor.column(), 0);
    EXPECT_EQ(scrcursor.row(), 23);
}

TEST_F(ScreenTest, OverwritingKeepsTheRestOfTheRow)
{
    printtext("abcdefgh", 0);
    placecursor(2, 0);
    printtext("XY", 1);
    EXPECT_EQ(screen.line(0).substr(0, 8), "abXYefgh");
}

TEST_F(ScreenTest, CommaSeparatorAdvancesToTheNextPrintZone)
{
    struct TRow {
        int start;
        int column;
        int row;
    };
    // Text of length 0 at the start column, so the column is where the zone rule applies.
    for (TRow row : { TRow { 0, 0, 5 }, TRow { 8, 8, 5 }, TRow { 64, 64, 5 }, TRow { 10, 16, 5 }, TRow { 9, 10, 5 },
             TRow { 17, 18, 5 }, TRow { 72, 72, 5 }, TRow { 73, 0, 6 }, TRow { 79, 0, 6 } }) {
        placecursor(row.start, 5);
        printtext("", 2);
        EXPECT_EQ(scrcursor.column(), row.column) << "from column " << row.start;
        EXPECT_EQ(scrcursor.row(), row.row) << "from column " << row.start;
    }
}

TEST_F(ScreenTest, LeadingPunctuationBecomesPausesAndIsNotSpoken)
{
    printtext(cp1250::fromutf8(";,a,; kladná odpoveď na otázku."), 0);
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "pause 300", "pause 300", "say a,; kladná odpoveď na otázku." }));
    EXPECT_EQ(screen.line(0).substr(0, 6), ";,a,; ");
}

TEST_F(ScreenTest, PunctuationAfterTheFirstOtherCharacterIsSpoken)
{
    printtext(cp1250::fromutf8("dobrý ďeň;"), 0);
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "say dobrý ďeň;" }));
}

TEST_F(ScreenTest, LeadingBlanksBeforePunctuationAreDroppedOtherwiseKept)
{
    printtext("  ;x", 0);
    printtext("  x", 0);
    printtext(";", 0);
    printtext("\t\x01 ,y", 0);
    EXPECT_EQ(host.transcript,
        (std::vector<std::string> { "pause 300", "say x", "say   x", "pause 300", "say ", "pause 300", "say y" }));
}

TEST_F(ScreenTest, ClsActsOnlyWhileTheVoiceIsAllowed)
{
    printtext("kept", 0);
    switches.voiceallowed = false;
    cls();
    EXPECT_EQ(screen.line(0).substr(0, 4), "kept");
    EXPECT_EQ(scrcursor.row(), 1);

    switches.voiceallowed = true;
    cls();
    EXPECT_EQ(screen.line(0), "");
    EXPECT_EQ(scrcursor.row(), 0);
}

namespace {

// The user's decimal point, as the locale variables name it; the second
// run of these tests, under the Czech locale, is what this is for.
char localedecimalpoint()
{
    std::string locale;
    for (const char* variable : { "LC_ALL", "LC_NUMERIC", "LANG" })
        if (const char* value = std::getenv(variable); value && *value && locale.empty())
            locale = value;
    if (locale.rfind("cs", 0) == 0 || locale.rfind("sk", 0) == 0)
        return ',';
    if (locale.empty() || locale.rfind("C", 0) == 0 || locale == "POSIX" || locale.rfind("en", 0) == 0)
        return '.';
    return 0;
}

}

TEST_F(ScreenTest, NumbersArePrintedAndSpokenWithTheUsersDecimalPoint)
{
    char point = localedecimalpoint();
    if (!point)
        GTEST_SKIP() << "no known decimal point for this locale";
    printnumber(2, 12);
    printnumber(0, -1000.5);
    EXPECT_EQ(screen.line(0).substr(0, 15), std::string("12      -1000") + point + "5");
    EXPECT_EQ(host.said(), (std::vector<std::string> { "12", std::string("-1000") + point + "5" }));
    EXPECT_EQ(numtostr(0.125), std::string("0") + point + "125");
}

TEST(NumToStr, WholeAndFractionalNumbers)
{
    struct TRow {
        double value;
        char point;
        const char* text;
    };
    for (TRow row : { TRow { 0, '.', "0" }, TRow { 12, ',', "12" }, TRow { 1000, '.', "1000" }, TRow { -7, '.', "-7" },
             TRow { 999999999999999, '.', "999999999999999" }, TRow { 2.5, ',', "2,5" }, TRow { 0.1, '.', "0.1" },
             TRow { -0.125, ',', "-0,125" }, TRow { 1.0 / 3, '.', "0.333333333333333" }, TRow { 1e20, '.', "1E20" },
             TRow { 1.5e-7, ',', "1,5E-7" } }) {
        EXPECT_EQ(numtostr(row.value, row.point), row.text) << row.value;
    }
}
