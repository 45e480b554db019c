#include "runtime/cells.h"
#include "shell/brailletable.h"
#include "shell/displaykeys.h"
#include "shell/keyhandlers.h"
#include "tests/support/scriptedhost.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class DisplayKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        dataentry = TDataEntryCells {};
        currentprefix.clear();
        currentchord.clear();
        auto path = std::filesystem::temp_directory_path() / ("vorkana-display-" + std::to_string(::getpid()) + ".ebt");
        std::ofstream(path) << "[prefixes]\n#cap=46\n#num=3456\n[characters]\na=1\nb=12\n[#cap]\nA=1\nB=12\n[#num]\n1=1\n2=12\n";
        loadbrailletable(path.string());
        std::filesystem::remove(path);
    }
    void TearDown() override { resetbrailletable(); }

    TScriptedHost host;
};

}

// Each row: the chords typed on the display, and what keybuffer holds after
// each, with the six-key keyboard switched off as it is by default.
TEST_F(DisplayKeysTest, ChordsReachTheProgramThroughTheTableAndItsPrefixes)
{
    struct TRow {
        const char* name;
        std::vector<std::string> chords;
        std::vector<std::string> keybuffers;
    };
    const TRow rows[] = {
        { "letter", { "12" }, { "b" } },
        { "capital sign for one letter", { "46", "1", "1" }, { "", "A", "a" } },
        { "number sign until a space", { "3456", "1", "12", " ", "1" }, { "", "1", "2", " ", "a" } },
        { "no entry under the prefix keeps it", { "3456", "456", "12" }, { "", "", "2" } },
    };
    for (const TRow& row : rows) {
        currentprefix.clear();
        for (size_t index = 0; index < row.chords.size(); ++index) {
            displaychord(row.chords[index]);
            EXPECT_EQ(runtimecells.keybuffer, row.keybuffers[index]) << row.name << ", chord " << index;
        }
    }
}

TEST_F(DisplayKeysTest, ChordInTheMainWindowCutsSpeechAndToneLikeAKey)
{
    runtimecells.tonewaiting = true;
    displaychord("1");
    EXPECT_FALSE(runtimecells.tonewaiting);
    EXPECT_EQ(host.entries("stop speech").size(), 1u);
}

TEST_F(DisplayKeysTest, ChordInTheDataEntryFieldIsSpokenAndInsertedAtTheCaret)
{
    TEditField field { "ab", 1 };
    // A number sign pending in the main window is not the dialog's.
    currentprefix = "#num";
    entrydisplaychord("1", field);
    EXPECT_EQ(field.text, "aab");
    field = { "ab", 1 };
    host.transcript.clear();
    entrydisplaychord("46", field); // the capital sign: nothing yet
    entrydisplaychord("12", field);
    EXPECT_EQ(field.text, "aBb");
    EXPECT_EQ(field.caret, 2);
    EXPECT_EQ(host.entries("char"), (std::vector<std::string> { "char B" }));
    // The capital sign held for one letter only, and the dialog keeps its
    // prefix apart from the main window's.
    EXPECT_TRUE(dataentry.savedprefix.empty());
}

TEST_F(DisplayKeysTest, RoutingInTheFieldStaysWithinTheText)
{
    TEditField field { "abc", 0 };
    entrydisplayroute(2, field);
    EXPECT_EQ(field.caret, 2);
    entrydisplayroute(39, field);
    EXPECT_EQ(field.caret, 3);
}
