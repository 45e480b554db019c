#include "sound/pulseoutput.h"

#include "runtime/errors.h"
#include "runtime/notices.h"
#include "sound/mixer.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <thread>
#include <utility>
#include <unistd.h>

namespace {

// What we keep written ahead of the listener: a busy machine may keep us
// from running for up to this, less one period, without a drop-out. A
// command rewrites it, so its length costs no responsiveness.
constexpr int depthms = 150;
// How often the stream is topped up: each time the server asks for more.
constexpr int periodms = 50;
// What the sink mixes ahead of the listener; it must be taken back on a
// command, and a sink that cannot take it back (or the first rendering,
// which its monitor shows) plays it: kept short, a junction's rewrite
// rarely meets a block already mixed.
constexpr int sinklatencyms = 5;
// The server asks for more each time the sink has played this much,
// however far ahead we have written, and each request wakes the stream's
// thread: so the top-ups ride on the requests, and a timer of our own
// wakes it only when they stop coming (a sink suspended, a server gone).
// Waking 70 times a second (20 ms requests and our own 50 ms timer) cost
// 0.6 to 0.9 % of a core in a waiting tone, 20 times 0.3 to 0.4 %.
constexpr int requestms = periodms;
constexpr int backstopms = periodms + periodms / 2;
// The latency the stream asks for: the server gives its sink half of what
// is left after two requests.
constexpr int streamlatencyms = 2 * sinklatencyms + 2 * requestms;
// Speech gathered before a text begins: the engine's next block is made
// while this plays.
constexpr int speechprimems = 20;
// From the command to the server rewinding its sink: a wake-up, a render of
// the buffer and one message.
constexpr double leadms = 0.3;
// A sink that keeps a latency deeper than this, far deeper than we ask for,
// does not follow us, and such sinks (Bluetooth, network tunnels, pipes) do not
// rewind: what they have mixed is played. The mixer's history then reaches
// back over that much more, up to the deepest.
constexpr int deepsinkms = 60;
constexpr int deepestsinkms = 480;
// A sink must report itself deep this long before it is taken to be: a
// sink that has just woken may report a latency it does not keep.
constexpr int deepsinkwaitms = 200;
// The server is asked for the stream's timing this often; it answers in
// a millisecond or so, and one that leaves a question unanswered this long
// sleeps (stopped, hung). libpulse queues everything written to such a
// server in our memory: a game's clicks rewrite what it holds some hundred
// times a second, 3 MB a second.
constexpr int askms = 500;
constexpr int answerlimitms = 1000;

std::int64_t steadymicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Real-time priority where the process may take it (its own limit, or as
// the superuser): the stream is topped up on time on a busy machine.
void raisepriority()
{
    int highest = 10;
    rlimit limit {};
    if (geteuid() != 0 && getrlimit(RLIMIT_RTPRIO, &limit) == 0)
        highest = std::min<int>(highest, static_cast<int>(limit.rlim_cur));
    if (highest <= 0)
        return;
    sched_param parameter {};
    parameter.sched_priority = highest;
    // On Linux the calling thread alone; a child process starts without it.
    sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &parameter);
}

}

struct TPulseOutput::TWakeFile {
    int descriptor = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    ~TWakeFile()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }
};

TPulseOutput::TPulseOutput()
{
    m_mainloop = pa_threaded_mainloop_new();
    if (!m_mainloop)
        throw TVorkanaError("The sound server cannot be reached: out of memory");
    m_buffer.resize(std::size_t(samplerate / 1000 * (depthms + 4 * periodms)));
    if (pa_threaded_mainloop_start(m_mainloop) < 0) {
        release();
        throw TVorkanaError("The sound server cannot be reached: its connection cannot be served");
    }
    pa_threaded_mainloop_lock(m_mainloop);
    m_startproblem = connectnow();
    if (!m_startproblem.empty()) {
        // Not there yet (a desktop that starts its server after us): the
        // clock runs on, and the server is looked for as after a loss.
        dropconnection();
        m_lost = true;
    }
    pa_threaded_mainloop_unlock(m_mainloop);
}

std::string TPulseOutput::connectnow()
{
    const auto why = [this](const char* reason) {
        return std::string(reason) + (m_context ? pa_strerror(pa_context_errno(m_context)) : "out of memory");
    };
    if (!beginconnection())
        return why("The sound server cannot be reached: ");
    if (!waitfor([](TPulseOutput& self) {
            auto state = pa_context_get_state(self.m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        }))
        return "The sound server cannot be reached: it does not answer";
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return why("The sound server cannot be reached: ");
    if (!beginstream())
        return why("The sound server refused the stream: ");
    if (!waitfor([](TPulseOutput& self) {
            auto state = pa_stream_get_state(self.m_stream);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        }))
        return "The sound server refused the stream: it does not answer";
    if (pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return why("The sound server refused the stream: ");
    return {};
}

bool TPulseOutput::beginconnection()
{
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Vorkana Basic Interpreter");
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "vorkana");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_mainloop), nullptr, properties);
    pa_proplist_free(properties);
    if (!m_context)
        return false;
    pa_context_set_state_callback(
        m_context, [](pa_context*, void* self) { pa_threaded_mainloop_signal(static_cast<TPulseOutput*>(self)->m_mainloop, 0); },
        this);
    return pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
}

bool TPulseOutput::beginstream()
{
    pa_sample_spec spec { PA_SAMPLE_FLOAT32NE, samplerate, 1 };
    pa_proplist* streamproperties = pa_proplist_new();
    pa_proplist_sets(streamproperties, PA_PROP_MEDIA_ROLE, "a11y");
    m_stream = pa_stream_new_with_proplist(m_context, "Speech and tones", &spec, nullptr, streamproperties);
    pa_proplist_free(streamproperties);
    if (!m_stream)
        return false;
    pa_stream_set_state_callback(
        m_stream, [](pa_stream*, void* self) { pa_threaded_mainloop_signal(static_cast<TPulseOutput*>(self)->m_mainloop, 0); },
        this);
    pa_stream_set_write_callback(
        m_stream, [](pa_stream*, std::size_t, void* self) { static_cast<TPulseOutput*>(self)->step(); }, this);
    const auto bytes = [](int milliseconds) { return std::uint32_t(samplerate / 1000 * milliseconds * sizeof(float)); };
    pa_buffer_attr attributes {};
    attributes.maxlength = std::uint32_t(-1);
    attributes.tlength = bytes(streamlatencyms);
    // Never wait for a fill before playing: the first key echo sounds at once,
    // and a late top-up costs its own gap only.
    attributes.prebuf = 0;
    attributes.minreq = bytes(requestms);
    attributes.fragsize = std::uint32_t(-1);
    auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
        | PA_STREAM_ADJUST_LATENCY | PA_STREAM_NOT_MONOTONIC);
    return pa_stream_connect_playback(m_stream, nullptr, &attributes, flags, nullptr, nullptr) >= 0;
}

void TPulseOutput::dropconnection() noexcept
{
    if (m_question) {
        pa_operation_cancel(m_question);
        pa_operation_unref(m_question);
        m_question = nullptr;
    }
    m_askedat = 0;
    m_unanswered = false;
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
            pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
}

bool TPulseOutput::streaming() const
{
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

TPulseOutput::~TPulseOutput()
{
    close();
}

int TPulseOutput::leadframes() const
{
    return static_cast<int>(samplerate * leadms / 1000);
}

int TPulseOutput::renderaheadframes() const
{
    return samplerate / 1000 * speechprimems;
}

int TPulseOutput::historyframes() const
{
    // Everything the server holds, and the periods the clock may lag by.
    return samplerate / 1000 * (depthms + 10 * periodms);
}

bool TPulseOutput::waitfor(bool (*ready)(TPulseOutput&))
{
    // A server that accepts the connection but never answers (stopped,
    // hung) must not hold the window at the start: a timer wakes the wait
    // at the limit, and the server is then looked for as after a loss.
    constexpr pa_usec_t limitus = 3000000;
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_mainloop);
    timeval deadline {};
    pa_timeval_add(pa_gettimeofday(&deadline), limitus);
    struct TLimit {
        pa_threaded_mainloop* mainloop;
        bool expired = false;
    } limit { m_mainloop };
    pa_time_event* timer = api->time_new(
        api, &deadline,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            auto* limit = static_cast<TLimit*>(data);
            limit->expired = true;
            pa_threaded_mainloop_signal(limit->mainloop, 0);
        },
        &limit);
    while (!ready(*this) && !limit.expired)
        pa_threaded_mainloop_wait(m_mainloop);
    api->time_free(timer);
    return ready(*this);
}

void TPulseOutput::start(TMixer& mixer)
{
    m_wake = std::make_shared<TWakeFile>();
    pa_threaded_mainloop_lock(m_mainloop);
    m_mixer = &mixer;
    m_running = true;
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_mainloop);
    if (m_wake->descriptor >= 0) {
        m_wakeevent = api->io_new(
            api, m_wake->descriptor, PA_IO_EVENT_INPUT,
            [](pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self) {
                std::uint64_t count = 0;
                while (read(fd, &count, sizeof count) > 0) { }
                static_cast<TPulseOutput*>(self)->step();
            },
            this);
        // Any thread: writing to the event wakes the server's thread without waiting for its lock.
        mixer.setchangelistener([wake = m_wake] {
            std::uint64_t one = 1;
            [[maybe_unused]] auto written = write(wake->descriptor, &one, sizeof one);
        });
    }
    timeval now {};
    m_timer = api->time_new(
        api, pa_gettimeofday(&now),
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
            auto output = static_cast<TPulseOutput*>(self);
            static thread_local bool raised = false;
            if (!raised) {
                raisepriority();
                raised = true;
            }
            output->step();
        },
        this);
    pa_threaded_mainloop_unlock(m_mainloop);
    // A sink that has just been woken may still play out what it rendered
    // before our stream came: the clock stands until the stream plays, so
    // the first sounds would pile up at its start. Wait for it, a while.
    auto giveup = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < giveup) {
        pa_threaded_mainloop_lock(m_mainloop);
        if (!streaming()) {
            pa_threaded_mainloop_unlock(m_mainloop);
            break;
        }
        // Read under the lock: the server's thread drops the stream when the
        // server goes away.
        const pa_timing_info* timing = pa_stream_get_timing_info(m_stream);
        bool playing = timing && timing->playing;
        pa_threaded_mainloop_unlock(m_mainloop);
        if (playing)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::int64_t TPulseOutput::heardframe(std::int64_t now)
{
    if (m_unanswered)
        return runonframe(now);
    // A suspended sink (another program took the card) plays nothing and
    // its clock stands; ours runs on, as when the server is gone, so waits
    // still end. Once it plays again its clock is set where ours is.
    if (streaming() && pa_stream_is_suspended(m_stream) == 1) {
        if (!m_suspended) {
            m_suspended = true;
            std::fprintf(stderr, "The sound device is taken by another program; tones, clicks and speech are silent until it is free.\n");
            tell(TNotice::devicetaken);
        }
        return runonframe(now);
    }
    if (m_suspended && streaming()) {
        m_suspended = false;
        m_resync = true;
        std::fprintf(stderr, "The sound device is free again; tones, clicks and speech sound again.\n");
        tell(TNotice::devicefree);
    }
    pa_usec_t position = 0;
    // Before the server first plays the stream its time runs on regardless.
    const pa_timing_info* timing = streaming() ? pa_stream_get_timing_info(m_stream) : nullptr;
    if (timing && timing->playing)
        m_played = true;
    if (m_played && streaming() && pa_stream_get_time(m_stream, &position) == 0) {
        const auto played = static_cast<std::int64_t>(position * samplerate / 1000000);
        if (m_resync) {
            m_resync = false;
            m_base = runonframe(now) - played;
            m_rewriteall = true;
        }
        m_lastheard = m_base + played;
        m_lastheardat = now;
        return m_lastheard;
    }
    // Not playing yet: the clock stands, and nothing is rendered further
    // ahead than the buffer's depth.
    if (streaming() || m_lastheardat == 0) {
        m_lastheardat = now;
        return m_lastheard;
    }
    return runonframe(now);
}

std::int64_t TPulseOutput::runonframe(std::int64_t now) const
{
    // The server is gone: the clock carries on from its last reading, so
    // waits still end on time.
    return m_lastheard + (now - m_lastheardat) * samplerate / 1000000;
}

void TPulseOutput::step()
{
    if (!m_running)
        return;
    const std::int64_t now = steadymicroseconds();
    if (std::exchange(m_reopen, false)) {
        dropconnection();
        m_lost = true;
        m_nextattempt = now;
    }
    bool resumed = (m_lost || !streaming()) && reconnect(now);
    askserver(now);
    const std::int64_t heard = heardframe(now);
    // Back from a suspension: what the server held was for moments that
    // have passed, and is written over from the frame being heard.
    resumed = std::exchange(m_rewriteall, false) || resumed;
    m_mixer->setclock(heard, TMixerClock::time_point(std::chrono::microseconds(now)));

    std::int64_t rendered = m_mixer->renderedframes();
    const std::int64_t target = heard + samplerate / 1000 * depthms + followsink(now);
    auto change = m_mixer->takechange();
    // A stream opened again holds nothing: it is given all from the frame
    // being heard, as after a command.
    if (resumed)
        change = heard;
    if (change) {
        // What the server holds from the change on is rendered again and
        // replaces what it had: the server rewinds what it already mixed.
        std::int64_t from = std::max(*change, heard);
        std::int64_t resumed = m_mixer->rewind(from);
        while (resumed < from) {
            int frames = static_cast<int>(std::min<std::int64_t>(from - resumed, std::int64_t(m_buffer.size())));
            m_mixer->render(m_buffer.data(), frames);
            resumed += frames;
        }
        writeframes(from, std::max(target, rendered));
    } else if (rendered < target) {
        writeframes(rendered, target);
    }
    m_mixer->checknotices();
    schedule();
}

std::int64_t TPulseOutput::followsink(std::int64_t now)
{
    const pa_timing_info* timing = streaming() && !m_suspended ? pa_stream_get_timing_info(m_stream) : nullptr;
    const std::int64_t sinkms = timing ? std::int64_t(timing->sink_usec) / 1000 : 0;
    // The deepest the sink has been, not its latest reading: such a sink's
    // latency swings by tens of milliseconds, and a lead that followed it
    // would move each command's frame, and shorten a note by as much.
    std::int64_t fixedahead = m_fixedahead;
    if (sinkms <= deepsinkms) {
        m_deepsince = 0;
        fixedahead = 0;
    } else if (m_deepsince == 0) {
        m_deepsince = now;
    } else if (now - m_deepsince >= deepsinkwaitms * 1000) {
        fixedahead = std::max(fixedahead, std::min<std::int64_t>(sinkms, deepestsinkms) * samplerate / 1000);
    }
    if (fixedahead != m_fixedahead) {
        m_fixedahead = fixedahead;
        // What was written that far ahead may still be rewound once the
        // sink is shallow again: the history never shrinks.
        m_reachback = std::max(m_reachback, fixedahead);
        m_mixer->setreach(leadframes() + static_cast<int>(fixedahead), historyframes() + static_cast<int>(m_reachback));
    }
    return m_fixedahead;
}

void TPulseOutput::askserver(std::int64_t now)
{
    if (!streaming())
        return;
    if (m_question && pa_operation_get_state(m_question) == PA_OPERATION_RUNNING) {
        if (!m_unanswered && now - m_askedat >= answerlimitms * 1000) {
            m_unanswered = true;
            std::fprintf(stderr, "The sound server does not answer; tones, clicks and speech are silent until it does.\n");
            tell(TNotice::soundnotanswering);
        }
        return;
    }
    if (m_question) {
        pa_operation_unref(m_question);
        m_question = nullptr;
    }
    if (now - m_askedat < askms * 1000)
        return;
    m_askedat = now;
    m_question = pa_stream_update_timing_info(
        m_stream,
        [](pa_stream*, int success, void* self) {
            // libpulse gives up on a question after 30 s and calls with no success.
            if (success)
                static_cast<TPulseOutput*>(self)->answered();
        },
        this);
}

void TPulseOutput::answered()
{
    if (!m_unanswered)
        return;
    // The stream's clock is not to be trusted after such a sleep: libpulse's
    // interpolation ran on meanwhile and comes back seconds off, then
    // wanders. The stream is opened anew, as after a loss, from the frame
    // our clock has run on to; not here, inside the connection's own call.
    m_unanswered = false;
    m_reopen = true;
}

bool TPulseOutput::reconnect(std::int64_t now)
{
    constexpr std::int64_t retryus = 1000000;
    constexpr std::int64_t attemptus = 5000000;
    if (!m_lost) {
        m_lost = true;
        m_nextattempt = now + retryus;
        std::fprintf(stderr, "The sound server went away; tones, clicks and speech are silent until it is back.\n");
        tell(TNotice::soundlost);
        dropconnection();
        return false;
    }
    if (streaming()) {
        resume(now);
        return true;
    }
    const bool connecting = m_context && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context))
        && (!m_stream || PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)));
    if (connecting && now < m_attemptdeadline) {
        if (pa_context_get_state(m_context) == PA_CONTEXT_READY && !m_stream && !beginstream())
            dropconnection();
        return false;
    }
    // A failed attempt, or one the server does not answer, is given up and
    // made again a second later.
    dropconnection();
    if (now < m_nextattempt)
        return false;
    m_nextattempt = now + retryus;
    m_attemptdeadline = now + attemptus;
    if (!beginconnection())
        dropconnection();
    return false;
}

void TPulseOutput::resume(std::int64_t now)
{
    // The new stream begins at the frame the clock has run on to; its own
    // clock stands until the server plays it.
    m_lastheard = runonframe(now);
    m_lastheardat = now;
    m_base = m_lastheard;
    m_lost = false;
    m_played = false;
    m_fadein = true;
    if (m_startproblem.empty())
        std::fprintf(stderr, "The sound server is back; tones, clicks and speech sound again.\n");
    else
        std::fprintf(stderr, "The sound server is there now; tones, clicks and speech sound.\n");
    m_startproblem.clear();
    tell(TNotice::soundback);
}

void TPulseOutput::writeframes(std::int64_t from, std::int64_t to)
{
    // A suspended sink takes nothing, nor does a server that sleeps; what we
    // would give them is for moments that will have passed when they play again.
    const bool streaming = this->streaming() && !m_suspended && !m_unanswered;
    bool first = true;
    while (from < to) {
        int frames = static_cast<int>(std::min<std::int64_t>(to - from, std::int64_t(m_buffer.size())));
        m_mixer->render(m_buffer.data(), frames);
        if (first && m_fadein) {
            // A stream opened again mid-tone starts softly, not with a click.
            m_fadein = false;
            const int fade = std::min(frames, m_mixer->fadeframes());
            for (int frame = 0; frame < fade; ++frame)
                m_buffer[std::size_t(frame)] *= float(frame) / float(fade);
        }
        if (streaming)
            pa_stream_write(m_stream, m_buffer.data(), std::size_t(frames) * sizeof(float), nullptr,
                first ? (from - m_base) * std::int64_t(sizeof(float)) : 0, first ? PA_SEEK_ABSOLUTE : PA_SEEK_RELATIVE);
        first = false;
        from += frames;
    }
}

void TPulseOutput::schedule()
{
    std::chrono::microseconds wait = std::chrono::milliseconds(streaming() ? backstopms : periodms);
    // A text's end is reported when it is heard, not a period later.
    if (auto notice = m_mixer->pendingnotice()) {
        auto until = std::chrono::duration_cast<std::chrono::microseconds>(m_mixer->heardtime(*notice) - TMixerClock::now());
        wait = std::clamp(until, std::chrono::microseconds(500), wait);
    }
    if (auto held = m_mixer->helddeadline()) {
        auto until = std::chrono::duration_cast<std::chrono::microseconds>(*held - TMixerClock::now());
        wait = std::clamp(until, std::chrono::microseconds(100), wait);
    }
    timeval next {};
    pa_gettimeofday(&next);
    pa_timeval_add(&next, static_cast<pa_usec_t>(wait.count()));
    pa_threaded_mainloop_get_api(m_mainloop)->time_restart(m_timer, &next);
}

void TPulseOutput::close() noexcept
{
    if (!m_mainloop)
        return;
    pa_threaded_mainloop_lock(m_mainloop);
    m_running = false;
    if (m_mixer)
        m_mixer->setchangelistener(nullptr);
    pa_threaded_mainloop_unlock(m_mainloop);
    release();
}

void TPulseOutput::release() noexcept
{
    if (!m_mainloop)
        return;
    pa_threaded_mainloop_stop(m_mainloop);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_mainloop);
    if (m_timer)
        api->time_free(m_timer);
    if (m_wakeevent)
        api->io_free(m_wakeevent);
    m_timer = nullptr;
    m_wakeevent = nullptr;
    dropconnection();
    pa_threaded_mainloop_free(m_mainloop);
    m_mainloop = nullptr;
    m_wake.reset();
}
