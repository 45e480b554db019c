#pragma once
// A stream of PipeWire's own (mono float frames at 48 kHz) that asks the
// graph for a small quantum and renders each quantum from the mixer when
// the graph asks for it. Nothing is written ahead, so there is nothing to
// take back: a command reaches the listener after the quantum being played
// and the one being rendered, a few milliseconds at 64 frames. A machine
// that misses such short quanta is asked for quanta of 256 frames, and a
// stream that has been silent for a while for long ones.
//
// A server that goes away is looked for again every second, and while the
// stream is not played (the server gone, the sink suspended or unplugged)
// the output renders on by the steady clock and drops what it renders, so
// waits still end on time. A server that is not there at the start is the
// libpulse output's business: this one is only chosen when PipeWire answers.

#include "sound/audiooutput.h"
#include "sound/quantumwatch.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct pw_core;
struct pw_buffer;
struct pw_context;
struct pw_registry;
struct pw_stream;
struct pw_thread_loop;
struct spa_source;

class TPipeWireOutput final : public TAudioOutput {
public:
    // Connects to the user's PipeWire server and opens the stream, waiting
    // a bounded time. Raises TVorkanaError with the reason when no server
    // answers, or it has no sink to play to (a desktop whose sound server is
    // PulseAudio runs PipeWire for video only).
    TPipeWireOutput();
    ~TPipeWireOutput() override;

    int rate() const override { return samplerate; }
    int leadframes() const override { return 0; }
    int historyframes() const override { return 0; }
    // Speech is gathered for the longest quantum the stream may come to ask for.
    int renderaheadframes() const override { return longestquantum; }
    void start(TMixer& mixer) override;
    void close() noexcept override;

private:
    static constexpr int samplerate = 48000;
    // What the stream asks the graph for: 1.3 ms a quantum, or 5.3 ms once
    // the graph has missed a short one (TQuantumWatch). A machine that
    // misses 64 frames misses 128 too, if less often. The graph runs at the
    // smallest quantum any of its streams asks for.
    static constexpr int shortestquantum = 64;
    static constexpr int longestquantum = 256;
    // A short quantum wakes the graph and this process every 1.3 ms, about
    // 3 % of a core on a program that only waits for a key. Once nothing
    // has sounded for a while the stream asks for 10.7 ms quanta, and for the
    // short ones again as soon as something is to sound: the first sound
    // after such a rest starts up to two long quanta late, and no later
    // sound does.
    static constexpr int restingquantum = 512;
    static constexpr std::int64_t restafterus = 10000000;

    struct TListeners;

    // With the loop locked: the connection and the stream, without waiting.
    bool beginconnection();
    bool beginstream();
    void dropconnection() noexcept;
    // Whether the server has a sink to play to; waits for its answer, a
    // bounded time, with the loop locked.
    bool hassink();
    void loadrealtime();
    // On the graph's thread: one quantum.
    void process();
    // On the loop's thread, a few times a second: notices, a lost server,
    // the clock while nobody plays the stream.
    void tick();
    void settick(int milliseconds);
    // On the loop's thread: the long quantum, once the graph has missed a short one.
    void lengthenquantum();
    // On the loop's thread: resting quanta after a quiet while, and the
    // working ones again when the graph's thread finds something to sound.
    void rest(std::int64_t now);
    void wake();
    int askedquantum() const;
    void askquantum();
    void runon(std::int64_t now);
    void reconnect(std::int64_t now);

    pw_thread_loop* m_loop = nullptr;
    pw_context* m_context = nullptr;
    pw_core* m_core = nullptr;
    pw_registry* m_registry = nullptr;
    pw_stream* m_stream = nullptr;
    spa_source* m_timer = nullptr;
    spa_source* m_wakeevent = nullptr;
    std::unique_ptr<TListeners> m_listeners;

    TMixer* m_mixer = nullptr;
    // The graph's thread and the loop's thread both render: one at a time.
    std::mutex m_renderlock;
    std::vector<float> m_block;
    std::atomic<bool> m_running { false };
    // Steady-clock microseconds of the last quantum the graph asked for.
    std::atomic<std::int64_t> m_lastprocess { 0 };
    std::atomic<std::int64_t> m_quantumus { 0 };
    std::atomic<bool> m_everplayed { false };
    TQuantumWatch m_watch; // the graph's thread only
    std::atomic<bool> m_missed { false }; // the graph missed a quantum
    int m_quantum = shortestquantum; // asked for while working; loop thread only
    // Steady-clock microseconds since which the graph's thread has found
    // nothing to sound; 0 while something sounds.
    std::atomic<std::int64_t> m_quietsince { 0 };
    std::atomic<bool> m_resting { false }; // set on the loop's thread
    std::atomic<bool> m_waking { false }; // the graph's thread asked for wake()
    // With the render lock: the loop's thread renders by the steady clock.
    bool m_runningon = false;
    std::int64_t m_runonframe = 0; // the frame heard at m_runonat
    std::int64_t m_runonat = 0;
    // Loop thread only.
    bool m_lost = false; // the server went away; reconnecting
    bool m_comingback = false; // connected again, not yet played
    bool m_stalled = false; // connected, but the graph does not ask for quanta
    int m_tickms = 0;
    std::int64_t m_nextattempt = 0;
    std::int64_t m_attemptdeadline = 0;
    // Answers to the start's questions, with the loop locked.
    int m_sinks = 0;
    int m_pendingsync = -1;
    bool m_synced = false;
    bool m_broken = false; // the core reported the connection gone
};
