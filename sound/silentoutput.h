#pragma once
// The output used when no audio device opens (no sound server, CI): it asks
// for blocks at the pace of the clock and drops them, so everything that
// waits for a sound to be heard still waits exactly as long.

#include "sound/audiooutput.h"

#include <atomic>
#include <thread>

class TSilentOutput final : public TAudioOutput {
public:
    TSilentOutput();
    ~TSilentOutput() override;

    int rate() const override { return 48000; }
    int blockframes() const override { return 256; }
    int latencyframes() const override { return 0; }
    void start(TRenderer renderer) override;
    void close() noexcept override;

private:
    std::atomic<bool> m_running { false };
    std::thread m_thread;
};
