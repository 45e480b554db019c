// Figures of the sound path: key-down to silence and the length of 15 ms
// tones as heard through a PulseAudio null sink, the mixer's processor time
// for a full load, and the processor time of a program waiting in a tone.

#include "bench/figures.h"
#include "bench/runevents.h"
#include "bench/tonerig.h"
#include "runtime/cells.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "shell/qthost.h"
#include "sound/soundsystem.h"
#include "sound/wavecollection.h"
#include "tests/sound/monitorrecorder.h"
#include "tests/sound/pipesink.h"
#include "tests/sound/pulsenullsink.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

using namespace std::chrono_literals;

double waitingtonecost()
{
    double before = cpuseconds(CLOCK_PROCESS_CPUTIME_ID);
    auto started = TClock::now();
    sound({ 440 }, 2000, 0);
    return 100 * (cpuseconds(CLOCK_PROCESS_CPUTIME_ID) - before) / std::chrono::duration<double>(TClock::now() - started).count();
}

// A program that waits for a key long after its last sound: longer than
// an output waits (10 s) before it eases off. Nothing may record the sink
// meanwhile: a recorder keeps the graph at its own short quanta.
double restingcost()
{
    runevents(11000);
    double before = cpuseconds(CLOCK_PROCESS_CPUTIME_ID);
    auto started = TClock::now();
    runevents(5000);
    return 100 * (cpuseconds(CLOCK_PROCESS_CPUTIME_ID) - before) / std::chrono::duration<double>(TClock::now() - started).count();
}

// Below this a sample counts as silence: 60 dB under full scale, far under
// the tone's own level and under any room's noise.
constexpr float silence = 0.001f;

// The last sample above silence from the sample on, before 20 ms of quiet.
std::size_t lastaudible(const std::vector<float>& recording, std::size_t from, int rate)
{
    std::size_t last = from;
    for (std::size_t n = from; n < recording.size() && n < last + std::size_t(rate / 50); ++n)
        if (std::abs(recording[n]) > silence)
            last = n;
    return last;
}

// Plays 2 s tones, each cut by a key handler's cuttone() about the
// milliseconds given after its start, presses spread over every phase of
// the device's blocks, with a pause after each; when each key came.
std::vector<TClock::time_point> cuttones(TToneRig& rig, int trials, int pressafterms, int pausems)
{
    std::vector<TClock::time_point> pressed;
    for (int tone = 0; tone < trials; ++tone) {
        QTimer::singleShot(pressafterms + (tone * 7) % 16, Qt::PreciseTimer, [&pressed] {
            pressed.push_back(TClock::now());
            cuttone();
        });
        sound({ 880 }, 2000, 0);
        rig.host.sleepms(pausems);
    }
    return pressed;
}

void throughnonrewindingsink(const char* bank, int pipebytes);

void throughpulse(const char* bank)
{
    if (!TPulseNullSink::installed()) {
        std::printf("PulseAudio is not installed: the heard figures are skipped\n");
        return;
    }
    TPulseNullSink server;
    if (!server.running()) {
        std::printf("PulseAudio did not start: %s\n", server.reason().c_str());
        return;
    }
    // How the figures are taken: this process records the null sink's
    // monitor itself, a millisecond at a time, and notes when each read came
    // in by the steady clock that also stamps the key presses. A sample's
    // arrival is when it had certainly left the sink for its monitor; the
    // sink had rendered it by then, at most its look-ahead before it is
    // played by the sink's own clock. So "key-down to silence" is the time
    // from the key handler's cuttone() to the arrival of the last sample
    // above silence, and the same plus the sink's look-ahead is the bound a
    // listener behind the sink would hear. No estimate of any buffer enters.
    // Nothing else of this process runs while a program waits in a tone.
    {
        TToneRig rig(bank);
        rig.system.player().playwait("click5", 0);
        const char* output = rig.system.devicemessage().empty() ? "device" : "silent";
        std::printf("waiting in a 2 s tone (%s output): %.3f %% of one core\n", output, waitingtonecost());
        std::printf("waiting for a key, 11 s after the last sound (%s output): %.3f %% of one core\n", output,
            restingcost());
    }
    constexpr int rate = 48000;
    TMonitorRecorder recorder("ci_sink.monitor", rate);
    if (!recorder.running()) {
        std::printf("The null sink's monitor cannot be recorded: %s\n", recorder.reason().c_str());
        return;
    }
    std::vector<TClock::time_point> pressed;
    double lookahead = 0;
    constexpr int trials = 21;
    {
        TToneRig rig(bank);
        if (!rig.system.devicemessage().empty()) {
            std::printf("The device did not open: %s\n", rig.system.devicemessage().c_str());
            return;
        }
        // The server takes a moment to ask for our blocks steadily.
        rig.system.player().playwait("click5", 0);
        std::this_thread::sleep_for(300ms);
        for (int tone = 0; tone < trials; ++tone) {
            sound({ 880 }, 15, 0);
            // A pause of the program's, which sends what it held.
            rig.host.sleepms(60);
        }
        pressed = cuttones(rig, trials, 100, 80);
        lookahead = server.sinklookaheadms();
        std::this_thread::sleep_for(200ms);
    }
    recorder.stop();
    const auto& recording = recorder.samples();

    auto heard = soundingstretches(recording, rate, 0.01f);
    if (heard.size() != std::size_t(1 + 2 * trials)) {
        std::printf("heard %zu sounds, expected %d: the heard figures are skipped\n", heard.size(), 1 + 2 * trials);
        return;
    }
    std::vector<double> lengths, cuts;
    for (int tone = 0; tone < trials; ++tone)
        lengths.push_back(heard[std::size_t(1 + tone)].lengthms);
    for (int tone = 0; tone < trials; ++tone) {
        const auto& stretch = heard[std::size_t(1 + trials + tone)];
        auto end = static_cast<std::size_t>(std::lround((stretch.startms + stretch.lengthms) * rate / 1000));
        cuts.push_back(milliseconds(recorder.arrival(lastaudible(recording, end, rate)) - pressed[std::size_t(tone)]));
    }
    std::printf("15 ms tones ended by the tone timer, heard: median %.2f ms (error %+.2f ms), from %.2f to %.2f ms\n",
        median(lengths), median(lengths) - 15, *std::min_element(lengths.begin(), lengths.end()),
        *std::max_element(lengths.begin(), lengths.end()));
    std::printf("key-down to silence at the sink's monitor: median %.2f ms, from %.2f to %.2f ms over %d presses\n",
        median(cuts), *std::min_element(cuts.begin(), cuts.end()), *std::max_element(cuts.begin(), cuts.end()), trials);
    std::printf("key-down to silence by the sink's own clock (plus its look-ahead of %.2f ms): median %.2f ms\n",
        lookahead, median(cuts) + lookahead);
    throughnonrewindingsink(bank, 8192);
    throughnonrewindingsink(bank, 65536);
}

// The time from cuttone() to the moment a device behind a sink that cannot
// rewind (tests/sound/pipesink.h) plays the first of 20 ms of silence. The
// pipe holds what a Bluetooth device's buffer might: 43 ms, or 341 ms,
// deeper than the output writes ahead.
void throughnonrewindingsink(const char* bank, int pipebytes)
{
    constexpr int rate = 48000;
    TPipeSink sink(pipebytes, rate);
    if (!sink.running()) {
        std::printf("a sink that cannot rewind: %s, figure skipped\n", sink.reason().c_str());
        return;
    }
    std::vector<TClock::time_point> pressed;
    constexpr int trials = 11;
    {
        TToneRig rig(bank);
        rig.system.player().playwait("click5", 0);
        rig.host.sleepms(500);
        // Each tone sounds at the device a while before its cut.
        const int tonems = std::max(300, 2 * int(sink.latencyms()));
        pressed = cuttones(rig, trials, tonems, 500);
        rig.host.sleepms(500);
    }
    sink.stop();
    const auto& played = sink.samples();
    std::vector<double> cuts;
    for (auto press : pressed) {
        std::size_t sample = 0;
        while (sample < played.size() && sink.taken(sample) < press)
            sample += rate / 1000;
        // The tone sounded up to the press, and fell silent for 20 ms after.
        if (sample < std::size_t(rate / 20) || sample > played.size()
            || std::none_of(played.begin() + long(sample - rate / 20), played.begin() + long(sample),
                [](float value) { return std::abs(value) > 0.1f; }))
            continue;
        std::size_t silentfrom = 0, quietrun = 0;
        for (; sample < played.size() && quietrun < std::size_t(rate / 50); ++sample) {
            if (std::abs(played[sample]) > silence)
                quietrun = 0;
            else if (quietrun++ == 0)
                silentfrom = sample;
        }
        if (quietrun == std::size_t(rate / 50))
            cuts.push_back(milliseconds(sink.taken(silentfrom) - press));
    }
    if (cuts.size() != pressed.size() || cuts.empty()) {
        std::printf("a sink that cannot rewind: %zu of %zu cuts heard, figure skipped\n", cuts.size(), pressed.size());
        return;
    }
    std::printf("a sink that cannot rewind (a pipe sink of %.0f ms, read at a device's pace): key-down to silence "
                "median %.1f ms, from %.1f to %.1f ms over %d presses\n",
        sink.latencyms(), median(cuts), *std::min_element(cuts.begin(), cuts.end()),
        *std::max_element(cuts.begin(), cuts.end()), trials);
}

void mixercost()
{
    TMixer mixer(48000);
    std::vector<std::unique_ptr<TLoopWavetables>> loops;
    std::vector<float> oneshot(48000 * 30, 0.1f);
    auto oneshotsamples = std::make_shared<const std::vector<float>>(oneshot);
    for (int voice = 0; voice < 8; ++voice) {
        std::vector<float> cycle(64);
        for (int n = 0; n < 64; ++n)
            cycle[n] = n < 32 ? 0.3f : -0.3f;
        auto& tables = loops.emplace_back(std::make_unique<TLoopWavetables>(cycle));
        double perSecond = tables->loopspersecond(64 * (200 + 150 * voice));
        mixer.playlooped(mixer.createchannel(), tables->table(perSecond, 48000), perSecond, 0.5f, 0);
    }
    for (int shot = 0; shot < 4; ++shot)
        mixer.playonce(mixer.createchannel(), oneshotsamples, 0.5f, 0);
    std::vector<std::int16_t> speech(22050 * 20, 1000);
    mixer.write(speech.data(), speech.size(), 22050);
    std::vector<float> block(256);
    constexpr int seconds = 10;
    double before = cpuseconds(CLOCK_PROCESS_CPUTIME_ID);
    for (int rendered = 0; rendered < 48000 * seconds; rendered += 256)
        mixer.render(block.data(), 256);
    double spent = cpuseconds(CLOCK_PROCESS_CPUTIME_ID) - before;
    std::printf("mixer, 8 tone voices + 4 one-shots + speech: %.3f %% of one core\n", 100 * spent / seconds);
}

}

int main(int argc, char** argv)
{
    const char* bank = argc > 1 ? argv[1] : "sounds.dat";
    QCoreApplication application(argc, argv);
    switches.soundsenabled = true;
    switches.soundvolume = 0;
    mixercost();
    {
        TToneRig rig(bank);
        double cost = waitingtonecost();
        std::printf("waiting in a 2 s tone (%s output): %.3f %% of one core\n",
            rig.system.devicemessage().empty() ? "device" : "silent", cost);
    }
    throughpulse(bank);
    return 0;
}
