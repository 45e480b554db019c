// Figures of the own voice as a listener hears it: espeak-ng through the
// speech layer into the real mixer and the sound server stream, played to a PulseAudio
// null sink whose monitor this process records. The time from speakwait to
// the first sound, from a key-down's stopspeech to silence, and the
// processor time of a program waiting for speech to end.

#include "bench/figures.h"
#include "bench/runevents.h"
#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "shell/qthost.h"
#include "sound/soundsystem.h"
#include "speech/TTSVar.h"
#include "speech/espeakengine.h"
#include "speech/speechlayer.h"
#include "speech/speechsetup.h"
#include "speech/voiceselection.h"
#include "tests/sound/frequencyanalysis.h"
#include "tests/sound/monitorrecorder.h"
#include "tests/sound/pulsenullsink.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

namespace {

// Below this a sample counts as silence: 60 dB under full scale, far under
// the voice's own level and under any room's noise.
constexpr float silence = 0.001f;
constexpr int recordingrate = 48000;

// The first sample of the recording that reached this process after the moment.
std::size_t firstarrivingafter(const TMonitorRecorder& recorder, TClock::time_point moment)
{
    std::size_t low = 0, high = recorder.samples().size();
    while (low < high) {
        std::size_t middle = low + (high - low) / 2;
        if (recorder.arrival(middle) > moment)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

std::optional<std::size_t> firstaudible(const std::vector<float>& recording, std::size_t from, std::size_t to)
{
    for (std::size_t n = from; n < to && n < recording.size(); ++n)
        if (std::abs(recording[n]) > silence)
            return n;
    return std::nullopt;
}

std::optional<std::size_t> lastaudible(const std::vector<float>& recording, std::size_t from, std::size_t to)
{
    for (std::size_t n = std::min(to, recording.size()); n > from; --n)
        if (std::abs(recording[n - 1]) > silence)
            return n - 1;
    return std::nullopt;
}

void printspread(const char* what, const std::vector<double>& figures, double lookahead, double targetms)
{
    if (figures.empty()) {
        std::printf("%s: nothing heard\n", what);
        return;
    }
    std::printf("%s at the sink's monitor: median %.2f ms, from %.2f to %.2f ms over %zu; by the sink's own clock "
                "(plus its look-ahead of %.2f ms) median %.2f ms, %zd over the target of %.0f ms\n",
        what, median(figures), *std::min_element(figures.begin(), figures.end()),
        *std::max_element(figures.begin(), figures.end()), figures.size(), lookahead, median(figures) + lookahead,
        std::count_if(figures.begin(), figures.end(), [&](double figure) { return figure + lookahead > targetms; }),
        targetms);
}

const std::vector<std::string> shorttexts = { "jedna", "dva", "tři", "čtyři", "pět", "správně", "nesprávně",
    "Dobrý den.", "Stiskni klávesu.", "konec hry", "Zahrajeme si.", "sedm", "osm", "devět", "deset", "ahoj",
    "Řekni číslo.", "Ještě jednou.", "Výborně!", "Hotovo." };

// No commas: the presses should find the voice speaking, not in a clause's pause.
const std::string longtext = "Toto je dlouhá věta kterou přeruší stisk klávesy dřív než ji hlas dočte do konce "
                             "protože posluchač už ví co chce udělat a nechce čekat na poslední slovo.";

}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::string reason;
    if (!initespeak(&reason)) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        return 1;
    }
    if (!TPulseNullSink::installed()) {
        std::printf("PulseAudio is not installed: the speech figures need its null sink\n");
        return 1;
    }
    TPulseNullSink server;
    if (!server.running()) {
        std::printf("PulseAudio did not start: %s\n", server.reason().c_str());
        return 1;
    }
    TSoundSystem system;
    system.opendevice();
    if (!system.devicemessage().empty()) {
        std::printf("The device did not open: %s\n", system.devicemessage().c_str());
        return 1;
    }
    QTimer tonetimer;
    TQtHost host(tonetimer, [] {});
    services.host = &host;
    switches.voiceallowed = true;
    switches.usesapi5 = false;
    initspeech(system.speechstream());
    voiceselection.createsink();
    voiceselection.fillvoicelist();
    voiceselection.selectengine();

    // The server takes a moment to ask for our blocks steadily.
    speechlayer.speakwait(cp1250::fromutf8("Dobrý den."));
    runevents(300);

    // Nothing but the program runs here: the recorder starts afterwards, so
    // the process's time is the waiting thread, the synthesis, the mixer and
    // the audio client. The open device alone, with nothing to play, is
    // measured first: its share is there whether or not anyone speaks.
    double processbefore = cpuseconds(CLOCK_PROCESS_CPUTIME_ID);
    auto idlestart = TClock::now();
    runevents(3000);
    double idle = 100 * (cpuseconds(CLOCK_PROCESS_CPUTIME_ID) - processbefore)
        / std::chrono::duration<double>(TClock::now() - idlestart).count();
    const std::string sentence = cp1250::fromutf8(longtext + " " + longtext);
    processbefore = cpuseconds(CLOCK_PROCESS_CPUTIME_ID);
    double threadbefore = cpuseconds(CLOCK_THREAD_CPUTIME_ID);
    auto waitstart = TClock::now();
    speechlayer.speakwait(sentence);
    double wall = std::chrono::duration<double>(TClock::now() - waitstart).count();
    double process = cpuseconds(CLOCK_PROCESS_CPUTIME_ID) - processbefore;
    double thread = cpuseconds(CLOCK_THREAD_CPUTIME_ID) - threadbefore;
    std::printf("waiting %.2f s in speakwait on the device: waiting thread %.4f %% of one core (%.2f ms), whole "
                "process (synthesis, mixer and audio client included) %.2f %%, of which the idle device %.2f %% "
                "(target <= 2 %%)\n",
        wall, 100 * thread / wall, 1000 * thread, 100 * process / wall, idle);

    // How the heard figures are taken: this process records the null sink's
    // monitor a millisecond at a time and notes when each read came in, by
    // the steady clock that also stamps the speech calls. A sample's arrival
    // is when it had certainly left the sink for its monitor; the sink had
    // rendered it by then, at most its look-ahead before it is played by
    // the sink's own clock. "speakwait to first sound" runs from the call to
    // the arrival of the first sample above silence, each text after 300 ms
    // of silence. "Key-down to silence" runs from stopspeech, called from a
    // timer event as a key handler is, at moments spread over the middle of
    // a long text, to the arrival of the last sample above silence before
    // the next text. A press with nothing audible after it fell in a pause
    // of the voice (a stop consonant's closure, a word gap): it has nothing
    // to cut and is left out. No estimate of any buffer enters either figure.
    TMonitorRecorder recorder("ci_sink.monitor", recordingrate);
    if (!recorder.running()) {
        std::printf("The null sink's monitor cannot be recorded: %s\n", recorder.reason().c_str());
        return 1;
    }
    runevents(300);
    std::vector<TClock::time_point> called;
    for (const auto& text : shorttexts) {
        runevents(300);
        called.push_back(TClock::now());
        speechlayer.speakwait(cp1250::fromutf8(text));
    }
    std::vector<TClock::time_point> pressed;
    std::vector<TClock::time_point> spoken;
    const std::string cuttext = cp1250::fromutf8(longtext);
    constexpr int cuts = 30;
    for (int cut = 0; cut < cuts; ++cut) {
        runevents(300);
        spoken.push_back(TClock::now());
        speechlayer.speak(cuttext);
        // Presses spread over 870 ms of speech and every phase of the device's blocks.
        QTimer::singleShot(800 + cut * 29, Qt::PreciseTimer, [&pressed] {
            pressed.push_back(TClock::now());
            speechlayer.stopspeech();
        });
        while (pressed.size() <= std::size_t(cut) || ttsvar.ttsplaying)
            host.waitforevent();
    }
    runevents(300);
    spoken.push_back(TClock::now());
    double lookahead = server.sinklookaheadms();
    recorder.stop();
    // Texts after a long quiet, when an output may have eased off, read by
    // a recorder that leaves the graph's quantum to the output: an arrival
    // is then up to a long quantum late, a bound. The words have no pause
    // of their own near their start.
    TMonitorRecorder restrecorder("ci_sink.monitor", recordingrate, 2048);
    std::vector<TClock::time_point> rested;
    for (int rest = 0; rest < 2 && restrecorder.running(); ++rest) {
        runevents(11000);
        rested.push_back(TClock::now());
        speechlayer.speakwait(cp1250::fromutf8("zvuk číslo"));
    }
    runevents(300);
    restrecorder.stop();
    releasespeech();
    system.release();

    const auto& recording = recorder.samples();
    std::vector<double> firstsound;
    for (std::size_t text = 0; text < called.size(); ++text) {
        std::size_t from = firstarrivingafter(recorder, called[text]);
        std::size_t to = text + 1 < called.size() ? firstarrivingafter(recorder, called[text + 1]) : recording.size();
        if (auto first = firstaudible(recording, from, to))
            firstsound.push_back(milliseconds(recorder.arrival(*first) - called[text]));
    }
    std::vector<double> tosilence;
    int inpause = 0;
    for (std::size_t cut = 0; cut < pressed.size(); ++cut) {
        std::size_t from = firstarrivingafter(recorder, pressed[cut]);
        std::size_t to = firstarrivingafter(recorder, spoken[cut + 1]);
        if (auto last = lastaudible(recording, from, to))
            tosilence.push_back(milliseconds(recorder.arrival(*last) - pressed[cut]));
        else
            ++inpause;
    }
    printspread("speakwait to first sound", firstsound, lookahead, 30);
    printspread("key-down to silence", tosilence, lookahead, 10);
    std::printf("(%d of %zu presses fell in a pause of the voice and are left out)\n", inpause, pressed.size());
    if (!rested.empty()) {
        std::printf("speakwait to first sound after 11 s of quiet:");
        for (std::size_t text = 0; text < rested.size(); ++text) {
            std::size_t from = firstarrivingafter(restrecorder, rested[text]);
            std::size_t to = text + 1 < rested.size() ? firstarrivingafter(restrecorder, rested[text + 1])
                                                      : restrecorder.samples().size();
            if (auto first = firstaudible(restrecorder.samples(), from, to))
                std::printf(" %.1f ms", milliseconds(restrecorder.arrival(*first) - rested[text]));
        }
        std::printf("; silences of 1 ms or more within 80 ms of their start: %zu\n",
            holesnearonsets(restrecorder.samples(), recordingrate, 300, 80, 1).size());
    }
    return 0;
}
