#include "sound/mixer.h"
#include "sound/volume.h"
#include "tests/sound/soundfixtures.h"
#include "tests/sound/frequencyanalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr int outputrate = 48000;
constexpr int block = 256;

struct TTone {
    std::shared_ptr<const std::vector<float>> table;
    double loops;
};

// A voice of the generated bank at a pitch, as the runtime plays it.
TTone tone(const std::string& wave, double frequency)
{
    TLoopWavetables tables(generatedsamples(wave));
    double loops = tables.loopspersecond(64 * frequency);
    return { tables.table(loops, outputrate), loops };
}

// In blocks as an output that pulls them asks for them, heard latency frames later.
std::vector<float> renderframes(TMixer& mixer, int frames, int blockframes = block, int latency = 0)
{
    std::vector<float> output(static_cast<std::size_t>(frames));
    for (int done = 0; done < frames; done += blockframes)
        mixer.renderblock(output.data() + done, std::min(blockframes, frames - done), TMixerClock::now(), latency);
    return output;
}

float largeststep(const std::vector<float>& samples, std::size_t from, std::size_t to)
{
    float largest = 0;
    for (std::size_t n = from + 1; n < to; ++n)
        largest = std::max(largest, std::fabs(samples[n] - samples[n - 1]));
    return largest;
}

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
            mixer.renderblock(output.data() + done, std::min(block, frames - done), TMixerClock::now(), 0);
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

TEST_F(MixerTest, TonesBelowHearingButAboveTheRestAreHeard)
{
    // The noise tones of the game take values from 1 up; only the rest is
    // silent, and the low ones buzz with their harmonics.
    for (double value : { 3.0, 19.0 }) {
        SCOPED_TRACE(value);
        auto channel = starttone("snd13", value);
        EXPECT_GT(rms(steady(outputrate)), 0.05);
        mixer.stop(channel, mixer.renderedframes());
        render(outputrate / 10);
    }
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

TEST(MixerRestartTest, ANoteThatFollowsANoteBeginsAtItsFrameWithoutGapOrStep)
{
    struct TRow {
        const char* name;
        double first;
        double second; // 2 Hz: the game's rest
        bool sounds; // the second note is heard
    };
    // The restart falls inside a block, as commands do.
    constexpr std::int64_t restartat = 4 * block + 77;
    for (TRow row : { TRow { "higher", 440, 660, true }, TRow { "same pitch", 500, 500, true },
             TRow { "rest", 440, 2, false } }) {
        SCOPED_TRACE(row.name);
        auto first = tone("snd10", row.first);
        auto second = tone("snd10", row.second);
        TMixer alone(outputrate);
        alone.playlooped(alone.createchannel(), first.table, first.loops, 1, 0);
        auto expected = renderframes(alone, 12 * block);

        TMixer mixer(outputrate);
        auto channel = mixer.createchannel();
        mixer.playlooped(channel, first.table, first.loops, 1, 0);
        auto heard = renderframes(mixer, 2 * block);
        mixer.playlooped(channel, second.table, second.loops, 1, restartat);
        auto rest = renderframes(mixer, 10 * block);
        heard.insert(heard.end(), rest.begin(), rest.end());

        // The first note sounds whole up to the restart's frame.
        for (std::size_t frame = 0; frame < std::size_t(restartat); ++frame)
            ASSERT_EQ(heard[frame], expected[frame]) << frame;
        // No jump larger than either note makes by itself.
        const auto at = std::size_t(restartat);
        float ownsteps = std::max(largeststep(expected, at - 1000, at), largeststep(heard, at + 1000, heard.size()));
        EXPECT_LE(largeststep(heard, at - 8, at + 2 * std::size_t(mixer.fadeframes())), ownsteps * 1.05f);
        if (row.sounds) {
            EXPECT_LT(longestquietrun(heard, at - 48, at + 480), 8);
        }
    }
}

TEST(MixerRestartTest, RateAndVolumeChangeAtTheirCommandsFrame)
{
    constexpr std::int64_t changeat = 3 * block + 101;
    auto before = tone("snd10", 440);
    auto after = tone("snd10", 880);
    TMixer alone(outputrate);
    alone.playlooped(alone.createchannel(), before.table, before.loops, 1, 0);
    auto expected = renderframes(alone, 8 * block);

    for (bool volume : { false, true }) {
        SCOPED_TRACE(volume ? "volume" : "rate");
        TMixer mixer(outputrate);
        auto channel = mixer.createchannel();
        mixer.playlooped(channel, before.table, before.loops, 1, 0);
        auto heard = renderframes(mixer, block);
        if (volume)
            mixer.setgain(channel, 0.5f, changeat);
        else
            mixer.setloop(channel, after.table, after.loops, changeat);
        auto rest = renderframes(mixer, 7 * block);
        heard.insert(heard.end(), rest.begin(), rest.end());
        for (std::size_t frame = 0; frame < std::size_t(changeat); ++frame)
            ASSERT_EQ(heard[frame], expected[frame]) << frame;
        if (volume) {
            for (std::size_t frame = std::size_t(changeat); frame < heard.size(); ++frame)
                ASSERT_FLOAT_EQ(heard[frame], 0.5f * expected[frame]) << frame;
        } else {
            std::vector<float> raised(heard.begin() + changeat + 48, heard.end());
            EXPECT_NEAR(zerocrossingfrequency(raised, outputrate), 880, 5);
        }
    }
}

// An output that can take back what it was given rewinds the mixer to a
// command's frame and renders again from there.
TEST(MixerRewindTest, ACommandInsideWhatWasRenderedIsRenderedAgainFromItsFrame)
{
    auto note = tone("snd10", 440);
    TMixer alone(outputrate);
    alone.playlooped(alone.createchannel(), note.table, note.loops, 1, 0);
    auto expected = renderframes(alone, 12 * block);

    TMixer mixer(outputrate);
    mixer.configure(0, 16 * block);
    auto channel = mixer.createchannel();
    mixer.playlooped(channel, note.table, note.loops, 1, 0);
    auto heard = renderframes(mixer, 10 * block);
    constexpr std::int64_t stopat = 3 * block + 50;
    mixer.stop(channel, stopat);
    ASSERT_EQ(mixer.takechange(), std::optional<std::int64_t>(stopat));
    EXPECT_EQ(mixer.takechange(), std::nullopt);
    std::int64_t resumed = mixer.rewind(stopat);
    ASSERT_LE(resumed, stopat);
    auto again = renderframes(mixer, 12 * block - int(resumed));
    heard.resize(std::size_t(resumed));
    heard.insert(heard.end(), again.begin(), again.end());

    for (std::size_t frame = 0; frame < std::size_t(stopat); ++frame)
        ASSERT_EQ(heard[frame], expected[frame]) << frame;
    for (std::size_t frame = std::size_t(stopat + mixer.fadeframes()); frame < heard.size(); ++frame)
        ASSERT_EQ(heard[frame], 0.0f) << frame;
    EXPECT_EQ(mixer.endframe(channel), stopat + mixer.fadeframes());
}

// A mixer that can be rewound, with ten blocks rendered of a note looped
// on its channel from the first frame.
TMixer::TChannel renderanote(TMixer& mixer)
{
    static const auto note = tone("snd10", 440);
    mixer.configure(0, 16 * block);
    auto channel = mixer.createchannel();
    mixer.playlooped(channel, note.table, note.loops, 1, 0);
    renderframes(mixer, 10 * block);
    return channel;
}

// A command may reach the output after the listener has passed its frame
// (held while the commanding thread was busy); the output then renders
// again from the frame being heard, and what follows must carry it out.
TEST(MixerRewindTest, ARewindToAFrameAfterALateCommandStillCarriesItOut)
{
    TMixer mixer(outputrate);
    auto channel = renderanote(mixer);
    constexpr std::int64_t stopat = 3 * block + 50;
    constexpr std::int64_t heardnow = 5 * block + 10;
    mixer.stop(channel, stopat);
    std::int64_t resumed = mixer.rewind(heardnow);
    ASSERT_LE(resumed, heardnow);
    auto again = renderframes(mixer, int(heardnow - resumed) + 4 * block);
    for (std::size_t frame = std::size_t(heardnow - resumed); frame < again.size(); ++frame)
        ASSERT_EQ(again[frame], 0.0f) << "the stop was lost: " << frame;
}

TEST(MixerRewindTest, AReleasedChannelStaysSilentAfterARewindThoughItIsReused)
{
    TMixer mixer(outputrate);
    auto released = renderanote(mixer);
    mixer.releasechannel(released);
    auto reused = mixer.createchannel();
    ASSERT_EQ(reused, released);
    mixer.playonce(reused, std::make_shared<const std::vector<float>>(block, 0.0f), 1, 8 * block);
    std::int64_t resumed = mixer.rewind(5 * block);
    auto again = renderframes(mixer, int(10 * block - resumed));
    for (std::size_t frame = 0; frame < again.size(); ++frame)
        ASSERT_EQ(again[frame], 0.0f) << "the released note came back: " << frame;
}

TEST(MixerRewindTest, SpeechStartsAtTheCommandFrameAndACutTakesBackWhatFollows)
{
    // Far more rendered ahead than a busy machine may pause between two
    // lines of the test, so the commands always fall inside it.
    constexpr int ahead = 64 * block;
    TMixer mixer(outputrate);
    mixer.configure(96, 2 * ahead);
    int changes = 0;
    mixer.setchangelistener([&] { ++changes; });
    renderframes(mixer, ahead);
    mixer.setclock(2 * block, TMixerClock::now());
    std::vector<std::int16_t> speech(22050, 8000);
    mixer.write(speech.data(), speech.size(), 22050);
    auto start = mixer.takechange();
    ASSERT_TRUE(start);
    // The heard frame plus the lead, not the rendered end.
    EXPECT_GE(*start, 2 * block + 96);
    EXPECT_LT(*start, ahead);
    EXPECT_EQ(changes, 1);

    mixer.rewind(*start);
    renderframes(mixer, ahead);
    mixer.setclock(*start + 2 * block, TMixerClock::now());
    mixer.clear();
    auto cut = mixer.takechange();
    ASSERT_TRUE(cut);
    EXPECT_EQ(changes, 2);
    std::int64_t resumed = mixer.rewind(*cut);
    auto after = renderframes(mixer, ahead);
    auto silentfrom = std::size_t(*cut + mixer.fadeframes() - resumed);
    std::vector<float> beforecut(after.begin(), after.begin() + long(*cut - resumed));
    EXPECT_TRUE(beforecut.empty() || rms(beforecut) > 0.1);
    for (std::size_t frame = silentfrom; frame < after.size(); ++frame)
        ASSERT_EQ(after[frame], 0.0f) << frame;
}

// Speech rendered from a frame on, as heard by a listener who stays where
// the clock was set: what was rendered before each rewind, then what
// follows it.
class TRewindingListener {
public:
    static constexpr int ahead = 64 * block;

    explicit TRewindingListener(TMixer& mixer)
        : m_mixer(mixer)
    {
        heard = renderframes(mixer, ahead);
        mixer.setclock(2 * block, TMixerClock::now());
    }

    // Renders again from a change, if there was one; returns it.
    std::optional<std::int64_t> follow()
    {
        auto change = m_mixer.takechange();
        if (change) {
            std::int64_t resumed = m_mixer.rewind(*change);
            heard.resize(std::size_t(resumed) + ahead);
            m_mixer.render(heard.data() + resumed, ahead);
        }
        return change;
    }

    // Frames from the frame on that hold sound, up to the first silent one.
    std::int64_t soundfrom(std::int64_t frame) const
    {
        std::int64_t end = frame;
        while (end < std::int64_t(heard.size()) && std::fabs(heard[std::size_t(end)]) > 0.1f)
            ++end;
        return end - frame;
    }

    std::vector<float> heard;

private:
    TMixer& m_mixer;
};

const std::vector<std::int16_t> speechpiece(22050 / 50, 8000); // 20 ms at the engine's rate

// The engine hands a text over in pieces, and the resampler passes them on
// in bursts; a burst that goes on from one already rendered ahead lands in
// frames written out as silence, and is rendered again there, never lost.
TEST(MixerRewindTest, SpeechGoingOnIntoRenderedFramesIsRenderedAgain)
{
    TMixer mixer(outputrate);
    mixer.configure(96, 2 * TRewindingListener::ahead);
    TRewindingListener listener(mixer);
    std::optional<std::int64_t> start;
    for (int pieces = 0; pieces < 12; ++pieces) {
        mixer.write(speechpiece.data(), speechpiece.size(), 22050);
        auto change = listener.follow();
        if (!start)
            start = change;
    }
    mixer.flush();
    listener.follow();
    ASSERT_TRUE(start);
    // Past the resampler's first samples, 12 pieces long but for the fade
    // of their end.
    EXPECT_GE(listener.soundfrom(*start + 64), 12 * outputrate / 50 - 64 - 200);
}

// A server that mixes ahead has mixed silence where a text's next piece
// would go before that piece comes: a text begins once the server's
// render-ahead of it is ready, or once its end came.
TEST(MixerRewindTest, ATextBeginsOnceEnoughOfItIsReadyOrItsEndCame)
{
    constexpr int prime = outputrate / 25;
    TMixer mixer(outputrate);
    mixer.configure(96, 2 * TRewindingListener::ahead, prime);
    TRewindingListener listener(mixer);
    std::optional<std::int64_t> start;
    for (int pieces = 0; pieces < 12 && !start; ++pieces) {
        mixer.write(speechpiece.data(), speechpiece.size(), 22050);
        start = listener.follow();
    }
    ASSERT_TRUE(start);
    EXPECT_GE(listener.soundfrom(*start + 64), prime - 64);

    mixer.clear();
    listener.follow();
    mixer.write(speechpiece.data(), speechpiece.size(), 22050);
    EXPECT_EQ(listener.follow(), std::nullopt);
    EXPECT_GT(mixer.flush(), 0u);
    EXPECT_TRUE(listener.follow()) << "a short text never began";
}

// An output may ease off while the mixer is quiet: anything still to sound,
// a note waiting for its frame, a fade, a text being gathered, keeps it busy.
TEST_F(MixerTest, QuietOnlyWhileNothingSoundsOrWaitsToSound)
{
    EXPECT_TRUE(mixer.quiet());
    auto channel = starttone("snd13", 440, 0, 10 * block);
    EXPECT_FALSE(mixer.quiet()) << "a note waiting for its frame";
    render(block);
    mixer.stop(channel, 12 * block);
    render(11 * block);
    EXPECT_FALSE(mixer.quiet()) << "the stop's fade is still to be rendered";
    render(block);
    EXPECT_TRUE(mixer.quiet());

    mixer.setspeechprime(outputrate);
    // More than the resampler holds back.
    for (int piece = 0; piece < 3; ++piece)
        mixer.write(speechpiece.data(), speechpiece.size(), 22050);
    EXPECT_FALSE(mixer.quiet()) << "a text being gathered";
    mixer.flush();
    render(block);
    EXPECT_FALSE(mixer.quiet()) << "a text being played";
    render(outputrate / 10);
    EXPECT_TRUE(mixer.quiet());
}


// A note that follows a note, as the runtime gives it: a stop, a new rate,
// a volume and a start, with time passing between them. The output hears of
// them once, and the notes join: at the stop's frame while the listener has
// not reached it, else, the stop never having reached the output, at the
// start's own frame.
TEST(MixerRewindTest, ANoteAfterANoteIsOneChangeWithoutAGap)
{
    constexpr std::int64_t stopat = 40 * block + 30;
    struct TRow {
        const char* name;
        std::optional<std::int64_t> listenerat; // moved on to here before the start
        std::int64_t startat;
    };
    for (TRow row : { TRow { "listener before the stop", std::nullopt, stopat + 200 },
             TRow { "listener past the stop", stopat + 300, stopat + 400 } }) {
        SCOPED_TRACE(row.name);
        auto first = tone("snd10", 440);
        auto second = tone("snd10", 660);
        TMixer mixer(outputrate);
        mixer.configure(96, 2 * TRewindingListener::ahead);
        auto channel = mixer.createchannel();
        mixer.playlooped(channel, first.table, first.loops, 1, 0);
        TRewindingListener listener(mixer);
        int told = 0;
        mixer.setchangelistener([&] { ++told; });
        mixer.holdchanges();
        mixer.stop(channel, stopat);
        mixer.setloop(channel, second.table, second.loops, stopat + 100);
        mixer.setgain(channel, 1, stopat + 150);
        if (row.listenerat)
            mixer.setclock(*row.listenerat, TMixerClock::now());
        mixer.playlooped(channel, second.table, second.loops, 1, row.startat);
        EXPECT_EQ(told, 1) << "the output hears only of the first, to come back for it";
        mixer.sendchanges();
        EXPECT_EQ(told, 2);
        ASSERT_EQ(listener.follow(), std::optional<std::int64_t>(stopat));
        EXPECT_LT(longestquietrun(listener.heard, stopat - 48, row.startat + 480), 8);
        std::vector<float> after(listener.heard.begin() + row.startat + 480, listener.heard.begin() + row.startat + 4800);
        EXPECT_NEAR(zerocrossingfrequency(after, outputrate), 660, 5);
    }
}

}

// An output without a history (PipeWire's quanta) renders quanta between
// the stop and the next start the commanding thread gives: the stop waits
// for the start and the notes join, however long the thread was kept from
// running; a thread that works on without giving one has its stop heard a
// few milliseconds late, not never.
TEST(MixerHoldTest, WithoutAHistoryAStopWaitsForTheNextStartOrTheHoldLimit)
{
    constexpr int quantum = 64;
    enum class TThen { startatonce, startafterbeingkeptwaiting, workon };
    for (TThen then : { TThen::startatonce, TThen::startafterbeingkeptwaiting, TThen::workon }) {
        SCOPED_TRACE(static_cast<int>(then));
        auto first = tone("snd10", 440);
        auto second = tone("snd10", 660);
        TMixer mixer(outputrate);
        mixer.configure(0, 0, quantum);
        std::vector<float> heard;
        auto quanta = [&](int count) {
            auto output = renderframes(mixer, count * quantum, quantum, 2 * quantum);
            heard.insert(heard.end(), output.begin(), output.end());
        };
        auto channel = mixer.createchannel();
        mixer.playlooped(channel, first.table, first.loops, 1, 0);
        quanta(200);
        mixer.holdchanges();
        mixer.stop(channel, mixer.scheduleframe(TMixerClock::now()));
        quanta(1);
        if (then == TThen::workon) {
            auto worked = [] {
                timespec now {};
                clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
                return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
            };
            for (auto from = worked(); worked() - from < std::chrono::milliseconds(5);) { }
            quanta(200);
            EXPECT_EQ(rms(std::vector<float>(heard.end() - 100 * quantum, heard.end())), 0.0);
            continue;
        }
        if (then == TThen::startafterbeingkeptwaiting) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            quanta(1);
        }
        mixer.playlooped(channel, second.table, second.loops, 1, mixer.scheduleframe(TMixerClock::now()));
        mixer.sendchanges();
        quanta(200);
        EXPECT_LT(longestquietrun(heard, 100 * quantum, heard.size()), 8);
        std::vector<float> after(heard.end() - 100 * quantum, heard.end());
        EXPECT_NEAR(zerocrossingfrequency(after, outputrate), 660, 5);
    }
}
