// Writes the sound bank "sounds.dat": tone waves of one 64-sample cycle in
// ten timbres for eight voices, the beep and the numbered clicks. Every
// sound is synthesized here from fixed parameters and a fixed noise seed, so
// the file is the same on every build.

#include "sound/bankfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;
constexpr int cyclelength = 64;
constexpr int voices = 8;
constexpr int oneshotrate = 44100;
// Tones peak at half scale so a chord of three stays below clipping in most
// of its cycle; the mixer clamps the rest.
constexpr double tonepeak = 0.5;

struct TTimbre {
    const char* name;
    std::function<double(double phase)> shape; // one cycle, phase 0..1
};

double additive(double phase, const std::vector<double>& harmonics)
{
    double value = 0;
    for (std::size_t h = 0; h < harmonics.size(); ++h)
        value += harmonics[h] * std::sin(2 * pi * double(h + 1) * phase);
    return value;
}

// Ten timbres a listener tells apart: from the pure sine through hollow
// (odd harmonics), bright (all harmonics) and nasal (narrow pulse) shapes.
const std::vector<TTimbre>& timbres()
{
    static const std::vector<TTimbre> list {
        { "sine", [](double p) { return std::sin(2 * pi * p); } },
        { "flute", [](double p) { return additive(p, { 1, 0.25, 0.1, 0.04 }); } },
        { "triangle", [](double p) { return p < 0.25 ? 4 * p : p < 0.75 ? 2 - 4 * p : 4 * p - 4; } },
        { "square", [](double p) { return p < 0.5 ? 1.0 : -1.0; } },
        { "sawtooth", [](double p) { return 1 - 2 * p; } },
        { "reed", [](double p) { return p < 0.25 ? 1.0 : -1.0 / 3; } }, // pulse of a quarter cycle
        { "organ", [](double p) { return additive(p, { 1, 0.7, 0.5, 0.35, 0, 0.25, 0, 0.2 }); } },
        { "clarinet", [](double p) { return additive(p, { 1, 0, 0.45, 0, 0.3, 0, 0.15, 0, 0.08 }); } },
        { "brass", [](double p) { return additive(p, { 0.6, 0.8, 1, 0.75, 0.55, 0.4, 0.28, 0.2, 0.14, 0.1 }); } },
        { "buzz", [](double p) { return p < 0.1 ? 1.0 : -1.0 / 9; } }, // narrow pulse, nasal
    };
    return list;
}

std::vector<std::uint8_t> pcm16(const std::vector<double>& samples)
{
    std::vector<std::uint8_t> data;
    for (double sample : samples) {
        auto value = static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0, 1.0) * 32767));
        data.push_back(static_cast<std::uint8_t>(value & 0xFF));
        data.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return data;
}

std::vector<double> normalized(std::vector<double> samples, double peak)
{
    double mean = 0;
    for (double s : samples)
        mean += s;
    mean /= double(samples.size());
    double largest = 0;
    for (double& s : samples)
        largest = std::max(largest, std::abs(s -= mean));
    for (double& s : samples)
        s *= peak / largest;
    return samples;
}

TStoredWave tonewave(int voice, int timbre)
{
    std::vector<double> cycle(cyclelength);
    for (int n = 0; n < cyclelength; ++n)
        cycle[n] = timbres()[timbre].shape(double(n) / cyclelength);
    TStoredWave wave;
    wave.Name = "snd" + std::to_string(voice) + std::to_string(timbre);
    wave.Looped = true;
    wave.Wave.format = pcm16monoformat(cyclelength * 440); // A4 when played at its own rate
    wave.Wave.data = pcm16(normalized(cycle, tonepeak));
    return wave;
}

// A fixed noise source, so the bank is the same on every build.
class TNoise {
public:
    double next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(m_state >> 11) / double(1ULL << 53) * 2 - 1;
    }

private:
    unsigned long long m_state = 0x5EED;
};

// A struck sound: partials (frequency, level) each decaying at its own rate,
// and optional noise for the attack.
struct TStrike {
    double milliseconds;
    std::vector<std::pair<double, double>> partials;
    double decaymilliseconds;
    double noiselevel = 0;
    double noisedecaymilliseconds = 1;
    double peak = 0.5;
    double glideto = 0; // a partial glides from its frequency by this ratio
};

std::vector<double> strike(const TStrike& sound)
{
    TNoise noise;
    auto frames = static_cast<std::size_t>(sound.milliseconds * oneshotrate / 1000);
    std::vector<double> samples(frames);
    std::vector<double> phases(sound.partials.size(), 0.0);
    for (std::size_t n = 0; n < frames; ++n) {
        double t = double(n) / oneshotrate;
        double value = 0;
        for (std::size_t p = 0; p < sound.partials.size(); ++p) {
            double ratio = sound.glideto > 0 ? std::pow(sound.glideto, t * 1000 / sound.milliseconds) : 1.0;
            phases[p] += 2 * pi * sound.partials[p].first * ratio / oneshotrate;
            value += sound.partials[p].second * std::sin(phases[p]);
        }
        value *= std::exp(-t * 1000 / sound.decaymilliseconds);
        value += sound.noiselevel * noise.next() * std::exp(-t * 1000 / sound.noisedecaymilliseconds);
        // A millisecond's rise and a closing ramp keep the edges from clicking
        // on their own.
        double rise = std::min(1.0, t * 1000 / 0.5);
        double fall = std::min(1.0, double(frames - n) / (oneshotrate / 1000.0 * 2));
        samples[n] = value * rise * fall;
    }
    return normalized(samples, sound.peak);
}

TStoredWave oneshot(const std::string& name, const std::vector<double>& samples)
{
    TStoredWave wave;
    wave.Name = name;
    wave.Looped = false;
    wave.MaxPlayingCount = 0;
    wave.Wave.format = pcm16monoformat(oneshotrate);
    wave.Wave.data = pcm16(samples);
    return wave;
}

std::vector<TStoredWave> bank()
{
    std::vector<TStoredWave> waves;
    for (int voice = 1; voice <= voices; ++voice)
        for (int timbre = 0; timbre < int(timbres().size()); ++timbre)
            waves.push_back(tonewave(voice, timbre));

    // The beep: a clear two-partial tone, a tenth of a second.
    waves.push_back(oneshot("beep", strike({ 110, { { 880, 1 }, { 1760, 0.3 } }, 400, 0, 1, 0.45 })));
    // The editing tick: soft and very short.
    waves.push_back(oneshot("click2", strike({ 6, { { 2400, 1 } }, 1.5, 0.3, 0.8, 0.2 })));
    // The polling clicks play over and over while the program waits: short
    // and quiet so they never tire the ear. The question's is higher than
    // the answer's so the two waits are told apart.
    waves.push_back(oneshot("click6", strike({ 8, { { 1800, 1 } }, 2, 0, 1, 0.15 })));
    waves.push_back(oneshot("click9", strike({ 8, { { 1100, 1 } }, 2.5, 0, 1, 0.15 })));
    // "Your turn": a rising chirp, longer and louder than anything polled.
    waves.push_back(oneshot("click19", strike({ 90, { { 700, 1 }, { 1400, 0.3 } }, 200, 0, 1, 0.5, 1.5 })));
    // The five items of the sound game, one register and one character each:
    // high metallic tick, low wooden knock, mid thud (also the edge click),
    // noise rattle, bell.
    waves.push_back(oneshot("click5", strike({ 25, { { 4200, 1 }, { 6300, 0.5 } }, 6, 0.1, 1, 0.45 })));
    waves.push_back(oneshot("click13", strike({ 60, { { 220, 1 }, { 440, 0.35 } }, 18, 0.2, 2, 0.55 })));
    waves.push_back(oneshot("click16", strike({ 40, { { 520, 1 }, { 780, 0.3 } }, 10, 0.5, 3, 0.5 })));
    waves.push_back(oneshot("click8", strike({ 45, {}, 1, 1, 12, 0.4 })));
    waves.push_back(oneshot("click17", strike({ 120, { { 1500, 1 }, { 3920, 0.4 }, { 5500, 0.2 } }, 60, 0, 1, 0.4 })));
    return waves;
}

}

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <sounds.dat>\n", argv[0]);
        return 2;
    }
    auto bytes = writebank(bank());
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
