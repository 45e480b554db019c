#include "runtime/services.h"
#include "runtime/tones.h"
#include "sound/wavecollection.h"
#include "tests/sound/frequencyanalysis.h"
#include "tests/sound/soundfixtures.h"
#include "tests/support/scriptedhost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// Which of the two stops the runtime asked for, in order.
class TStopRecorder final : public TSoundPlayer {
public:
    std::vector<std::string> stops;

    void startlooped(const std::string&, int, int) override { }
    void stopall(const std::string& name) override { stops.push_back("timed " + name); }
    void cutall(const std::string& name) override { stops.push_back("cut " + name); }
    void playwait(const std::string&, int) override { }
};

TEST(ToneStopTest, AKeyCutsTheChordAndTheTimerStopsItOnTime)
{
    struct TRow {
        const char* name;
        long long keyat; // < 0: no key
        const char* expected;
    };
    for (TRow row : { TRow { "timer", -1, "timed" }, TRow { "key", 40, "cut" } }) {
        SCOPED_TRACE(row.name);
        TScriptedHost host;
        TStopRecorder player;
        services.sounds = &player;
        if (row.keyat >= 0)
            host.at(row.keyat, "a");
        sound({ 440, 550 }, 100, 0);
        std::string expected = row.expected;
        EXPECT_EQ(player.stops, (std::vector<std::string> { expected + " snd10", expected + " snd20" }));
        // A later tone that runs out is timed again, not cut.
        player.stops.clear();
        sound({ 440 }, 100, 0);
        EXPECT_EQ(player.stops, std::vector<std::string> { "timed snd10" });
    }
}

TEST(ToneStopTest, CutSilencesFromTheNextBlockWhereTheTimedStopKeepsItsFrame)
{
    struct TRow {
        const char* name;
        bool cut;
        bool soundsafterfade;
    };
    for (TRow row : { TRow { "timed", false, true }, TRow { "cut", true, false } }) {
        SCOPED_TRACE(row.name);
        // A device that plays a block while the next is rendered.
        auto manual = std::make_unique<TManualOutput>(256);
        auto* output = manual.get();
        TSoundDevice device(std::move(manual));
        TWaveCollectionItem tone(generatedwave("snd10"), &device);
        tone.SetLooped(true);
        tone.SetPlayRate(64 * 440);
        tone.StartPlay(false);
        output->renderblocks(4);
        // The command comes 2 ms into the block being played: a timed stop
        // keeps the frame that moment is heard at, beyond the next block; a
        // cut silences the next block from its start.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (row.cut)
            tone.CutAll();
        else
            tone.StopAll();
        auto next = output->renderblocks(1);
        const auto fadeframes = static_cast<std::size_t>(device.mixer().fadeframes());
        std::vector<float> afterfade(next.begin() + long(fadeframes), next.begin() + long(2 * fadeframes));
        EXPECT_EQ(rms(afterfade) > 0.01, row.soundsafterfade);
        if (row.cut) {
            for (float sample : afterfade)
                ASSERT_EQ(sample, 0.0f);
        }
    }
}

}
