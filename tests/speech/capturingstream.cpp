#include "capturingstream.h"

TCapturingSpeechStream::TCapturingSpeechStream(int blockframes, double speedup)
    : m_blockframes(blockframes)
    , m_speedup(speedup)
    , m_player([this] { play(); })
{
}

TCapturingSpeechStream::~TCapturingSpeechStream()
{
    m_stopping = true;
    m_player.join();
}

void TCapturingSpeechStream::write(const std::int16_t* samples, std::size_t count, int rate)
{
    std::lock_guard lock(m_mutex);
    m_rate = rate;
    m_written.insert(m_written.end(), samples, samples + count);
    m_queued += count;
    m_sinceclear += count;
    m_wrote = true;
}

void TCapturingSpeechStream::clear()
{
    std::lock_guard lock(m_mutex);
    m_queued = 0;
    m_sinceclear = 0;
    ++m_clears;
    // Like the mixer: what was dropped is never heard, so no drain follows.
    m_wrote = false;
}

void TCapturingSpeechStream::setdrainedcallback(std::function<void()> drained)
{
    std::lock_guard lock(m_mutex);
    m_drained = std::move(drained);
}

std::function<void()> TCapturingSpeechStream::drainedcallback() const
{
    std::lock_guard lock(m_mutex);
    return m_drained;
}

std::vector<std::int16_t> TCapturingSpeechStream::written() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

std::size_t TCapturingSpeechStream::queued() const
{
    std::lock_guard lock(m_mutex);
    return m_queued;
}

int TCapturingSpeechStream::clears() const
{
    std::lock_guard lock(m_mutex);
    return m_clears;
}

std::size_t TCapturingSpeechStream::writtensinceclear() const
{
    std::lock_guard lock(m_mutex);
    return m_sinceclear;
}

std::chrono::steady_clock::time_point TCapturingSpeechStream::firstheard() const
{
    std::lock_guard lock(m_mutex);
    return m_firstheard;
}

void TCapturingSpeechStream::forgetfirstheard()
{
    std::lock_guard lock(m_mutex);
    m_firstheard = {};
}

void TCapturingSpeechStream::play()
{
    using namespace std::chrono;
    auto next = steady_clock::now();
    while (!m_stopping) {
        auto period = duration<double>(m_blockframes / (m_rate.load() * m_speedup));
        next += duration_cast<steady_clock::duration>(period);
        std::this_thread::sleep_until(next);
        std::function<void()> drained;
        {
            std::lock_guard lock(m_mutex);
            if (m_queued > 0 && m_firstheard == steady_clock::time_point {})
                m_firstheard = steady_clock::now();
            m_queued -= std::min<std::size_t>(m_queued, static_cast<std::size_t>(m_blockframes));
            if (m_queued == 0 && m_wrote) {
                m_wrote = false;
                drained = m_drained;
            }
        }
        // Called outside the lock, as a mixer calls back after its block.
        if (drained)
            drained();
    }
}
