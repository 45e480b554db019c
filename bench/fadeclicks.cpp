// How loud a stop clicks on the game's loudest tones: each timbre at 2500 Hz,
// the top of the game's range, stopped by the mixer, beside the same tone
// cut offline by other fades: none (a hard cut, an unmistakable click), the
// straight millisecond the mixer used to take, and raised cosines of other
// lengths. A cut spreads the tone's energy around each of its harmonics; the
// click is what lands where a steady tone has none, in a 20 ms Hann window
// over the cut, in dB of the steady tone's energy there: near, below the
// fundamental (200-2000 Hz), and far, 6-20 kHz between the harmonics, the
// broadband snap of a click. A fade is short enough when it clicks no
// louder than the straight millisecond did.
// Usage: fadeclicks

#include "sound/loopwavetables.h"
#include "sound/mixer.h"
#include "tests/sound/soundfixtures.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int rate = 48000;
constexpr int window = rate / 50;
constexpr std::int64_t stopat = rate / 5;
constexpr int length = rate * 3 / 10;

std::vector<float> render(TMixer& mixer)
{
    std::vector<float> output(length);
    for (int done = 0; done < length; done += 256)
        mixer.render(output.data() + done, std::min(256, length - done));
    return output;
}

// Near: below the fundamental; far: high above it, between its harmonics.
struct TBand {
    int from;
    int to;
    bool betweenharmonics;
};
constexpr TBand nearband { 200, 2000, false };
constexpr TBand farband { 6000, 20000, true };
constexpr int fundamental = 2500;

double clickdecibels(const std::vector<float>& samples, TBand band)
{
    const std::size_t first = std::size_t(stopat) - window / 2;
    std::vector<double> windowed(window);
    double total = 0;
    for (int n = 0; n < window; ++n) {
        double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / (window - 1));
        windowed[std::size_t(n)] = hann * samples[first + std::size_t(n)];
        total += windowed[std::size_t(n)] * windowed[std::size_t(n)];
    }
    double below = 0;
    for (int hertz = band.from; hertz <= band.to; hertz += rate / window) {
        int fromharmonic = std::abs(hertz - fundamental * ((hertz + fundamental / 2) / fundamental));
        if (band.betweenharmonics && fromharmonic < 500)
            continue;
        double re = 0, im = 0;
        for (int n = 0; n < window; ++n) {
            double phase = 2 * std::numbers::pi * hertz * n / rate;
            re += windowed[std::size_t(n)] * std::cos(phase);
            im -= windowed[std::size_t(n)] * std::sin(phase);
        }
        below += 2 * (re * re + im * im);
    }
    return 10 * std::log10(std::max(below / (window * total), 1e-30));
}

std::vector<float> cutoffline(std::vector<float> steady, int frames, const std::function<double(int, int)>& gain)
{
    for (std::size_t n = std::size_t(stopat); n < steady.size(); ++n) {
        int step = int(n - std::size_t(stopat)) + 1;
        steady[n] = step > frames ? 0.0f : float(steady[n] * gain(step, frames));
    }
    return steady;
}

double straight(int step, int frames) { return 1 - double(step) / (frames + 1); }
double raisedcosine(int step, int frames) { return 0.5 * (1 + std::cos(std::numbers::pi * step / (frames + 1))); }

void printrow(TBand band, int timbre)
{
    if (timbre == 0) {
        std::printf("click %s, dB of the steady tone, 2500 Hz\n",
            band.betweenharmonics ? "6-20 kHz between the harmonics" : "200-2000 Hz");
        std::printf("timbre  steady  mixer's stop  hard cut  straight 0.5 ms  1 ms  cosine 0.25 ms  0.3 ms  0.5 ms  1 ms\n");
    }
    TLoopWavetables tables(generatedsamples("snd1" + std::to_string(timbre)));
    double loops = tables.loopspersecond(64 * 2500);
    auto table = tables.table(loops, rate);
    TMixer steadymixer(rate);
    steadymixer.playlooped(steadymixer.createchannel(), table, loops, 1, 0);
    auto steady = render(steadymixer);
    TMixer stopped(rate);
    auto channel = stopped.createchannel();
    stopped.playlooped(channel, table, loops, 1, 0);
    stopped.stop(channel, stopat);
    auto mixers = render(stopped);
    auto level = [band](const std::vector<float>& samples) { return clickdecibels(samples, band); };
    std::printf("%6d  %6.1f  %12.1f  %8.1f  %15.1f  %4.1f  %14.1f  %6.1f  %6.1f  %4.1f\n", timbre, level(steady),
        level(mixers), level(cutoffline(steady, 0, straight)), level(cutoffline(steady, rate / 2000, straight)),
        level(cutoffline(steady, rate / 1000, straight)),
        level(cutoffline(steady, rate / 4000, raisedcosine)), level(cutoffline(steady, rate * 3 / 10000, raisedcosine)),
        level(cutoffline(steady, rate / 2000, raisedcosine)), level(cutoffline(steady, rate / 1000, raisedcosine)));
}

}

int main()
{
    for (TBand band : { nearband, farband })
        for (int timbre = 0; timbre <= 9; ++timbre)
            printrow(band, timbre);
    return 0;
}
