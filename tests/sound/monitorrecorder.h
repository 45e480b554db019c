#pragma once
// Records a sink's monitor inside this process, in reads of a millisecond
// or so, and notes when each read arrived. A sample of the recording can
// then be placed on the steady clock of the calls that made it: it had
// arrived by the end of the read that brought it. Where a PipeWire server
// answers, its monitor is read natively, a 64-frame quantum at a time:
// through its PulseAudio service a reader gets 256 frames at once, which
// would add up to 5 ms to every arrival.

#include <atomic>
#include <memory>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct pa_simple;

class TMonitorRecorder {
public:
    using TClock = std::chrono::steady_clock;

    // Connects and starts reading on a thread of its own; check running().
    // quantum: what a PipeWire reader asks the graph for. The graph runs at
    // the smallest any stream asks for, so a figure of what another stream
    // makes the graph do asks for a long one, and its arrivals are then as
    // late as the graph's quantum.
    TMonitorRecorder(const std::string& source, int rate, int quantum = 64);
    ~TMonitorRecorder();

    bool running() const { return m_stream != nullptr || m_pipewire != nullptr; }
    const std::string& reason() const { return m_reason; }

    // Ends the reading; the recording is complete once this returns.
    void stop();
    const std::vector<float>& samples() const { return m_samples; }
    // While recording: how much has come in, and a copy of it from a sample on.
    std::size_t recorded() const;
    std::vector<float> copy(std::size_t from) const;
    // When the sample had reached this process; after stop().
    TClock::time_point arrival(std::size_t sample) const;

private:
    struct TRead {
        std::size_t end; // samples recorded after it
        TClock::time_point arrived;
    };

    struct TPipeWireCapture;

    void readloop();
    // The sink's name without ".monitor"; false where no PipeWire server answers.
    bool capturepipewire(const std::string& sink, int quantum);
    void arrived(const float* samples, std::size_t count);

    const int m_rate;
    pa_simple* m_stream = nullptr;
    std::unique_ptr<TPipeWireCapture> m_pipewire;
    std::string m_reason;
    std::atomic<bool> m_reading { false };
    std::thread m_thread;
    mutable std::mutex m_lock; // the samples against a reader while recording
    std::vector<float> m_samples;
    std::vector<TRead> m_reads;
};
