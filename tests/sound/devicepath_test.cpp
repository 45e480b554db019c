#include "runtime/cells.h"
#include "runtime/errors.h"
#include "runtime/filetexts.h"
#include "runtime/notices.h"
#include "sound/soundsystem.h"
#include "tests/sound/pipesink.h"
#include "tests/sound/pipewirenullsink.h"
#include "tests/sound/pulsenullsink.h"
#include "tests/sound/frequencyanalysis.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <atomic>
#include <thread>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The notices told while it lives, from whichever thread; not those that
// earlier tests told with nobody listening, which wait for a receiver.
class TToldNotices {
public:
    TToldNotices()
    {
        setnoticereceiver(nullptr);
        setnoticereceiver([this](const TTelling& telling) {
            std::lock_guard guard(m_lock);
            if (telling.notice)
                m_notices.push_back(*telling.notice);
        });
    }
    ~TToldNotices() { setnoticereceiver(nullptr); }
    std::vector<TNotice> operator()()
    {
        std::lock_guard guard(m_lock);
        return m_notices;
    }

private:
    std::mutex m_lock;
    std::vector<TNotice> m_notices;
};

long residentkilobytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct TTone {
    double frequency;
    std::chrono::milliseconds length;
};
const std::vector<TTone> threetones { { 440, 300ms }, { 1000, 150ms }, { 2500, 60ms } };

// The tones one after the other, each ended by a stop and followed by a rest.
void playtones(TSoundSystem& system)
{
    for (const auto& tone : threetones) {
        system.player().startlooped("snd10", static_cast<int>(64 * tone.frequency), 0);
        std::this_thread::sleep_for(tone.length);
        system.player().stopall("snd10");
        std::this_thread::sleep_for(200ms);
    }
}

// Each tone is heard at its pitch, once, from the first of what was heard.
void expecttones(const std::vector<TSoundingStretch>& heard, int rate)
{
    ASSERT_EQ(heard.size(), threetones.size());
    for (std::size_t i = 0; i < threetones.size(); ++i) {
        SCOPED_TRACE(threetones[i].frequency);
        std::vector<float> middle(heard[i].samples.begin() + rate / 200, heard[i].samples.end() - rate / 200);
        // The exact pitch is the offline mixer tests' business; here the
        // device path must not bend it.
        EXPECT_NEAR(zerocrossingfrequency(middle, rate), threetones[i].frequency, threetones[i].frequency * 0.005);
    }
}

TEST(DevicePathTest, TonesAreHeardInOrderAtTheirPitchesAndEachEnds)
{
    if (!TPulseNullSink::installed())
        GTEST_SKIP() << "pulseaudio and parecord are not installed";
    TPulseNullSink server;
    ASSERT_TRUE(server.running()) << server.reason();

    // The recorder first: with a low-latency stream on the sink, ours
    // runs at its short blocks from the start.
    constexpr int rate = 48000;
    server.startrecording(rate);
    TSoundSystem system;
    system.opendevice();
    ASSERT_EQ(system.devicemessage(), "");
    system.loadbank(VORKANA_SOUNDS_DAT);
    // The server takes about a second to ask for our blocks steadily; a
    // click waited for until heard shows that it does.
    system.player().playwait("click5", 0);
    std::this_thread::sleep_for(200ms);
    playtones(system);
    system.player().playwait("click19", 0);
    auto recording = server.stoprecording();
    system.release();

    // Each tone ends before the next begins: as many sounds as were played.
    // How long each lasts depends on how the machine keeps time, and is the
    // benchmarks' business.
    auto heard = soundingstretches(recording, rate, 0.02f);
    ASSERT_EQ(heard.size(), threetones.size() + 2);
    EXPECT_GT(heard.back().lengthms, 50);
    expecttones({ heard.begin() + 1, heard.end() - 1 }, rate);
}

// Plays a 1000 Hz tone now and then until it is heard: the output looks
// for the server every second or so.
template <typename TServer>
bool heardonceserveristhere(TSoundSystem& system, TServer& server)
{
    constexpr int rate = 48000;
    bool heard = false;
    for (int attempt = 0; attempt < 10 && !heard; ++attempt) {
        server.startrecording(rate);
        system.player().startlooped("snd10", 64 * 1000, 0);
        std::this_thread::sleep_for(300ms);
        system.player().stopall("snd10");
        auto stretches = soundingstretches(server.stoprecording(), rate, 0.02f);
        for (const auto& stretch : stretches)
            if (stretch.lengthms > 100) {
                std::vector<float> middle(stretch.samples.begin() + rate / 50, stretch.samples.end() - rate / 50);
                heard = heard || std::abs(zerocrossingfrequency(middle, rate) - 1000) < 5;
            }
    }
    return heard;
}

class DevicePathServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TPulseNullSink::installed())
            GTEST_SKIP() << "pulseaudio and parecord are not installed";
        if (std::getenv("VORKANA_RUNNING_SOUND_SERVER"))
            GTEST_SKIP() << "the sound server is not ours to kill";
        ASSERT_TRUE(server.running()) << server.reason();
    }

    // The device opened, the bank loaded and a click heard to its end.
    void openwithbank(TSoundSystem& system)
    {
        system.opendevice();
        system.loadbank(VORKANA_SOUNDS_DAT);
        system.player().playwait("click5", 0);
    }

    TPulseNullSink server;
};

TEST_F(DevicePathServerTest, TonesSoundAgainOnceAKilledServerIsBack)
{
    TSoundSystem system;
    openwithbank(system);
    ASSERT_EQ(system.devicemessage(), "");

    server.killdaemon();
    // With nobody to hear it a click still takes its time, and ends.
    system.player().playwait("click5", 0);
    server.startagain();
    ASSERT_TRUE(server.running()) << server.reason();
    EXPECT_TRUE(heardonceserveristhere(system, server));
    system.release();
}

// A program started at login before the desktop's sound server is ready.
TEST_F(DevicePathServerTest, TonesSoundOnceAServerThatWasNotThereAtTheStartIsThere)
{
    server.killdaemon();
    TSoundSystem system;
    openwithbank(system);
    EXPECT_NE(system.devicemessage(), "");
    server.startagain();
    ASSERT_TRUE(server.running()) << server.reason();
    EXPECT_TRUE(heardonceserveristhere(system, server));
    system.release();
}

// A server that takes the connection but never answers (stopped, hung)
// holds the start a few seconds at most; once it answers, it is heard.
TEST_F(DevicePathServerTest, AServerThatDoesNotAnswerAtTheStartHoldsItOnlyAWhile)
{
    server.pause(true);
    TSoundSystem system;
    openwithbank(system);
    server.pause(false);
    EXPECT_NE(system.devicemessage().find("does not answer"), std::string::npos) << system.devicemessage();
    EXPECT_TRUE(heardonceserveristhere(system, server));
    system.release();
}

// A server that stops answering (stopped, hung) is given nothing while it
// sleeps: libpulse would keep all we write for it in our memory, and each of
// a game's clicks rewrites what the server holds. The user is told once
// that it does not answer, and once it does that it is back; it is heard then.
TEST_F(DevicePathServerTest, AServerThatSleepsIsGivenNothingUntilItAnswers)
{
    TToldNotices told;
    TSoundSystem system;
    openwithbank(system);
    server.pause(true);
    for (int waited = 0; waited < 100 && told().empty(); ++waited)
        std::this_thread::sleep_for(100ms);
    ASSERT_EQ(told(), std::vector<TNotice> { TNotice::soundnotanswering });
    const long before = residentkilobytes();
    // Each click rewrites what the server holds: some 60 kB written.
    for (int click = 0; click < 100; ++click)
        system.player().playwait("click5", 0);
    const long grown = residentkilobytes() - before;
    server.pause(false);
    EXPECT_LT(grown, 2048) << "kB kept for a server that does not answer";
    EXPECT_TRUE(heardonceserveristhere(system, server));
    system.release();
    EXPECT_EQ(told(), (std::vector<TNotice> { TNotice::soundnotanswering, TNotice::soundback }));
}

// A sink that cannot rewind and mixes far ahead (341 ms) of what is heard,
// as Bluetooth headphones do: what it has mixed is played as it is, so
// each tone must be placed beyond it, whole from its start.
TEST_F(DevicePathServerTest, ASinkThatMixesFarAheadAndCannotRewindPlaysEachToneWhole)
{
    constexpr int rate = 48000;
    TPipeSink sink(65536, rate);
    ASSERT_TRUE(sink.running()) << sink.reason();
    TSoundSystem system;
    openwithbank(system);
    std::this_thread::sleep_for(1000ms);
    playtones(system);
    std::this_thread::sleep_for(500ms);
    sink.stop();
    system.release();
    auto heard = soundingstretches(sink.samples(), rate, 0.02f);
    // The click that opened came before the sink was known to be deep.
    if (heard.size() > threetones.size())
        heard.erase(heard.begin());
    expecttones(heard, rate);
    for (std::size_t i = 0; i < heard.size() && i < threetones.size(); ++i)
        EXPECT_GT(heard[i].lengthms, 0.9 * double(threetones[i].length.count())) << threetones[i].frequency;
}

// Another program took the card and the sink is suspended: time runs on,
// so a text's end is still reached (the speech waits end), and once the
// sink is free, tones are heard again.
TEST_F(DevicePathServerTest, WhileTheSinkIsSuspendedTimeRunsOnAndSoundComesBackAfter)
{
    TSoundSystem system;
    openwithbank(system);
    ASSERT_EQ(system.devicemessage(), "");
    ASSERT_EQ(std::system("pactl suspend-sink ci_sink 1"), 0);
    std::this_thread::sleep_for(300ms);
    std::atomic<bool> free { false };
    std::thread freeing([&] {
        std::this_thread::sleep_for(4s);
        free = std::system("pactl suspend-sink ci_sink 0") == 0;
    });
    std::atomic<bool> drained { false };
    system.speechstream().setdrainedcallback([&] { drained = true; });
    std::vector<std::int16_t> text(22050 / 5, 4000); // 200 ms at the engine's rate
    system.speechstream().write(text.data(), text.size(), 22050);
    system.speechstream().flush();
    while (!drained && !free)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(free) << "the text's end waited for the sink";
    freeing.join();
    ASSERT_TRUE(free);
    EXPECT_TRUE(heardonceserveristhere(system, server));
    system.release();
}

class PipeWirePathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TPipeWireNullSink::installed())
            GTEST_SKIP() << "pipewire, wireplumber and pw-record are not installed";
        if (std::getenv("VORKANA_RUNNING_SOUND_SERVER"))
            GTEST_SKIP() << "the sound server is not ours to kill";
        ASSERT_TRUE(server.running()) << server.reason();
        // Where PipeWire answers, our own stream of it is chosen: there is
        // no PulseAudio service here for the libpulse output to find.
        system.opendevice();
        ASSERT_EQ(system.devicemessage(), "");
        system.loadbank(VORKANA_SOUNDS_DAT);
        system.player().playwait("click5", 0);
    }
    void TearDown() override { system.release(); }

    TToldNotices told;
    TPipeWireNullSink server;
    TSoundSystem system;
};

// A server that crashes takes no wait with it, and once it is back it is
// heard again; the user is told both.
TEST_F(PipeWirePathTest, OurOwnStreamIsHeardAndSoundsAgainOnceAKilledServerIsBack)
{
    EXPECT_TRUE(heardonceserveristhere(system, server));
    server.killserver();
    system.player().playwait("click5", 0);
    server.startagain();
    ASSERT_TRUE(server.running()) << server.reason();
    EXPECT_TRUE(heardonceserveristhere(system, server));
    EXPECT_EQ(told(), (std::vector<TNotice> { TNotice::soundlost, TNotice::soundback }));
}

// The sink was taken away (a card unplugged, or suspended): nobody asks for
// our sound, yet a text's end is still reached, and a sink that comes is
// played to.
TEST_F(PipeWirePathTest, WithNoSinkTimeRunsOnAndASinkThatComesIsPlayedTo)
{
    server.removesink();
    std::atomic<bool> drained { false };
    system.speechstream().setdrainedcallback([&] { drained = true; });
    std::vector<std::int16_t> text(22050 / 5, 4000); // 200 ms at the engine's rate
    system.speechstream().write(text.data(), text.size(), 22050);
    system.speechstream().flush();
    // Long enough for the user to be told, too.
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(drained) << "the text's end waited for a sink";
    server.addsink();
    EXPECT_TRUE(heardonceserveristhere(system, server));
    EXPECT_EQ(told(), (std::vector<TNotice> { TNotice::devicetaken, TNotice::devicefree }));
}

// An empty or cut-off sounds.dat: the message names the file and what is
// wrong with it.
TEST(SoundSystemTest, ABankThatCannotBeReadIsNamedInItsMessage)
{
    std::string path = (std::filesystem::temp_directory_path() / ("vorkana-bank-" + std::to_string(::getpid()) + ".dat")).string();
    for (std::size_t length : { std::size_t(0), std::size_t(64) }) {
        std::string whole;
        {
            std::ifstream bank(VORKANA_SOUNDS_DAT, std::ios::binary);
            whole.assign(std::istreambuf_iterator<char>(bank), {});
        }
        std::ofstream(path, std::ios::binary) << whole.substr(0, length);
        TSoundSystem system;
        try {
            system.loadbank(path);
            ADD_FAILURE() << "a bank of " << length << " bytes loaded";
        } catch (const TVorkanaError& error) {
            EXPECT_EQ(error.what(), filetext(TFileText::soundbankdamaged, path, filetext(length == 0 ? TFileText::notasoundbank : TFileText::endstooearly)))
                << error.what();
        }
    }
    std::filesystem::remove(path);
}

}
