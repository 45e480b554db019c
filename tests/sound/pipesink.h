#pragma once
// A sink that cannot rewind, as Bluetooth headphones and many sinks of real
// cards: PulseAudio's pipe sink, loaded on the running server as its
// default sink, whose pipe this process empties at the pace a device plays,
// a millisecond at a time. What the sink has mixed into the pipe is played
// as it is; the pipe's size is the sink's latency.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

class TPipeSink {
public:
    using TClock = std::chrono::steady_clock;

    // Loads the sink (mono floats at the rate) and starts taking from it;
    // check running().
    TPipeSink(int pipebytes, int rate);
    ~TPipeSink();

    bool running() const { return m_reader.joinable(); }
    const std::string& reason() const { return m_reason; }
    // The sink's latency: what its pipe holds.
    double latencyms() const { return 1000.0 * m_pipebytes / sizeof(float) / m_rate; }

    // Ends the taking; the samples are complete once this returns.
    void stop();
    const std::vector<float>& samples() const { return m_samples; }
    // When the sample was taken, as a device would play it; after stop().
    TClock::time_point taken(std::size_t sample) const;

private:
    void take();

    int m_rate;
    int m_pipebytes;
    std::string m_folder;
    std::string m_reason;
    int m_pipe = -1;
    bool m_loaded = false;
    std::atomic<bool> m_taking { true };
    std::vector<float> m_samples;
    std::vector<TClock::time_point> m_takenat; // per millisecond
    std::thread m_reader;
};
