#include "runtime/cells.h"
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
    EXPECT_EQ(host.entries("tone"), (std::vector<std::string> { "tone snd10 12800", "tone snd10 15936" }));
    EXPECT_EQ(host.entries("end"), (std::vector<std::string> { "end snd10", "end snd10" }));
    EXPECT_EQ(host.now, 280);
}

TEST_F(TonesTest, NegativeDurationRepeatsThePreviousOne)
{
    sound({ 500 }, 380, 1);
    long long before = host.now;
    sound({ 500 }, -1, 1);
    EXPECT_EQ(host.now - before, 380);
    EXPECT_EQ(runtimecells.lastduration, 380);
}

TEST_F(TonesTest, ChordStartsAllVoicesThenStopsThemTogether)
{
    sound({ 300, 450, 0 }, 100, 5);
    EXPECT_EQ(host.transcript,
        (std::vector<std::string> { "tone snd15 19200", "tone snd25 28800", "tone snd35 128", "end snd15", "end snd25",
            "end snd35" }));
}

TEST_F(TonesTest, OutOfRangeValuesAreClampedNotPassedOn)
{
    sound({ -50, 1e9 }, 10, 1);
    EXPECT_EQ(host.entries("tone"),
        (std::vector<std::string> { "tone snd11 128", "tone snd21 " + std::to_string(static_cast<int>(highesttonevalue) * 64) }));
}

TEST_F(TonesTest, ZeroDurationEndsAtOnceInsteadOfHanging)
{
    sound({ 440 }, 0.7, 1);
    EXPECT_EQ(host.now, 0);
    EXPECT_FALSE(runtimecells.tonewaiting);
    EXPECT_EQ(host.entries("end").size(), 1u);
}

TEST_F(TonesTest, KeyDuringALongToneEndsItAtOnce)
{
    host.at(300, "x");
    sound({ 500 }, 2000, 1);
    EXPECT_EQ(host.now, 300);
    EXPECT_EQ(runtimecells.keybuffer, "x");
    EXPECT_EQ(host.entries("end").size(), 1u);
}

TEST_F(TonesTest, ClickNumberIsTruncated)
{
    click(19.7);
    beep();
    EXPECT_EQ(host.transcript, (std::vector<std::string> { "play click19", "play beep" }));
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
