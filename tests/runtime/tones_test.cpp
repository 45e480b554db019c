#include "runtime/cells.h"
#include "runtime/programtexts.h"
#include "runtime/tones.h"
#include "runtime/services.h"
#include "tests/support/scriptedhost.h"

#include <chrono>

#include <gtest/gtest.h>

namespace {

class TonesTest : public ::testing::Test {
protected:
    void SetUp() override { resetcells(); }
    TScriptedHost host;
};

}

TEST_F(TonesTest, TimbreAboveNineKeepsThePreviousTimbre)
{
    sound({ 200 }, 140, 0);
    sound({ 249 }, 140, 10);
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "tone 200 140ms timbre 0", "tone 249 140ms timbre 0" }));
}

TEST_F(TonesTest, NegativeDurationRepeatsThePreviousOne)
{
    sound({ 500 }, 380, 1);
    sound({ 500 }, -1, 1);
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "tone 500 380ms timbre 1", "tone 500 380ms timbre 1" }));
}

TEST_F(TonesTest, ChordStartsAllVoicesThenStopsThemTogether)
{
    sound({ 300, 450, 0 }, 100, 5);
    EXPECT_EQ(host.transcript,
        (std::vector<std::string> { "tone 300 100ms timbre 5", "tone 450 100ms timbre 5 voice 2",
            "tone 2 100ms timbre 5 voice 3" }));
}

TEST_F(TonesTest, OutOfRangeValuesAreClampedNotPassedOn)
{
    sound({ -50, 1e9 }, 10, 1);
    EXPECT_EQ(host.transcript,
        (std::vector<std::string> { "tone 2 10ms timbre 1", "tone " + std::to_string(static_cast<int>(highesttonevalue)) + " 10ms timbre 1 voice 2" }));
}

TEST_F(TonesTest, ZeroDurationEndsAtOnceInsteadOfHanging)
{
    sound({ 440 }, 0.7, 1);
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "tone 440 0ms timbre 1" }));
    EXPECT_FALSE(runtimecells.tonewaiting);
}

TEST_F(TonesTest, KeyDuringALongToneEndsItAtOnce)
{
    host.at(300, "x");
    sound({ 500 }, 2000, 1);
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "tone 500 300ms timbre 1 cut", "key x" }));
    EXPECT_EQ(runtimecells.keybuffer, "x");
}

TEST_F(TonesTest, ClickNumberIsTruncatedAndEverySoundTakesTheUsersVolume)
{
    switches.soundvolume = -2500;
    click(19.7);
    beep();
    sound({ 500 }, 100, 1);
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "play click19", "play beep", "tone 500 100ms timbre 1" }));
}

// A click the bank does not hold is named by its number, in the user's
// words, not by the bank's wave name.
TEST_F(TonesTest, AClickTheBankLacksIsNamedByItsNumber)
{
    struct TEmptyBank : TSoundPlayer {
        void startlooped(const std::string&, int, int) override {}
        void stopall(const std::string&) override {}
        void playwait(const std::string& name, int) override { throw TWaveNotFound(name); }
    } bank;
    services.sounds = &bank;
    try {
        click(1.5);
        ADD_FAILURE() << "no error";
    } catch (const TVorkanaError& error) {
        EXPECT_EQ(error.what(), programtext(TProgramText::noclick, "1"));
    }
    services.sounds = &host;
}

TEST_F(TonesTest, SoundsOffReturnAtOnceAndKeepTheLastValues)
{
    sound({ 500 }, 380, 4);
    switches.soundsenabled = false;
    size_t before = host.transcript.size();
    sound({ 200 }, 100, 2);
    beep();
    click(6);
    EXPECT_EQ(host.transcript.size(), before);
    EXPECT_EQ(runtimecells.lasttimbre, 4);
    EXPECT_EQ(runtimecells.lastduration, 380);
}

TEST(TonesWithoutAWindow, ATimedToneStillEnds)
{
    resetservices();
    resetcells();
    auto started = std::chrono::steady_clock::now();
    sound({ 440 }, 30, 1);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(30));
    EXPECT_FALSE(runtimecells.tonewaiting);
}
