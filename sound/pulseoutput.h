#pragma once
// The sound server's stream (PulseAudio, or PipeWire's server for its
// clients): mono float frames at 48 kHz, kept some tens of milliseconds
// ahead of what is heard so that a busy machine never starves it. A command
// does not wait for that buffer to play out: the output rewinds the mixer
// to the command's frame, a fraction of a millisecond after the one being
// heard, renders again and writes over what the server holds from there,
// and the server takes back what it had already mixed. A key therefore
// silences within about a millisecond, and a text starts as fast.
//
// A server that goes away (killed, restarted), or is not there yet when the
// program starts, is looked for again every second; meanwhile the clock
// runs on, so waits still end on time, and once it is there the stream
// carries on from the frame being heard. A server that is there but does
// not answer (stopped, hung) is given nothing until it answers: what we
// wrote would wait in our own memory, without bound.

#include "sound/audiooutput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct pa_context;
struct pa_io_event;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;

class TPulseOutput final : public TAudioOutput {
public:
    // Connects to the user's sound server (never starts one) and opens the
    // stream; a server that is not there is looked for from then on, and
    // startproblem() says why it was not. Raises TVorkanaError only when
    // the connection cannot be served at all (out of memory).
    TPulseOutput();
    ~TPulseOutput() override;

    int rate() const override { return samplerate; }
    int leadframes() const override;
    int historyframes() const override;
    int renderaheadframes() const override;
    void start(TMixer& mixer) override;
    // Why the server was not found at the start; empty when it was.
    const std::string& startproblem() const { return m_startproblem; }
    void close() noexcept override;

private:
    static constexpr int samplerate = 48000;

    // With the loop locked: connects and opens the stream, waiting for
    // both; the reason when it cannot, empty when the stream is ready.
    std::string connectnow();
    // Whether it became ready within a bounded wait.
    bool waitfor(bool (*ready)(TPulseOutput&));
    void release() noexcept;
    // Begin connecting, without waiting: the context, then its stream.
    bool beginconnection();
    bool beginstream();
    void dropconnection() noexcept;
    bool streaming() const;
    // On the server's thread while the stream is gone: tries again; true
    // when a new stream has just become ready.
    bool reconnect(std::int64_t now);
    void resume(std::int64_t now);
    // On the server's thread: follows the clock, answers commands, tops up.
    void step();
    void writeframes(std::int64_t from, std::int64_t to);
    void schedule();
    std::int64_t heardframe(std::int64_t now);
    std::int64_t runonframe(std::int64_t now) const;
    // Puts a question to the server now and then, and takes one it leaves
    // unanswered too long for a server that sleeps.
    void askserver(std::int64_t now);
    void answered();
    // What the sink has mixed that we cannot take back, in frames: nothing
    // for a sink that follows the latency we ask for; all it holds for one
    // that keeps its own deep latency (Bluetooth, a network, a pipe).
    std::int64_t followsink(std::int64_t now);

    pa_threaded_mainloop* m_mainloop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    // An event file that wakes the server's thread; the mixer's listener
    // holds it too, so a command in flight never writes to a closed one.
    struct TWakeFile;
    std::shared_ptr<TWakeFile> m_wake;
    pa_io_event* m_wakeevent = nullptr;
    pa_time_event* m_timer = nullptr;
    TMixer* m_mixer = nullptr;
    std::vector<float> m_buffer;
    bool m_running = false;
    bool m_lost = false; // the server went away, or was not there; reconnecting
    bool m_suspended = false; // the sink plays nothing; our clock runs on
    bool m_resync = false; // the sink plays again: set its clock where ours is
    pa_operation* m_question = nullptr; // the server's timing, asked for
    std::int64_t m_askedat = 0; // microseconds, steady clock
    bool m_unanswered = false; // the server sleeps; our clock runs on
    bool m_reopen = false; // it answers again: its stream is opened anew
    bool m_rewriteall = false;
    std::string m_startproblem;
    std::int64_t m_nextattempt = 0; // microseconds, steady clock
    std::int64_t m_attemptdeadline = 0;
    bool m_played = false; // the server has begun to play the stream
    // The mixer's frame at the start of the current stream: a stream opened
    // again after the server came back counts from 0.
    std::int64_t m_base = 0;
    bool m_fadein = false;
    // The last reading of the server's clock, to carry on from if it stops answering.
    std::int64_t m_lastheard = 0;
    std::int64_t m_lastheardat = 0; // microseconds, steady clock
    std::int64_t m_fixedahead = 0; // frames; see followsink()
    std::int64_t m_reachback = 0; // the deepest m_fixedahead so far
    std::int64_t m_deepsince = 0; // microseconds, steady clock; 0 while shallow
};
