#pragma once
// A speech stream that keeps every sample written and plays them out on its
// own thread, block by block, faster than real time by the given factor,
// calling the drained callback from that thread as the mixer's audio thread
// would (and, like the mixer, not after a clear). Used by the engine tests.

#include "sound/speechstream.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class TCapturingSpeechStream final : public TSpeechStream {
public:
    // blockframes at rate samples per second; speedup 1 plays in real time.
    TCapturingSpeechStream(int blockframes, double speedup);
    ~TCapturingSpeechStream() override;

    void write(const std::int16_t* samples, std::size_t count, int rate) override;
    std::size_t flush() override { return 0; }
    void clear() override;
    void setdrainedcallback(std::function<void()> drained) override;

    // A copy of the drained callback, as the mixer takes one to call it
    // outside its lock.
    std::function<void()> drainedcallback() const;
    std::vector<std::int16_t> written() const;
    std::size_t queued() const;
    int clears() const;
    int rate() const { return m_rate.load(); }
    // Samples written after the last clear.
    std::size_t writtensinceclear() const;
    // When the first sample was played (heard), or the epoch when none yet.
    std::chrono::steady_clock::time_point firstheard() const;
    void forgetfirstheard();

private:
    void play();

    mutable std::mutex m_mutex;
    std::vector<std::int16_t> m_written;
    std::size_t m_queued = 0;
    std::size_t m_sinceclear = 0;
    int m_clears = 0;
    bool m_wrote = false;
    std::chrono::steady_clock::time_point m_firstheard {};
    std::function<void()> m_drained;
    std::atomic<int> m_rate { 22050 };
    int m_blockframes;
    double m_speedup;
    std::atomic<bool> m_stopping { false };
    std::thread m_player;
};
