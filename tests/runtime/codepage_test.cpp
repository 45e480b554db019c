#include "runtime/codepage.h"

#include <gtest/gtest.h>

TEST(Codepage, EveryByteSurvivesTheRoundTripThroughUtf8AndQt)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(cp1250::fromutf8(cp1250::toutf8(all)), all);
    EXPECT_EQ(cp1250::fromqstring(cp1250::toqstring(all)), all);
}

TEST(Codepage, SlovakLettersMapToTheirCodePageBytes)
{
    EXPECT_EQ(cp1250::fromutf8("ňďťľŽ§"), "\xF2\xEF\x9D\xBE\x8E\xA7");
    EXPECT_EQ(cp1250::toutf8("\xE8\xED\x9A"), "číš");
}

TEST(Codepage, UndefinedBytesAreKeptNotReplaced)
{
    // 0x81 and 0x83 are cursor codes of the device; the code page has no
    // character for them.
    EXPECT_EQ(cp1250::toqstring("\x81\x83")[0].unicode(), 0x81);
    EXPECT_EQ(cp1250::fromqstring(QString(QChar(0x83))), "\x83");
}

TEST(Codepage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(cp1250::fromutf8("a€ж"), "a\x80?");
}
