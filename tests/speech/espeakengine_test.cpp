// The own voice with the real espeak-ng, writing into a capturing stream.

#include "capturingstream.h"

#include "runtime/codepage.h"
#include "speech/TTSVar.h"
#include "speech/espeakengine.h"
#include "tests/support/waituntil.h"

#include <QCoreApplication>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

namespace {

double rms(const std::vector<std::int16_t>& samples)
{
    double sum = 0;
    for (auto sample : samples)
        sum += double(sample) * sample;
    return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

const std::string czechsentence = cp1250::fromutf8("Dobrý den, tohle je česká věta pro zkoušku řeči.");

class EspeakEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetttsvar();
        enumerator = createespeakenumerator(stream);
        ASSERT_NE(enumerator, nullptr);
        engine = enumerator->select(enumerator->modes().front());
        engine->registersink(sink);
    }

    // Speaks the text and returns the samples it produced, waiting for its
    // AudioStop.
    std::vector<std::int16_t> render(const std::string& text)
    {
        size_t before = stream.written().size();
        engine->textdata(text);
        EXPECT_TRUE(waituntil([] { return ttsvar.ttsplaying; }));
        EXPECT_TRUE(waituntil([] { return !ttsvar.ttsplaying; }));
        auto all = stream.written();
        return { all.begin() + static_cast<long>(before), all.end() };
    }

    TCapturingSpeechStream stream { 256, 20 };
    std::shared_ptr<TTTSNotifySink> sink = std::make_shared<TTTSNotifySink>();
    std::unique_ptr<TTTSEnum> enumerator;
    std::unique_ptr<TTTSCentral> engine;
};

TEST_F(EspeakEngine, ListsCzechFirstThenSlovakThenEnglish)
{
    auto modes = enumerator->modes();
    ASSERT_GE(modes.size(), 3u);
    EXPECT_EQ(modes[0], "Czech");
    EXPECT_EQ(modes[1], "Slovak");
    EXPECT_EQ(modes[2].rfind("English", 0), 0u) << modes[2];
    EXPECT_EQ(enumerator->modes(), modes);
}

TEST_F(EspeakEngine, ACzechSentenceRendersSpeechIntoTheStream)
{
    auto samples = render(czechsentence);
    double seconds = double(samples.size()) / stream.rate();
    EXPECT_GT(seconds, 1.5);
    EXPECT_LT(seconds, 10.0);
    EXPECT_GT(rms(samples), 500.0);
    // The leading silence is trimmed: the first sample already sounds.
    ASSERT_FALSE(samples.empty());
    EXPECT_GE(std::abs(samples.front()), 64);
}

TEST_F(EspeakEngine, AResetSilencesAtOnceAndStopsOnce)
{
    std::string longtext;
    for (int repeat = 0; repeat < 20; ++repeat)
        longtext += czechsentence + " ";
    int playingagain = 0;
    engine->textdata(longtext);
    ASSERT_TRUE(waituntil([&] { return ttsvar.ttsplaying && stream.written().size() > 0; }));
    engine->audioreset();
    EXPECT_EQ(stream.queued(), 0u);
    EXPECT_EQ(stream.clears(), 1);
    ASSERT_TRUE(waituntil([] { return !ttsvar.ttsplaying; }));
    // Nothing of the reset text arrives afterwards, and no second stop.
    QThread::msleep(200);
    for (int pass = 0; pass < 50; ++pass) {
        QCoreApplication::processEvents();
        playingagain += ttsvar.ttsplaying ? 1 : 0;
    }
    EXPECT_EQ(stream.writtensinceclear(), 0u);
    EXPECT_EQ(playingagain, 0);
    // The engine speaks again after the reset.
    EXPECT_GT(render(cp1250::fromutf8("Znovu.")).size(), 1000u);
}

TEST_F(EspeakEngine, TheSpeedTagChangesTheLengthOfTheSameSentence)
{
    size_t normal = render(czechsentence).size();
    engine->inject("\\Spd=450\\");
    size_t fast = render(czechsentence).size();
    engine->inject("\\Spd=900\\");
    size_t fastest = render(czechsentence).size();
    engine->inject("\\Spd=80\\");
    size_t slow = render(czechsentence).size();
    EXPECT_LT(fast, normal * 6 / 10);
    EXPECT_LT(fastest, fast * 8 / 10);
    EXPECT_GT(slow, normal * 3 / 2);
}

TEST_F(EspeakEngine, AnswersTheRangeProbeAndKeepsFullVolumeUndistorted)
{
    std::uint32_t speed = 0;
    engine->speedset(0);
    engine->speedget(speed);
    EXPECT_EQ(speed, 80u);
    engine->speedset(0xFFFFFFFF);
    engine->speedget(speed);
    EXPECT_GT(speed, 450u);
    std::uint16_t pitch = 0;
    engine->pitchset(0xFFFF);
    engine->pitchget(pitch);
    EXPECT_EQ(pitch, 100);
    std::uint32_t volume = 0;
    engine->volumeset(0xFFFFFFFF);
    engine->volumeget(volume);
    EXPECT_EQ(volume & 0xFFFF, 0xFFFFu);
    double full = rms(render(czechsentence));
    engine->inject("\\Vol=32768\\");
    double half = rms(render(czechsentence));
    EXPECT_NEAR(half / full, 0.5, 0.1);
}

// Counts the notices: a start and a stop may both arrive in one pass of the
// event loop, too fast to see the flag between them.
class TCountingSink final : public TTTSNotifySink {
public:
    void AudioStart() override
    {
        ++starts;
        order += 's';
        TTTSNotifySink::AudioStart();
    }
    void AudioStop() override
    {
        ++stops;
        order += 'p';
        TTTSNotifySink::AudioStop();
    }
    int starts = 0;
    int stops = 0;
    std::string order; // s a start, p a stop
};

TEST_F(EspeakEngine, AfterAResetATextWithoutAudioStillEnds)
{
    std::string longtext;
    for (int repeat = 0; repeat < 20; ++repeat)
        longtext += czechsentence + " ";
    engine->textdata(longtext);
    ASSERT_TRUE(waituntil([&] { return ttsvar.ttsplaying && stream.written().size() > 0; }));
    engine->audioreset();
    ASSERT_TRUE(waituntil([] { return !ttsvar.ttsplaying; }));
    auto counting = std::make_shared<TCountingSink>();
    engine->registersink(counting);
    engine->textdata("   ");
    EXPECT_TRUE(waituntil([&] { return counting->stops > 0; }, 3000));
    EXPECT_EQ(counting->order, "sp");
    EXPECT_FALSE(ttsvar.ttsplaying);
}

// The worker may finish a silent text before the GUI thread moves on; the
// start must still come first. The race is narrow, so many texts are tried.
TEST_F(EspeakEngine, EverySilentTextStartsBeforeItStops)
{
    auto counting = std::make_shared<TCountingSink>();
    engine->registersink(counting);
    constexpr int texts = 300;
    for (int text = 1; text <= texts; ++text) {
        engine->textdata(" ");
        ASSERT_TRUE(waituntil([&] { return counting->stops >= text; }, 3000)) << "text " << text;
    }
    waituntil([] { return false; }, 50);
    std::string expected;
    for (int text = 0; text < texts; ++text)
        expected += "sp";
    EXPECT_EQ(counting->order, expected);
    EXPECT_FALSE(ttsvar.ttsplaying);
}

TEST_F(EspeakEngine, TextWithoutAudioStillStopsOnce)
{
    auto counting = std::make_shared<TCountingSink>();
    engine->registersink(counting);
    engine->textdata("   ");
    EXPECT_TRUE(waituntil([&] { return counting->stops > 0; }));
    waituntil([] { return false; }, 200); // nothing more may follow
    EXPECT_EQ(counting->starts, 1);
    EXPECT_EQ(counting->stops, 1);
}

// Counts the calls posted to the application object.
class TPostedCallCounter : public QObject {
public:
    TPostedCallCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~TPostedCallCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::MetaCall)
            ++calls;
        return false;
    }
    int calls = 0;
};

// The mixer calls its copy of the drained callback outside its lock, so a
// copy taken as the engine goes may be called after it has gone.
TEST_F(EspeakEngine, ADrainReportAfterTheEngineIsGoneReachesNothing)
{
    std::function<void()> drained = stream.drainedcallback();
    ASSERT_TRUE(drained);
    engine.reset();
    enumerator.reset();
    QCoreApplication::processEvents();
    TPostedCallCounter counter;
    drained();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.calls, 0);
}

TEST_F(EspeakEngine, AnUnknownVoiceRaisesTheEnginesMessage)
{
    try {
        enumerator->select("No Such Voice");
        FAIL() << "no error";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("No Such Voice"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("Speech engine error"), std::string::npos) << error.what();
    }
}

}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::string reason;
    if (!initespeak(&reason)) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
