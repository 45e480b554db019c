// Figures of the output under load and after quiet, as heard through a
// PulseAudio null sink: drop-outs (runs of 0.5 ms or more of silence inside
// a sounding tone) in a minute of game-like tones, and gaps in a minute of
// notes that follow notes, with the machine as it is and with two busy
// loops on its cores; and the time from a tone's start to its first sound
// after 11 s (longer than an output waits before it eases off) and after
// 60 s of quiet.
// Usage: dropouts sounds.dat [seconds of tones, 60] [quiet seconds, 60]

#include "bench/figures.h"
#include "bench/runevents.h"
#include "bench/tonerig.h"
#include "runtime/cells.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "shell/qthost.h"
#include "sound/soundsystem.h"
#include "tests/sound/monitorrecorder.h"
#include "tests/sound/pulsenullsink.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int rate = 48000;

// Processes that keep every core busy until they are stopped by their ids.
class TBusyLoops {
public:
    explicit TBusyLoops(int count)
    {
        for (int loop = 0; loop < count; ++loop) {
            pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (pid > 0)
                m_pids.push_back(pid);
        }
    }
    ~TBusyLoops()
    {
        for (pid_t pid : m_pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

private:
    std::vector<pid_t> m_pids;
};

struct TDropouts {
    int tones = 0;
    int heard = 0;
    int dropouts = 0;
    double longestms = 0;
};

// Items of half a second and ladder steps of a fifth, as the game plays
// them, each after a short rest; or, without the rests, note after note,
// where a gap at the junction is what is counted. The monitor gets each
// moment as the sink first mixed it, before any rewind: what a sink that
// cannot rewind plays. Nothing here is timed, so the reader leaves the
// graph's quantum to the output: a 64-frame reader held PipeWire's graph at
// quanta this machine cannot always wake for (15 to 20 misses a minute, a
// bare client's too), and counted each miss as ours.
TDropouts playgame(const char* bank, int seconds, bool rests)
{
    TMonitorRecorder recorder("ci_sink.monitor", rate, 2048);
    TDropouts counted;
    {
        TToneRig rig(bank);
        rig.system.player().playwait("click5", 0);
        runevents(300);
        const double pitches[] = { 262, 330, 392, 500, 587, 660, 784, 880 };
        auto until = TClock::now() + std::chrono::seconds(seconds);
        for (int step = 0; TClock::now() < until; ++step) {
            if (rests) {
                sound({ pitches[(step * 5) % 8] }, step % 3 == 2 ? 200 : 500, 0);
                runevents(120);
            } else {
                sound({ pitches[(step * 5) % 8] }, 200, 0);
            }
            ++counted.tones;
        }
        runevents(300);
    }
    recorder.stop();
    const auto& recording = recorder.samples();
    auto stretches = soundingstretches(recording, rate, 0.02f);
    // The first is the click that showed the stream plays.
    if (!stretches.empty())
        stretches.erase(stretches.begin());
    counted.heard = static_cast<int>(stretches.size());
    for (const auto& stretch : stretches) {
        // The edges are the tone's rise and fade, not drop-outs. A tone
        // passes through silence for a few samples only; a stop's fade
        // ends in it.
        std::size_t edge = rate / 500;
        int run = 0;
        for (std::size_t n = edge; n + edge < stretch.samples.size(); ++n) {
            if (std::abs(stretch.samples[n]) < 0.001f) {
                ++run;
                continue;
            }
            if (run >= rate / 2000) {
                ++counted.dropouts;
                counted.longestms = std::max(counted.longestms, 1000.0 * run / rate);
            }
            run = 0;
        }
    }
    // A drop-out longer than the stretches' hold splits a tone in two; notes
    // without rests are heard as one.
    counted.dropouts += std::max(0, counted.heard - (rests ? counted.tones : 1));
    return counted;
}

void printdropouts(const char* load, const TDropouts& counted)
{
    std::printf("drop-outs, %s: %d in %d tones (%d sounds heard), longest %.2f ms\n", load, counted.dropouts,
        counted.tones, counted.heard, counted.longestms);
}

void printgaps(const char* load, const TDropouts& counted)
{
    std::printf("note after note, %s: %d gaps on the first rendering in %d junctions, longest %.2f ms\n", load,
        counted.dropouts, counted.tones - 1, counted.longestms);
}

// From the call that starts a tone to the arrival of its first sound at the
// monitor, after the output has had nothing to play for a while. Recorded
// through the quiet by a reader that leaves the graph's quantum to the
// output, so an output that eases off meanwhile is heard doing so; an
// arrival is then up to a long quantum late, a bound.
double firstsoundafterquiet(const char* bank, int quietseconds)
{
    TToneRig rig(bank);
    TMonitorRecorder recorder("ci_sink.monitor", rate, 2048);
    rig.system.player().playwait("click5", 0);
    runevents(quietseconds * 1000);
    auto called = TClock::now();
    sound({ 500 }, 200, 0);
    runevents(300);
    recorder.stop();
    const auto& recording = recorder.samples();
    for (std::size_t n = 0; n < recording.size(); ++n)
        if (std::abs(recording[n]) > 0.001f && recorder.arrival(n) > called)
            return milliseconds(recorder.arrival(n) - called);
    return -1;
}

}

int main(int argc, char** argv)
{
    const char* bank = argc > 1 ? argv[1] : "sounds.dat";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const int quiet = argc > 3 ? std::atoi(argv[3]) : 60;
    QCoreApplication application(argc, argv);
    switches.soundsenabled = true;
    switches.soundvolume = 0;
    if (!TPulseNullSink::installed()) {
        std::printf("PulseAudio is not installed: these figures need its null sink\n");
        return 1;
    }
    TPulseNullSink server;
    if (!server.running()) {
        std::printf("PulseAudio did not start: %s\n", server.reason().c_str());
        return 1;
    }
    printdropouts("the machine as it is", playgame(bank, seconds, true));
    printgaps("the machine as it is", playgame(bank, seconds, false));
    {
        TBusyLoops busy(2);
        printdropouts("two busy loops", playgame(bank, seconds, true));
        printgaps("two busy loops", playgame(bank, seconds, false));
    }
    for (int wait : { 11, quiet })
        std::printf("first sound after %d s of quiet: %.2f ms from the call to the monitor\n", wait,
            firstsoundafterquiet(bank, wait));
    return 0;
}
