// Figures of the own voice through the speech layer, with a speech stream
// played out in real time in blocks of a mixer's size: the time from
// speakwait to the first sample heard, from a key-down's stopspeech to
// silence, and the processor time of a program waiting for speech to end.

#include "../tests/speech/capturingstream.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/host.h"
#include "runtime/services.h"
#include "speech/TTSVar.h"
#include "speech/espeakengine.h"
#include "speech/speechlayer.h"
#include "speech/voiceselection.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace std::chrono;

class TBenchHost final : public TRuntimeHost {
public:
    void pumpevents() override { QCoreApplication::processEvents(); }
    void waitforevent() override { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }
    void sleepms(int) override { }
    void starttonetimer(int) override { }
    void stoptonetimer() override { }
    TTimeOfDay timeofday() override { return {}; }
    double randomdraw() override { return 0.5; }
    void reseedrandom() override { }
    void screenchanged() override { }
};

double cpuseconds(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsbetween(steady_clock::time_point from, steady_clock::time_point to)
{
    return duration<double, std::milli>(to - from).count();
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
    // 128 frames at espeak-ng's 22050 Hz: 5.8 ms, the order of the mixer's block.
    constexpr int blockframes = 128;
    TCapturingSpeechStream stream(blockframes, 1.0);
    TBenchHost host;
    services.host = &host;
    services.speech = &speechlayer;
    switches.voiceallowed = true;
    voiceselection.initspeech(createespeakenumerator(stream));
    voiceselection.createsink();
    voiceselection.fillvoicelist();
    voiceselection.selectengine();

    const std::vector<std::string> words = { "jedna", "dva", "tři", "správně", "nesprávně", "Dobrý den." };
    std::vector<double> firstsound;
    for (int round = 0; round < 5; ++round)
        for (const auto& word : words) {
            stream.forgetfirstheard();
            auto start = steady_clock::now();
            speechlayer.speakwait(cp1250::fromutf8(word));
            firstsound.push_back(millisecondsbetween(start, stream.firstheard()));
        }
    std::printf("speakwait to first sample heard: median %.1f ms, worst %.1f ms (%zu texts, target <= 30 ms)\n",
        median(firstsound), *std::max_element(firstsound.begin(), firstsound.end()), firstsound.size());

    const std::string longtext = cp1250::fromutf8(
        "Toto je dlouhá věta, kterou přeruší stisk klávesy dřív, než ji hlas dočte do konce.");
    std::vector<double> silence;
    for (int round = 0; round < 20; ++round) {
        speechlayer.speak(longtext);
        // The key comes at a different moment of the speech each round.
        QEventLoop speaking;
        QTimer::singleShot(150 + round * 7, &speaking, &QEventLoop::quit);
        speaking.exec();
        auto keydown = steady_clock::now();
        speechlayer.stopspeech();
        // Silent once nothing is queued and no further sample arrives.
        while (stream.queued() > 0)
            std::this_thread::yield();
        auto queueempty = steady_clock::now();
        silence.push_back(millisecondsbetween(keydown, queueempty));
        while (ttsvar.ttsplaying)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    double blockms = 1000.0 * blockframes / stream.rate();
    std::printf("key-down to silence: queue dropped after median %.3f ms, worst %.3f ms; heard within that plus "
                "one block (%.1f ms here) and the mixer's fade (target <= 10 ms)\n",
        median(silence), *std::max_element(silence.begin(), silence.end()), blockms);

    const std::string sentence = cp1250::fromutf8(
        "Program čeká, až hlas dořekne tuto větu, a mezitím nemá co dělat, takže by neměl zatěžovat procesor.");
    double processbefore = cpuseconds(CLOCK_PROCESS_CPUTIME_ID);
    double threadbefore = cpuseconds(CLOCK_THREAD_CPUTIME_ID);
    auto start = steady_clock::now();
    speechlayer.speakwait(sentence);
    double wall = duration<double>(steady_clock::now() - start).count();
    double process = cpuseconds(CLOCK_PROCESS_CPUTIME_ID) - processbefore;
    double thread = cpuseconds(CLOCK_THREAD_CPUTIME_ID) - threadbefore;
    std::printf("waiting %.2f s for speech to end: waiting thread %.2f %% of one core, whole process "
                "(synthesis and the stream's player included) %.2f %% (target <= 2 %%)\n",
        wall, 100 * thread / wall, 100 * process / wall);

    voiceselection.release();
    return 0;
}
