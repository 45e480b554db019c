// The shipped Braille table against Czech six-dot Braille, and the
// character-name files against the code page.
#include "runtime/codepage.h"
#include "shell/brailletable.h"
#include "shell/echoloader.h"
#include "speech/echotable.h"

#include <gtest/gtest.h>

namespace {

const std::string datafolder = VORKANA_DATA_DIR;

struct TCell {
    const char* letter; // UTF-8
    const char* dots;
};

// Czech Braille (letters of the Czech alphabet and their cells).
const TCell czechletters[] = {
    { "a", "1" }, { "á", "16" }, { "b", "12" }, { "c", "14" }, { "č", "146" }, { "d", "145" }, { "ď", "1456" },
    { "e", "15" }, { "é", "345" }, { "ě", "126" }, { "f", "124" }, { "g", "1245" }, { "h", "125" }, { "i", "24" },
    { "í", "34" }, { "j", "245" }, { "k", "13" }, { "l", "123" }, { "m", "134" }, { "n", "1345" }, { "ň", "1246" },
    { "o", "135" }, { "ó", "246" }, { "p", "1234" }, { "q", "12345" }, { "r", "1235" }, { "ř", "2456" },
    { "s", "234" }, { "š", "156" }, { "t", "2345" }, { "ť", "1256" }, { "u", "136" }, { "ú", "346" },
    { "ů", "23456" }, { "v", "1236" }, { "w", "12356" }, { "x", "1346" }, { "y", "13456" }, { "ý", "12346" },
    { "z", "1356" }, { "ž", "2346" },
};

const TCell czechpunctuation[] = {
    { ".", "3" }, { ",", "2" }, { ";", "23" }, { ":", "25" }, { "?", "26" }, { "!", "235" }, { "-", "36" },
    { "(", "236" }, { ")", "356" }, { "\"", "2356" },
};

const TCell digits[] = {
    { "1", "1" }, { "2", "12" }, { "3", "14" }, { "4", "145" }, { "5", "15" }, { "6", "124" }, { "7", "1245" },
    { "8", "125" }, { "9", "24" }, { "0", "245" },
};

// Slovak letters whose cells mean something else in Czech.
const TCell slovakletters[] = {
    { "ä", "4" }, { "ĺ", "46" }, { "ľ", "456" }, { "ô", "23456" }, { "ŕ", "12356" }, { "w", "2456" },
};

std::string bytes(const char* utf8)
{
    return cp1250::fromutf8(utf8);
}

std::string uppercase(const char* utf8)
{
    return cp1250::fromqstring(QString::fromUtf8(utf8).toUpper());
}

class CzechTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetbrailletable();
        EXPECT_EQ(loadbrailletable(datafolder + "/czech.ebt"), "");
    }
    void TearDown() override { resetbrailletable(); }
};

}

TEST_F(CzechTableTest, EveryCzechLetterAndCommonPunctuationDecodes)
{
    for (const TCell& cell : czechletters)
        EXPECT_EQ(decodechord(cell.dots), bytes(cell.letter)) << cell.letter;
    for (const TCell& cell : czechpunctuation)
        EXPECT_EQ(decodechord(cell.dots), bytes(cell.letter)) << cell.letter;
    EXPECT_EQ(currentprefix, "");
}

TEST_F(CzechTableTest, TheCapitalSignIsDotSixForOneLetter)
{
    for (const TCell& cell : czechletters) {
        EXPECT_EQ(decodechord("6"), "") << cell.letter;
        EXPECT_EQ(decodechord(cell.dots), uppercase(cell.letter)) << cell.letter;
        EXPECT_EQ(decodechord(cell.dots), bytes(cell.letter)) << cell.letter;
    }
}

TEST_F(CzechTableTest, TheNumberSignHoldsForDigitsUntilASpace)
{
    EXPECT_EQ(decodechord("3456"), "");
    for (const TCell& cell : digits)
        EXPECT_EQ(decodechord(cell.dots), cell.letter) << cell.letter;
    EXPECT_EQ(decodechord("2"), ",");
    EXPECT_EQ(decodechord(" "), " ");
    EXPECT_EQ(decodechord("1"), "a");
}

TEST_F(CzechTableTest, SlovakLettersSitUnderTheirOwnPrefix)
{
    EXPECT_EQ(decodechord("45"), "");
    for (const TCell& cell : slovakletters)
        EXPECT_EQ(decodechord(cell.dots), bytes(cell.letter)) << cell.letter;
    EXPECT_EQ(decodechord("1"), "a");
    EXPECT_EQ(decodechord(" "), " ");
    EXPECT_EQ(decodechord("12356"), "w");
}

TEST(CharacterNames, EveryPrintableCharacterHasANameInEachLanguage)
{
    for (const char* language : { "czech", "english", "slovak" }) {
        EXPECT_EQ(loadechotable(datafolder + "/" + language + ".eky"), "") << language;
        for (int code = 0x20; code <= 0xFF; ++code) {
            char32_t character = cp1250::tounicode(static_cast<unsigned char>(code));
            bool printable = code != 0x7F && !(character >= 0x80 && character < 0xA0);
            if (!printable)
                continue;
            auto name = echotext(static_cast<char>(code));
            ASSERT_TRUE(name.has_value()) << language << " " << code;
            EXPECT_FALSE(name->empty()) << language << " " << code;
        }
    }
    echotable.fill({});
}
