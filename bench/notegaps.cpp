// Gaps at a note that follows a note, as first rendered: SOUND after SOUND
// with no rest for a while, with the machine as it is and with two busy
// loops, heard from the null sink's monitor. The monitor gets each moment
// as the sink first mixed it, before any rewind, which is what a sink that
// cannot rewind plays. A gap is 0.5 ms or more below silence between two
// notes.
// Usage: notegaps sounds.dat [seconds, 60]

#include "bench/busyloops.h"
#include "bench/figures.h"
#include "bench/tonerig.h"
#include "runtime/cells.h"
#include "runtime/tones.h"
#include "tests/sound/monitorrecorder.h"
#include "tests/sound/pulsenullsink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int rate = 48000;

void runevents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void notes(const char* bank, int seconds, const char* load)
{
    TMonitorRecorder recorder("ci_sink.monitor", rate);
    int junctions = -1;
    {
        TToneRig rig(bank);
        rig.system.player().playwait("click5", 0);
        runevents(300);
        const double pitches[] = { 262, 330, 392, 500, 587, 660, 784, 880 };
        auto until = TClock::now() + std::chrono::seconds(seconds);
        for (int step = 0; TClock::now() < until; ++step, ++junctions)
            sound({ pitches[(step * 5) % 8] }, 200, 0);
        runevents(300);
    }
    recorder.stop();
    auto stretches = soundingstretches(recorder.samples(), rate, 0.02f);
    // The first is the click that showed the stream plays.
    if (!stretches.empty())
        stretches.erase(stretches.begin());
    // One stretch from the first note to the last; a gap longer than the
    // stretches' hold splits it.
    int gaps = std::max(0, int(stretches.size()) - 1);
    double longestms = 0;
    for (const auto& stretch : stretches) {
        const std::size_t edge = rate / 500;
        std::size_t run = 0;
        for (std::size_t n = edge; n + edge < stretch.samples.size(); ++n) {
            if (std::abs(stretch.samples[n]) < 0.001f) {
                ++run;
                continue;
            }
            if (run >= std::size_t(rate / 2000)) {
                ++gaps;
                longestms = std::max(longestms, 1000.0 * double(run) / rate);
            }
            run = 0;
        }
    }
    std::printf("note after note, %s: %d gaps on the first rendering in %d junctions, longest %.2f ms\n", load, gaps,
        junctions, longestms);
}

}

int main(int argc, char** argv)
{
    const char* bank = argc > 1 ? argv[1] : "sounds.dat";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
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
    notes(bank, seconds, "the machine as it is");
    TBusyLoops busy(2);
    notes(bank, seconds, "two busy loops");
    return 0;
}
