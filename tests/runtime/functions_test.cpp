#include "runtime/cells.h"
#include "runtime/errors.h"
#include "runtime/programtexts.h"
#include "runtime/functions.h"
#include "runtime/ram.h"
#include "tests/support/scriptedhost.h"

#include <clocale>
#include <gtest/gtest.h>

TEST(Val, DecimalTextsWithAPointOrACommaWhateverTheLocale)
{
    struct TRow {
        const char* text;
        double value;
    };
    for (TRow row : { TRow { "7", 7 }, TRow { "", 0 }, TRow { "1,5", 1.5 }, TRow { "1,2,3", 0 }, TRow { "1.0,5", 0 },
             TRow { "3 ", 0 }, TRow { "2.5E1", 25 },
             TRow { "  -2.5", -2.5 }, TRow { "+4", 4 }, TRow { ".5", 0.5 }, TRow { "1e-2", 0.01 }, TRow { "abc", 0 },
             TRow { "inf", 0 }, TRow { "nan", 0 }, TRow { "1e", 0 }, TRow { "+-1", 0 }, TRow { "14", 14 } }) {
        EXPECT_EQ(val(row.text), row.value) << '"' << row.text << '"';
    }
}

TEST(Val, PercentMarksHexadecimal)
{
    EXPECT_EQ(val("%ff"), 255);
    EXPECT_EQ(val("%1F"), 31);
    EXPECT_EQ(val("  %10"), 16);
    EXPECT_EQ(val("-%10"), -16);
    EXPECT_EQ(val("%FFFFFFFF"), -1);
    EXPECT_EQ(val("%000000001"), 1);
    EXPECT_EQ(val("-%80000000"), -2147483648.0);
    EXPECT_EQ(val("-%FFFFFFFF"), 1);
}

TEST(Val, BadHexadecimalTextRaisesAConversionError)
{
    for (const char* text : { "%", "%g", "1%2", "%%1", "%1 ", "%123456789" }) {
        EXPECT_THROW(val(text), TVorkanaError) << text;
    }
    std::string message = "nothing raised";
    try {
        val("%zz");
    } catch (const TVorkanaError& error) {
        message = error.what();
    }
    EXPECT_EQ(message, programtext(TProgramText::valcannotread, "%zz"));
}

TEST(LeftStr, CountsAreTruncatedAndBounded)
{
    EXPECT_EQ(leftstr("hello", 2), "he");
    EXPECT_EQ(leftstr("hello", 2.9), "he");
    EXPECT_EQ(leftstr("hello", 5), "hello");
    EXPECT_EQ(leftstr("hello", 99), "hello");
    EXPECT_EQ(leftstr("hello", 0), "");
    EXPECT_EQ(leftstr("hello", -3), "");
}

TEST(TimeStr, HoursMinutesAndSecondsEachFollowedByABlank)
{
    TScriptedHost host;
    host.clockstart = { 9, 5, 7 };
    EXPECT_EQ(timestr(), "09 05 07 ");
    host.clockstart = { 14, 3, 22 };
    EXPECT_EQ(leftstr(timestr(), 2), "14");
    EXPECT_EQ(val(leftstr(timestr(), 2)), 14);
    EXPECT_EQ(leftstr(timestr(), 5), "14 03");
}

TEST(Rnd, ZeroReturnsTheDrawAfterTheLatestReturnedOne)
{
    resetcells();
    TScriptedHost host;
    EXPECT_EQ(rnd(0), 0);
    host.draws = { 0.1, 0.2, 0.3, 0.4 };
    EXPECT_EQ(rnd(1), 0.1);
    EXPECT_EQ(rnd(1), 0.3);
    EXPECT_EQ(rnd(0), 0.4);
    rnd(-1);
    EXPECT_EQ(host.reseeds, 1);
}

TEST(Inkey, TakesOnlyTheLatestKeyAndEmptiesTheBuffer)
{
    resetcells();
    TScriptedHost host;
    EXPECT_EQ(inkey(), "");
    runtimecells.keybuffer = "a";
    runtimecells.keybuffer = "b";
    EXPECT_EQ(inkey(), "b");
    EXPECT_EQ(inkey(), "");
    host.press("3");
    EXPECT_EQ(inkey(), "3");
}

TEST(Peek, ReadsTheDeviceMemory)
{
    ramimage.fill(0);
    ramimage[50730] = 1;
    EXPECT_EQ(peek(50730), 1);
    EXPECT_EQ(peek(50730.9), 1);
    EXPECT_EQ(peek(0), 0);
    EXPECT_EQ(peek(-1), 0);
    EXPECT_EQ(peek(65536), 0);
}

TEST(Val, ReadsAPointAndACommaUnderACommaLocale)
{
    if (!std::setlocale(LC_ALL, "cs_CZ.UTF-8"))
        GTEST_SKIP() << "the Czech locale is not installed";
    EXPECT_EQ(val("2.5"), 2.5);
    EXPECT_EQ(val("2,5"), 2.5);
    std::setlocale(LC_ALL, "C");
}
