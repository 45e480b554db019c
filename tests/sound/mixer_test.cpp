#include "sound/mixer.h"
#include "sound/volume.h"
#include "tests/sound/soundfixtures.h"
#include "tests/sound/frequencyanalysis.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int outputrate = 48000;
constexpr int block = 256;

class MixerTest : public ::testing::Test {
protected:
    // Starts a tone voice of the generated bank as the runtime does: the
    // 64-sample cycle at 64 x frequency.
    TMixer::TChannel starttone(const std::string& wave, double frequency, int volume = 0, std::int64_t at = 0)
    {
        auto channel = mixer.createchannel();
        auto& tables = wavetables.emplace_back(std::make_unique<TLoopWavetables>(generatedsamples(wave)));
        double loops = tables->loopspersecond(64 * frequency);
        mixer.playlooped(channel, tables->table(loops, outputrate), loops, volumegain(volume), at);
        return channel;
    }

    std::vector<float> render(int frames)
    {
        std::vector<float> output(static_cast<std::size_t>(frames));
        for (int done = 0; done < frames; done += block)
            mixer.render(output.data() + done, std::min(block, frames - done), TMixerClock::now());
        return output;
    }

    // Past the high-pass's settling and the start's rise.
    std::vector<float> steady(int frames)
    {
        render(outputrate / 5);
        return render(frames);
    }

    TMixer mixer { outputrate };
    std::vector<std::unique_ptr<TLoopWavetables>> wavetables;
};

TEST_F(MixerTest, LoopedTonesSoundAtTheirPitch)
{
    for (double frequency : { 50.0, 440.0, 2500.0 }) {
        SCOPED_TRACE(frequency);
        auto channel = starttone("snd10", frequency);
        double measured = zerocrossingfrequency(steady(outputrate), outputrate);
        EXPECT_NEAR(measured, frequency, frequency * 0.001);
        mixer.stop(channel, mixer.renderedframes());
        render(block);
    }
}

TEST_F(MixerTest, SquareTimbreAtTopPitchDoesNotAlias)
{
    constexpr double frequency = 2500;
    starttone("snd13", frequency);
    auto spectrum = spectrumdecibels(steady(1 << 16));
    double binhertz = double(outputrate) / double(1 << 16);
    double worst = -300;
    for (std::size_t bin = 1; bin < spectrum.size(); ++bin) {
        double hertz = double(bin) * binhertz;
        double harmonic = std::round(hertz / frequency);
        // Leakage of the window around each true harmonic is not aliasing.
        if (harmonic >= 1 && std::abs(hertz - harmonic * frequency) < 12 * binhertz)
            continue;
        if (hertz < 30)
            continue;
        worst = std::max(worst, spectrum[bin]);
    }
    EXPECT_LT(worst, -80.0);
    // The square's odd harmonics below Nyquist are all there.
    for (int harmonic : { 1, 3, 5, 7, 9 })
        EXPECT_GT(spectrum[std::size_t(std::lround(harmonic * frequency / binhertz))], -30.0) << harmonic;
}

TEST_F(MixerTest, VolumeIsInHundredthsOfADecibel)
{
    struct TRow {
        int volume;
        double expectedratio;
    };
    auto full = starttone("snd10", 440, 0);
    double fulllevel = rms(steady(outputrate / 2));
    mixer.stop(full, mixer.renderedframes());
    for (TRow row : { TRow { -600, 0.5 }, TRow { -2000, 0.1 }, TRow { -10000, 0 }, TRow { -20000, 0 } }) {
        SCOPED_TRACE(row.volume);
        auto channel = starttone("snd10", 440, row.volume);
        auto output = steady(outputrate / 2);
        if (row.expectedratio == 0) {
            for (float sample : output)
                ASSERT_EQ(sample, 0.0f);
        } else {
            EXPECT_NEAR(rms(output) / fulllevel, row.expectedratio, row.expectedratio * 0.01);
        }
        mixer.stop(channel, mixer.renderedframes());
        render(block);
    }
}

TEST_F(MixerTest, ToneLastsExactlyFromItsStartFrameToItsStopFrame)
{
    // 15 ms at 48 kHz is 720 frames.
    auto channel = starttone("snd13", 440, 0, 1000);
    mixer.stop(channel, 1720);
    auto output = render(4 * block + 1000);
    for (int frame = 0; frame < 1000; ++frame)
        ASSERT_EQ(output[frame], 0.0f) << frame;
    std::vector<float> lastmillisecond(output.begin() + 1672, output.begin() + 1720);
    EXPECT_GT(rms(lastmillisecond), 0.1);
    EXPECT_EQ(mixer.endframe(channel), 1720 + mixer.fadeframes());
    for (std::size_t frame = 1720 + mixer.fadeframes(); frame < output.size(); ++frame)
        ASSERT_EQ(output[frame], 0.0f) << frame;
    EXPECT_LE(mixer.fadeframes(), outputrate * 2 / 1000);
}

TEST_F(MixerTest, StopGivenNowIsSilentWithinOneBlockAndTheFade)
{
    auto channel = starttone("snd14", 1000);
    steady(block);
    auto stoppedat = mixer.scheduleframe(TMixerClock::now());
    std::int64_t before = mixer.renderedframes();
    mixer.stop(channel, stoppedat);
    auto output = render(4 * block);
    std::int64_t silentfrom = block + mixer.fadeframes();
    EXPECT_LE(stoppedat - before, block);
    for (std::size_t frame = std::size_t(silentfrom); frame < output.size(); ++frame)
        ASSERT_EQ(output[frame], 0.0f) << frame;
    EXPECT_FALSE(mixer.playing(channel));
}

TEST_F(MixerTest, RestAtRate128IsInaudible)
{
    // Value 0 plays the cycle at 2 Hz; the square's steps would thump.
    starttone("snd13", 2);
    auto output = steady(outputrate);
    EXPECT_LT(rms(output), 0.01);
}

TEST_F(MixerTest, ChordVoicesSoundTogetherAtEqualLevel)
{
    std::int64_t start = 512;
    for (double frequency : { 300.0, 450.0, 600.0 })
        starttone("snd10", frequency, 0, start);
    auto output = render(outputrate);
    for (int frame = 0; frame < start; ++frame)
        ASSERT_EQ(output[frame], 0.0f);
    std::vector<float> tail(output.begin() + outputrate / 4, output.end());
    auto spectrum = spectrumdecibels(tail);
    double binhertz = double(outputrate) / double(2 * spectrum.size());
    for (double frequency : { 300.0, 450.0, 600.0 }) {
        double peak = -300;
        auto centre = std::size_t(std::lround(frequency / binhertz));
        for (std::size_t bin = centre - 2; bin <= centre + 2; ++bin)
            peak = std::max(peak, spectrum[bin]);
        EXPECT_GT(peak, -1.5) << frequency; // each within 1.5 dB of the strongest
    }
}

TEST_F(MixerTest, FlushedSpeechIsWholeBeforeTheNextText)
{
    // A text's end must not wait inside the resampler for the next text.
    std::vector<std::int16_t> speech(22050 / 10, 8000); // 100 ms at the engine's rate
    mixer.write(speech.data(), speech.size(), 22050);
    std::size_t tail = mixer.flush();
    EXPECT_GT(tail, 0u);
    auto output = render(outputrate / 4);
    auto heard = std::count_if(output.begin(), output.end(), [](float value) { return std::fabs(value) > 0.01f; });
    EXPECT_NEAR(double(heard), outputrate / 10.0, outputrate / 1000.0); // within a millisecond of 100 ms
    EXPECT_EQ(mixer.flush(), 0u); // nothing more is held back
}

TEST_F(MixerTest, SpeechIsResampledAndReportsItsDrainOnce)
{
    int drained = 0;
    mixer.setdrainedcallback([&] { ++drained; });
    std::vector<std::int16_t> speech(22050 / 10); // 100 ms at the engine's rate
    for (std::size_t n = 0; n < speech.size(); ++n)
        speech[n] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 300 * double(n) / 22050));
    mixer.write(speech.data(), speech.size(), 22050);
    auto output = render(outputrate / 5);
    EXPECT_EQ(drained, 1);
    EXPECT_NEAR(zerocrossingfrequency(std::vector<float>(output.begin() + 480, output.begin() + 4000), outputrate), 300, 1);

    mixer.write(speech.data(), speech.size(), 22050);
    render(block);
    mixer.clear();
    auto aftercut = render(2 * block);
    for (std::size_t frame = std::size_t(mixer.fadeframes()); frame < aftercut.size(); ++frame)
        ASSERT_EQ(aftercut[frame], 0.0f);
    EXPECT_EQ(drained, 1);
}

}
