#include "sound/bankplayer.h"
#include "sound/silentoutput.h"
#include "sound/wavecollection.h"
#include "tests/sound/soundfixtures.h"
#include "tests/sound/frequencyanalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

namespace {

// Where the restart began in what was rendered after it, as the frame at which
// it replays the first start exactly. A command lands at the next block, or
// later when the machine was too busy to issue it at once, so the start is
// found rather than assumed; a restart that did not start over matches nowhere.
std::optional<std::size_t> replayoffset(const std::vector<float>& first, const std::vector<float>& again, std::size_t fade)
{
    const std::size_t compared = 256;
    for (std::size_t offset = 0; offset + fade + compared <= again.size(); ++offset) {
        bool same = true;
        for (std::size_t frame = fade; frame < fade + compared && same; ++frame)
            same = again[offset + frame] == first[frame];
        if (same)
            return offset;
    }
    return std::nullopt;
}

class WaveItemTest : public ::testing::Test {
protected:
    WaveItemTest()
    {
        auto manual = std::make_unique<TManualOutput>();
        output = manual.get();
        device = std::make_unique<TSoundDevice>(std::move(manual));
    }

    std::unique_ptr<TWaveCollectionItem> item(const std::string& name, int maxplayingcount)
    {
        auto stored = generatedwave(name);
        stored.MaxPlayingCount = maxplayingcount;
        return std::make_unique<TWaveCollectionItem>(stored, device.get());
    }

    TManualOutput* output;
    std::unique_ptr<TSoundDevice> device;
};

TEST_F(WaveItemTest, OneShotInstancesUpToTheirLimit)
{
    struct TRow {
        int maxplayingcount;
        int starts;
        int expectedinstances;
    };
    for (TRow row : { TRow { 1, 3, 1 }, TRow { 2, 3, 2 }, TRow { 0, 3, 3 } }) {
        SCOPED_TRACE(row.maxplayingcount);
        auto click = item("click17", row.maxplayingcount);
        for (int start = 0; start < row.starts; ++start) {
            click->StartPlay(false);
            output->renderblocks(1);
        }
        EXPECT_EQ(click->instancecount(), row.expectedinstances);
        click->StopAll();
        output->renderblocks(2);
    }
}

TEST_F(WaveItemTest, ReusedInstanceRestartsFromItsBeginning)
{
    auto alone = item("click17", 1);
    alone->StartPlay(false);
    auto firststart = output->renderblocks(2);
    alone->StartPlay(false); // still sounding: its one instance starts over
    auto restart = output->renderblocks(4);
    ASSERT_GT(rms(firststart), 0.01);
    // Past the crossing from the old start, the new one plays alone.
    EXPECT_TRUE(replayoffset(firststart, restart, std::size_t(device->mixer().fadeframes())));
}

TEST_F(WaveItemTest, UnlimitedInstancesSoundTogether)
{
    auto single = item("click17", 0);
    single->StartPlay(false);
    auto one = output->renderblocks(2);
    output->renderblocks(40);
    auto twice = item("click17", 0);
    twice->StartPlay(false);
    twice->StartPlay(false);
    auto two = output->renderblocks(2);
    EXPECT_EQ(twice->instancecount(), 2);
    EXPECT_NEAR(rms(two), 2 * rms(one), 0.001);
}

TEST_F(WaveItemTest, LoopedItemRestartsAndChangingLoopedStopsInstances)
{
    auto tone = item("snd10", 0);
    tone->SetPlayRate(64 * 440);
    tone->StartPlay(false);
    auto first = output->renderblocks(3);
    tone->StartPlay(false);
    auto again = output->renderblocks(5);
    EXPECT_TRUE(replayoffset(first, again, std::size_t(device->mixer().fadeframes())));

    auto click = item("click17", 0);
    click->StartPlay(false);
    output->renderblocks(1);
    click->SetLooped(true);
    output->renderblocks(1);
    tone->StopAll();
    output->renderblocks(1); // the tone's fade
    // The click would sound for 120 ms more had SetLooped not stopped it.
    auto after = output->renderblocks(2);
    for (float sample : after)
        ASSERT_EQ(sample, 0.0f);
}

TEST_F(WaveItemTest, RateChangeReachesASoundingLoop)
{
    auto tone = item("snd10", 0);
    tone->SetPlayRate(64 * 300);
    tone->StartPlay(false);
    output->renderblocks(40);
    tone->SetPlayRate(64 * 600);
    auto raised = output->renderblocks(100);
    EXPECT_NEAR(zerocrossingfrequency(raised, 48000), 600, 0.6);
}

TEST(WaveItemDeviceTest, TheNextItemOnAVoiceFollowsWithoutAGapOnADeviceWithLatency)
{
    // A device that plays one block while the next is rendered.
    auto manual = std::make_unique<TManualOutput>(TManualOutput::blockframes);
    auto* output = manual.get();
    TSoundDevice device(std::move(manual));
    TWaveCollectionItem tone(generatedwave("snd10"), &device);
    tone.SetLooped(true);
    for (int next : { 660, 440 }) { // a new pitch, then the same one again
        SCOPED_TRACE(next);
        tone.SetPlayRate(64 * 440);
        tone.StartPlay(false);
        auto heard = output->renderblocks(6);
        // The next item comes 2 ms into the block being played, so its
        // frame lies inside a block, as it mostly does.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        tone.SetPlayRate(64 * next);
        tone.StartPlay(false);
        // Enough blocks that the change lands in them however late the
        // command comes on a busy machine.
        auto following = output->renderblocks(16);
        heard.insert(heard.end(), following.begin(), following.end());
        // Half a millisecond of quiet is a drop-out; a restart of the same
        // pitch in opposite phase dips for a fraction of that in its crossing.
        EXPECT_LT(longestquietrun(heard, 100, heard.size()), 48000 / 2000);
        std::vector<float> last(heard.end() - 4 * TManualOutput::blockframes, heard.end());
        EXPECT_NEAR(zerocrossingfrequency(last, 48000), next, 2);
        tone.StopAll();
        output->renderblocks(4);
    }
}

TEST_F(WaveItemTest, OneShotRateBelowTheBufferRangePlaysAtItsLowestRate)
{
    // At 1 Hz the copy of a click would be gigabytes long.
    // From its first sound on: a busy machine may start it a block late.
    auto heard = [&](int rate) {
        auto click = item("click9", 0);
        click->SetPlayRate(rate);
        click->StartPlay(false);
        auto rendered = output->renderblocks(40);
        rendered.erase(rendered.begin(), std::find_if(rendered.begin(), rendered.end(), [](float s) { return s != 0; }));
        rendered.resize(5000);
        return rendered;
    };
    auto lowest = heard(lowestwaverate);
    EXPECT_GT(rms(lowest), 0.0);
    EXPECT_EQ(heard(1), lowest);
}

TEST_F(WaveItemTest, LoopLongerThanItsAnalysisSoundsAtItsPitch)
{
    // A fifth of a second of a 441 Hz sine at 44.1 kHz, repeated: longer
    // than the points its harmonics are measured on; the loop repeats five
    // times a second, and its 88th harmonic is the sine.
    TStoredWave stored;
    stored.Name = "long";
    stored.Looped = true;
    stored.Wave.format = pcm16monoformat(44100);
    for (int n = 0; n < 8820; ++n) {
        auto value = static_cast<std::int16_t>(std::lround(16000 * std::sin(2 * M_PI * 441 * n / 44100.0)));
        stored.Wave.data.push_back(static_cast<std::uint8_t>(value & 0xFF));
        stored.Wave.data.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    TWaveCollectionItem loop(stored, device.get());
    loop.StartPlay(false);
    auto heard = output->renderblocks(400);
    heard.erase(heard.begin(), heard.begin() + 9600); // past the high-pass's settling
    EXPECT_NEAR(zerocrossingfrequency(heard, 48000), 441, 1);
    EXPECT_NEAR(rms(heard), 16000 / 32768.0 / std::sqrt(2.0), 0.02);
}

TEST(SilentOutputTest, PlayWaitLastsAsLongAsTheWave)
{
    TSoundDevice device(std::make_unique<TSilentOutput>());
    TWaveCollectionItem click(generatedwave("click19"), &device);
    double seconds = double(generatedsamples("click19").size()) / 44100;
    auto started = std::chrono::steady_clock::now();
    click.StartPlay(true);
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GE(waited, seconds - 0.002);
    EXPECT_LT(waited, seconds + 0.05);
}

}
