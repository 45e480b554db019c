#pragma once
// The output used when no sound server answers (CI, a bare system): it pulls
// blocks at the pace of the clock and drops them, so everything that waits
// for a sound to be heard still waits exactly as long.

#include "sound/audiooutput.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class TSilentOutput final : public TAudioOutput {
public:
    TSilentOutput() = default;
    ~TSilentOutput() override;

    int rate() const override { return 48000; }
    int leadframes() const override { return 0; }
    int historyframes() const override { return 0; }
    void start(TMixer& mixer) override;
    void close() noexcept override;

private:
    static constexpr int blockframes = 256;

    std::mutex m_lock;
    std::condition_variable m_closed;
    bool m_running = false;
    std::thread m_thread;
};
