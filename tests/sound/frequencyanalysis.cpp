#include "tests/sound/frequencyanalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

double zerocrossingfrequency(const std::vector<float>& samples, int rate)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t n = 1; n < samples.size(); ++n)
        if (samples[n - 1] < 0 && samples[n] >= 0) {
            double at = double(n - 1) + samples[n - 1] / (samples[n - 1] - samples[n]);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    return crossings < 2 ? 0 : (crossings - 1) * double(rate) / (last - first);
}

double rms(const std::vector<float>& samples)
{
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

std::vector<double> spectrumdecibels(const std::vector<float>& samples)
{
    std::size_t size = 1;
    while (size * 2 <= samples.size())
        size *= 2;
    std::vector<std::complex<double>> bins(size);
    constexpr double pi = std::numbers::pi;
    for (std::size_t n = 0; n < size; ++n) {
        double x = 2 * pi * double(n) / double(size);
        double window = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        bins[n] = samples[n] * window;
    }
    for (std::size_t i = 1, j = 0; i < size; ++i) {
        std::size_t bit = size >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(bins[i], bins[j]);
    }
    for (std::size_t length = 2; length <= size; length <<= 1) {
        std::complex<double> step = std::polar(1.0, -2 * pi / double(length));
        for (std::size_t start = 0; start < size; start += length) {
            std::complex<double> twiddle = 1;
            for (std::size_t k = 0; k < length / 2; ++k, twiddle *= step) {
                auto even = bins[start + k], odd = bins[start + k + length / 2] * twiddle;
                bins[start + k] = even + odd;
                bins[start + k + length / 2] = even - odd;
            }
        }
    }
    std::vector<double> power(size / 2);
    for (std::size_t k = 0; k < size / 2; ++k)
        power[k] = std::norm(bins[k]);
    double strongest = *std::max_element(power.begin(), power.end());
    for (double& p : power)
        p = 10 * std::log10(std::max(p / strongest, 1e-30));
    return power;
}

int longestquietrun(const std::vector<float>& samples, std::size_t from, std::size_t to)
{
    int longest = 0, run = 0;
    for (std::size_t n = from; n < to && n < samples.size(); ++n) {
        run = std::fabs(samples[n]) < 0.01f ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

std::vector<TSpeechHole> holesnearonsets(const std::vector<float>& recording, int rate, double quietms,
    double windowms, double minimumms)
{
    const auto frames = [rate](double milliseconds) { return static_cast<std::size_t>(milliseconds * rate / 1000); };
    const auto silent = [&recording](std::size_t at) { return std::fabs(recording[at]) < 1e-4f; };
    const auto ms = [rate](std::size_t at) { return 1000.0 * double(at) / rate; };
    std::vector<TSpeechHole> holes;
    std::size_t quiet = 0;
    for (std::size_t at = 0; at < recording.size(); ++at) {
        if (silent(at)) {
            ++quiet;
            continue;
        }
        bool onset = quiet >= frames(quietms);
        quiet = 0;
        if (!onset)
            continue;
        // Each silence inside the utterance's first window.
        std::size_t windowend = std::min(recording.size(), at + frames(windowms));
        for (std::size_t scan = at; scan < windowend;) {
            if (!silent(scan)) {
                ++scan;
                continue;
            }
            std::size_t end = scan;
            while (end < recording.size() && silent(end))
                ++end;
            // A silence as long as the quiet between utterances ends this one.
            if (end - scan >= frames(minimumms) && end - scan < frames(quietms) && end < recording.size())
                holes.push_back({ ms(at), ms(scan), ms(end - scan) });
            scan = end;
        }
    }
    return holes;
}
