#include "sound/loopwavetables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double lowestpitch = 20;

}

TLoopWavetables::TLoopWavetables(const std::vector<float>& loop)
    : m_looplength(static_cast<double>(std::max<std::size_t>(loop.size(), 1)))
{
    std::size_t length = loop.size();
    // Beyond half the table no harmonic can be drawn; long loops keep only
    // their lower harmonics.
    std::size_t harmonics = std::min<std::size_t>(length / 2, tablesize / 2 - 1);
    m_cosine.assign(harmonics + 1, 0.0);
    m_sine.assign(harmonics + 1, 0.0);
    // The DC term stays 0: the loop is heard as sound, never as an offset.
    for (std::size_t harmonic = 1; harmonic <= harmonics; ++harmonic) {
        double cosine = 0, sine = 0;
        for (std::size_t n = 0; n < length; ++n) {
            double angle = 2 * std::numbers::pi * double(harmonic * n % length) / double(length);
            cosine += loop[n] * std::cos(angle);
            sine += loop[n] * std::sin(angle);
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
    // Repeating fewer than 20 times a second, a loop is no pitch, only the
    // thump of its steps; such a loop is the runtime's rest and stays
    // silent.
    if (loopspersecond >= lowestpitch) {
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
