#include "sound/loopwavetables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The runtime's rest plays a tone's loop twice a second. A loop that repeats
// no faster is no pitch, only the thump of its steps, and stays silent;
// anything faster keeps its harmonics, however low it is.
constexpr double restpace = 2;

// A longer loop is resampled to this many points before its harmonics are
// measured: the table keeps fewer than a quarter of them, and the analysis
// then costs a few milliseconds whatever the wave's length.
constexpr std::size_t analysedpoints = 2 * TLoopWavetables::tablesize;

// The loop at analysedpoints evenly spaced points, each the mean of the
// samples it stands for, so no harmonic the table keeps is folded back.
std::vector<float> shortened(const std::vector<float>& loop)
{
    std::vector<float> points(analysedpoints, 0.0f);
    const double step = double(loop.size()) / double(analysedpoints);
    for (std::size_t point = 0; point < analysedpoints; ++point) {
        auto first = static_cast<std::size_t>(double(point) * step);
        auto last = std::max(first + 1, static_cast<std::size_t>(double(point + 1) * step));
        double sum = 0;
        for (std::size_t n = first; n < last && n < loop.size(); ++n)
            sum += loop[n];
        points[point] = static_cast<float>(sum / double(last - first));
    }
    return points;
}

}

TLoopWavetables::TLoopWavetables(const std::vector<float>& loop)
    : m_looplength(static_cast<double>(std::max<std::size_t>(loop.size(), 1)))
{
    const std::vector<float>& analysed = loop.size() > analysedpoints ? shortened(loop) : loop;
    std::size_t length = analysed.size();
    // Beyond half the table no harmonic can be drawn; long loops keep only
    // their lower harmonics.
    std::size_t harmonics = std::min<std::size_t>(length / 2, tablesize / 2 - 1);
    m_cosine.assign(harmonics + 1, 0.0);
    m_sine.assign(harmonics + 1, 0.0);
    std::vector<double> cosines(length), sines(length);
    for (std::size_t n = 0; n < length; ++n) {
        cosines[n] = std::cos(2 * std::numbers::pi * double(n) / double(length));
        sines[n] = std::sin(2 * std::numbers::pi * double(n) / double(length));
    }
    // The DC term stays 0: the loop is heard as sound, never as an offset.
    for (std::size_t harmonic = 1; harmonic <= harmonics; ++harmonic) {
        double cosine = 0, sine = 0;
        for (std::size_t n = 0, phase = 0; n < length; ++n) {
            cosine += analysed[n] * cosines[phase];
            sine += analysed[n] * sines[phase];
            phase += harmonic; // below length, so one step back keeps it in range
            if (phase >= length)
                phase -= length;
        }
        double scale = (2 * harmonic == length) ? 1.0 / double(length) : 2.0 / double(length);
        m_cosine[harmonic] = cosine * scale;
        m_sine[harmonic] = sine * scale;
    }
}

std::shared_ptr<const std::vector<float>> TLoopWavetables::table(double loopspersecond, int outputrate)
{
    int harmonics = static_cast<int>(m_cosine.size()) - 1;
    int below = 0;
    if (loopspersecond > restpace) {
        // Strictly below Nyquist: a harmonic at the limit would alias onto itself.
        double limit = std::ceil(outputrate / 2.0 / loopspersecond) - 1;
        below = static_cast<int>(std::clamp(limit, 0.0, double(harmonics)));
    }
    auto& table = m_tables[below];
    if (!table)
        table = build(below);
    return table;
}

std::shared_ptr<const std::vector<float>> TLoopWavetables::build(int harmoniccount) const
{
    std::vector<double> cosines(tablesize), sines(tablesize);
    for (int k = 0; k < tablesize; ++k) {
        cosines[k] = std::cos(2 * std::numbers::pi * k / tablesize);
        sines[k] = std::sin(2 * std::numbers::pi * k / tablesize);
    }
    auto table = std::make_shared<std::vector<float>>(tablesize + 1);
    for (int k = 0; k < tablesize; ++k) {
        double value = 0;
        for (int harmonic = 1; harmonic <= harmoniccount; ++harmonic) {
            int index = (harmonic * k) & (tablesize - 1);
            value += m_cosine[harmonic] * cosines[index] + m_sine[harmonic] * sines[index];
        }
        (*table)[k] = static_cast<float>(value);
    }
    (*table)[tablesize] = (*table)[0];
    return table;
}
