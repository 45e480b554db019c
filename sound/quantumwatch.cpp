#include "sound/quantumwatch.h"

namespace {

// Quanta that stopped coming for this long were paused (the sink suspended,
// the stream not played): no quantum the listener waited for was missed.
constexpr std::int64_t pauseus = 100000;

}

bool TQuantumWatch::quantum(std::uint64_t ticks, int tickrate, int frames, int framerate, std::int64_t nowus)
{
    const bool running = m_expected && nowus - m_lastus < pauseus;
    // Over half a quantum late: a stream resampled to the graph's rate is
    // asked for a frame more or less than the graph's clock moves.
    const std::uint64_t quantumticks = std::uint64_t(frames) * std::uint64_t(tickrate) / std::uint64_t(framerate);
    const bool missed = running && ticks > *m_expected && (ticks - *m_expected) * 2 > quantumticks;
    if (!running || frames != m_lastframes)
        m_settleduntilus = nowus + settleus;
    m_expected = ticks + quantumticks;
    m_lastframes = frames;
    m_lastus = nowus;
    return missed && nowus >= m_settleduntilus;
}
