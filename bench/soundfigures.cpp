// Figures of the sound path: key-down to silence and the length of 15 ms
// tones as heard through a PulseAudio null sink, the mixer's processor time
// for a full load, and the processor time of a program waiting in a tone.

#include "runtime/services.h"
#include "runtime/tones.h"
#include "shell/qthost.h"
#include "sound/soundsystem.h"
#include "sound/wavecollection.h"
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
using TClock = std::chrono::steady_clock;

double processseconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

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
    constexpr int rate = 48000;
    server.startrecording(rate);
    TSoundSystem system;
    system.opendevice();
    system.loadbank(bank);
    system.player().playwait("click5", 0);
    std::this_thread::sleep_for(200ms);

    // Key-down to silence: the stop's own share (the rest of the block being
    // played, the block in flight, the fade) from the mixer's clock, plus
    // what the server buffers after it, as the server reports.
    std::vector<double> requested;
    for (int tone = 0; tone < 21; ++tone) {
        auto started = TClock::now();
        system.player().startlooped("snd10", 64 * 880, 0);
        std::this_thread::sleep_until(started + 15ms);
        auto stopped = TClock::now();
        system.player().stopall("snd10");
        requested.push_back(std::chrono::duration<double, std::milli>(stopped - started).count());
        std::this_thread::sleep_for(60ms);
    }
    double serverlatency = server.playbacklatencyms();
    auto recording = server.stoprecording();
    system.release();

    auto heard = soundingstretches(recording, rate, 0.01f);
    if (!heard.empty())
        heard.erase(heard.begin()); // the warm-up click
    std::vector<double> errors;
    for (std::size_t i = 0; i < heard.size() && i < requested.size(); ++i)
        errors.push_back(heard[i].lengthms - requested[i]);
    double blockms = 256.0 / rate * 1000, fadems = 1.0;
    std::printf("15 ms tones heard: %zu of %zu, median length %.2f ms (median error %+.2f ms against the stop's moment)\n",
        heard.size(), requested.size(), median([&] { std::vector<double> l; for (auto& h : heard) l.push_back(h.lengthms); return l; }()),
        median(errors));
    std::printf("key-down to silence: at most %.1f ms (one block to its frame %.1f, the block in flight %.1f, fade %.1f, server buffering %.1f)\n",
        2 * blockms + fadems + serverlatency, blockms, blockms, fadems, serverlatency);
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
    double before = processseconds();
    for (int rendered = 0; rendered < 48000 * seconds; rendered += 256)
        mixer.render(block.data(), 256, TClock::now());
    double spent = processseconds() - before;
    std::printf("mixer, 8 tone voices + 4 one-shots + speech: %.3f %% of one core\n", 100 * spent / seconds);
}

void waitingtone(const char* bank, int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] { tonetimerexpired(); });
    TQtHost host(timer, [] {});
    TSoundSystem system;
    system.opendevice();
    system.loadbank(bank);
    services.host = &host;
    services.sounds = &system.player();
    double before = processseconds();
    auto started = TClock::now();
    sound({ 440 }, 2000, 0);
    double wall = std::chrono::duration<double>(TClock::now() - started).count();
    double spent = processseconds() - before;
    std::printf("waiting in a 2 s tone (%s output): %.3f %% of one core over %.3f s\n",
        system.devicemessage().empty() ? "device" : "silent", 100 * spent / wall, wall);
    resetservices();
    system.release();
}

}

int main(int argc, char** argv)
{
    const char* bank = argc > 1 ? argv[1] : "sounds.dat";
    mixercost();
    waitingtone(bank, argc, argv);
    throughpulse(bank);
    return 0;
}
