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

TEST(Codepage, MalformedUtf8BecomesQuestionMarksNeverTheCharacterItSpells)
{
    struct TRow {
        const char* name;
        std::string utf8;
        std::string expected;
    };
    const TRow rows[] = {
        { "over-long A", "\xC1\x81", "?" },
        { "over-long NUL", "\xC0\x80", "?" },
        { "over-long slash in three bytes", "\xE0\x80\xAF", "?" },
        { "over-long in four bytes", "\xF0\x80\x81\x81", "?" },
        { "five-byte lead", "\xF8\x80\x80\x80", "????" },
        { "lead past the last code point", "\xF5\x80\x80\x80", "????" },
        { "past U+10FFFF", "\xF4\x90\x80\x80", "?" },
        { "surrogate", "\xED\xA0\x80", "?" },
        { "stray continuation", "a\x80" "b", "a?b" },
        { "cut sequence then a letter", "\xC3" "b", "?b" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(cp1250::fromutf8(row.utf8), row.expected);
    }
}
