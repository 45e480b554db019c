#include "runtime/errors.h"
#include "runtime/filetexts.h"
#include "shell/brailletable.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class BrailleTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetbrailletable();
        path = (std::filesystem::temp_directory_path() / ("vorkana-table-" + std::to_string(::getpid()) + ".ebt")).string();
    }
    void TearDown() override
    {
        std::filesystem::remove(path);
        resetbrailletable();
    }

    std::string load(const std::string& contents)
    {
        std::ofstream(path, std::ios::binary) << contents;
        return loadbrailletable(path);
    }

    std::vector<std::string> decodeall(std::initializer_list<const char*> chords)
    {
        std::vector<std::string> results;
        for (const char* chord : chords)
            results.push_back(decodechord(chord));
        return results;
    }

    std::string path;
};

using TStrings = std::vector<std::string>;

}

TEST(ChordPattern, ReadsTheHeldKeysInDotOrder)
{
    struct TRow {
        const char* name;
        TBrailleKeys keys;
        const char* pattern;
    };
    const TRow rows[] = {
        { "nothing held", {}, "" },
        { "F and D", { { true, true, false, false, false, false }, false }, "12" },
        { "all six", { { true, true, true, true, true, true }, false }, "123456" },
        { "L and F", { { true, false, false, false, false, true }, false }, "16" },
        { "space with F", { { true, false, false, false, false, false }, true }, "1" },
        { "space alone", { {}, true }, " " },
    };
    for (const TRow& row : rows)
        EXPECT_EQ(chordpattern(row.keys), row.pattern) << row.name;
}

TEST_F(BrailleTableTest, CapitalSignAppliesToOneCharacter)
{
    load("[prefixes]\n#cap=46\n[characters]\na=1\n[#cap]\nA=1\n");
    EXPECT_EQ(decodeall({ "46", "1", "1" }), (TStrings { "", "A", "a" }));
    EXPECT_EQ(currentprefix, "");
}

TEST_F(BrailleTableTest, OtherPrefixesHoldUntilASpace)
{
    load("[prefixes]\n#num=3456\n[characters]\na=1\nb=12\n[#num]\n1=1\n");
    EXPECT_EQ(decodeall({ "3456", "1", "1", "12", "1", " ", "1" }), (TStrings { "", "1", "1", "", "1", " ", "a" }));
}

TEST_F(BrailleTableTest, SectionsAndLinesTheLoaderSkips)
{
    std::string message = load("a=123456\n"
         "[prefixes]\nnot a prefix=5\n\n#cap=6\n"
         "[other]\nz=1\n"
         "[characters]\n\nb=12\nnoequals\n"
         "[prefixes]\n#num=3456\n");
    EXPECT_EQ(prefixcount, 1);
    EXPECT_EQ(brlprefixes[1].name, "#num");
    ASSERT_EQ(charcount, 2);
    EXPECT_EQ(brlchars[1].character, "b");
    EXPECT_EQ(brlchars[2].character, "noequals");
    EXPECT_EQ(brlchars[2].dots, "noequals");
    EXPECT_EQ(decodechord("123456"), "");
    EXPECT_EQ(decodechord("1"), "");
    // Kept, but no chord types it: the user is told which line it is.
    EXPECT_EQ(message, filetext(TFileText::brailletablebroken, path) + "\n11: noequals");
}

TEST_F(BrailleTableTest, WindowsLineEndsAreNotPartOfTheEntries)
{
    load("[prefixes]\r\n#cap=6\r\n[characters]\r\na=1\r\n[#cap]\r\nA=1\r\n");
    EXPECT_EQ(decodeall({ "6", "1" }), (TStrings { "", "A" }));
}

TEST_F(BrailleTableTest, TooManyEntriesAreIgnoredAndReported)
{
    std::string contents = "[prefixes]\n";
    for (int index = 1; index <= 12; ++index)
        contents += "#p" + std::to_string(index) + "=" + std::to_string(index) + "5\n";
    contents += "[characters]\n";
    for (int index = 1; index <= 300; ++index)
        contents += "c=" + std::to_string(index) + "\n";
    std::string message = load(contents);

    EXPECT_EQ(prefixcount, brailleprefixslots);
    EXPECT_EQ(brlprefixes[10].name, "#p10");
    EXPECT_EQ(charcount, braillecharacterslots);
    EXPECT_EQ(brlchars[braillecharacterslots].dots, "254");
    EXPECT_NE(message.find("posledních 2 se"), std::string::npos) << message;
    EXPECT_NE(message.find("posledních 46 se"), std::string::npos) << message;
    EXPECT_EQ(decodechord("255"), "");
}

TEST_F(BrailleTableTest, AMissingFileIsReportedByName)
{
    try {
        loadbrailletable(path);
        FAIL() << "no error for a missing file";
    } catch (const TVorkanaError& error) {
        EXPECT_NE(std::string(error.what()).find("File not found"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos);
    }
}
