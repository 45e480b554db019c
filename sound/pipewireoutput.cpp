#include "sound/pipewireoutput.h"

#include "runtime/errors.h"
#include "runtime/notices.h"
#include "sound/mixer.h"

#include <pipewire/impl.h>
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <string>
#include <thread>
#include <utility>

namespace {

// How long the start waits for each of the server's answers. A server
// that answers at all answers in milliseconds.
constexpr int answerms = 1500;
// How often the loop's thread runs the clock on while nobody plays the
// stream (a wait for a sound ends this late at most), and how often it
// looks at a stream that plays: each wake-up costs processor time.
constexpr int runontickms = 5;
constexpr int watchtickms = 50;
// The graph has stopped asking for quanta when it has not for this long
// (or for a few of its quanta, if they are longer); on a loaded machine it
// misses its time by some tens of milliseconds now and then.
constexpr std::int64_t stallus = 150000;
// A sink that stays away this long was suspended or taken away: the user
// is told.
constexpr std::int64_t takenus = 1000000;
// A stream just connected is given this long to be linked and played
// before the clock runs on without it.
constexpr std::int64_t linkgraceus = 300000;
constexpr std::int64_t retryus = 1000000;
// A connection to a server that came back, given up and made again if its
// stream is not linked by then.
constexpr std::int64_t attemptus = 5000000;

std::int64_t steadymicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The quantum a stream asks the graph for, as the node's latency.
std::string nodelatency(int quantum, int rate)
{
    return std::to_string(quantum) + "/" + std::to_string(rate);
}

void initialiseonce()
{
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

void removehook(spa_hook& hook)
{
    if (hook.link.next)
        spa_hook_remove(&hook);
    hook = spa_hook {};
}

}

struct TPipeWireOutput::TListeners {
    spa_hook core {};
    spa_hook registry {};
    spa_hook stream {};
    pw_core_events coreevents {};
    pw_registry_events registryevents {};
    pw_stream_events streamevents {};
};

TPipeWireOutput::TPipeWireOutput()
    : m_listeners(std::make_unique<TListeners>())
{
    initialiseonce();
    auto& listeners = *m_listeners;
    listeners.coreevents.version = PW_VERSION_CORE_EVENTS;
    listeners.coreevents.done = [](void* self, std::uint32_t id, int sequence) {
        auto output = static_cast<TPipeWireOutput*>(self);
        if (id == PW_ID_CORE && sequence == output->m_pendingsync) {
            output->m_synced = true;
            pw_thread_loop_signal(output->m_loop, false);
        }
    };
    listeners.coreevents.error = [](void* self, std::uint32_t id, int, int result, const char*) {
        auto output = static_cast<TPipeWireOutput*>(self);
        // Only the connection's own end matters here; an object's error
        // reaches the stream's state.
        if (id == PW_ID_CORE && result == -EPIPE) {
            output->m_broken = true;
            pw_thread_loop_signal(output->m_loop, false);
        }
    };
    listeners.registryevents.version = PW_VERSION_REGISTRY_EVENTS;
    listeners.registryevents.global = [](void* self, std::uint32_t, std::uint32_t, const char* type, std::uint32_t,
                                          const spa_dict* properties) {
        if (std::strcmp(type, PW_TYPE_INTERFACE_Node) != 0 || !properties)
            return;
        const char* kind = spa_dict_lookup(properties, PW_KEY_MEDIA_CLASS);
        if (kind && std::strcmp(kind, "Audio/Sink") == 0)
            ++static_cast<TPipeWireOutput*>(self)->m_sinks;
    };
    listeners.streamevents.version = PW_VERSION_STREAM_EVENTS;
    listeners.streamevents.state_changed = [](void* self, pw_stream_state, pw_stream_state state, const char*) {
        auto output = static_cast<TPipeWireOutput*>(self);
        if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
            output->m_broken = true;
        pw_thread_loop_signal(output->m_loop, false);
    };
    listeners.streamevents.process = [](void* self) { static_cast<TPipeWireOutput*>(self)->process(); };

    m_block.resize(8192);
    m_loop = pw_thread_loop_new("vorkana-sound", nullptr);
    if (m_loop) {
        m_context = pw_context_new(pw_thread_loop_get_loop(m_loop),
            pw_properties_new(PW_KEY_APP_NAME, "Vorkana Basic Interpreter", PW_KEY_APP_ID, "vorkana", nullptr), 0);
    }
    if (!m_loop || !m_context || pw_thread_loop_start(m_loop) < 0) {
        close();
        throw TVorkanaError("PipeWire cannot be reached: its connection cannot be served");
    }
    std::string problem;
    pw_thread_loop_lock(m_loop);
    if (!beginconnection())
        problem = std::string("No PipeWire server answers: ") + std::strerror(errno);
    else if (!hassink())
        problem = "The PipeWire server has no sound output";
    else {
        loadrealtime();
        timespec deadline {};
        pw_thread_loop_get_time(m_loop, &deadline, std::int64_t(answerms) * SPA_NSEC_PER_MSEC);
        pw_stream_state state = PW_STREAM_STATE_ERROR;
        if (beginstream())
            while ((state = pw_stream_get_state(m_stream, nullptr)) == PW_STREAM_STATE_CONNECTING && !m_broken)
                if (pw_thread_loop_timed_wait_full(m_loop, &deadline) != 0)
                    break;
        if (state != PW_STREAM_STATE_PAUSED && state != PW_STREAM_STATE_STREAMING)
            problem = "The PipeWire server refused the stream";
    }
    pw_thread_loop_unlock(m_loop);
    if (!problem.empty()) {
        close();
        throw TVorkanaError(problem);
    }
}

TPipeWireOutput::~TPipeWireOutput()
{
    close();
}

bool TPipeWireOutput::beginconnection()
{
    m_broken = false;
    m_core = pw_context_connect(m_context, nullptr, 0);
    if (!m_core)
        return false;
    pw_core_add_listener(m_core, &m_listeners->core, &m_listeners->coreevents, this);
    return true;
}

bool TPipeWireOutput::hassink()
{
    m_sinks = 0;
    m_synced = false;
    m_registry = pw_core_get_registry(m_core, PW_VERSION_REGISTRY, 0);
    if (!m_registry)
        return false;
    pw_registry_add_listener(m_registry, &m_listeners->registry, &m_listeners->registryevents, this);
    // The server lists every object before it answers the sync.
    m_pendingsync = pw_core_sync(m_core, PW_ID_CORE, 0);
    timespec deadline {};
    pw_thread_loop_get_time(m_loop, &deadline, std::int64_t(answerms) * SPA_NSEC_PER_MSEC);
    while (!m_synced && !m_broken)
        if (pw_thread_loop_timed_wait_full(m_loop, &deadline) != 0)
            break;
    removehook(m_listeners->registry);
    pw_proxy_destroy(reinterpret_cast<pw_proxy*>(m_registry));
    m_registry = nullptr;
    return m_synced && m_sinks > 0;
}

void TPipeWireOutput::loadrealtime()
{
    // How the graph's thread of this process is given real-time priority
    // (RealtimeKit on a desktop, or the process's own limit); a later
    // libpipewire loads it by itself. Without it the stream still plays.
    pw_context_load_module(m_context, "libpipewire-module-rt", nullptr, nullptr);
}

bool TPipeWireOutput::beginstream()
{
    pw_properties* properties = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback",
        PW_KEY_MEDIA_ROLE, "Accessibility", PW_KEY_NODE_NAME, "vorkana", nullptr);
    pw_properties_set(properties, PW_KEY_NODE_LATENCY, nodelatency(askedquantum(), samplerate).c_str());
    m_stream = pw_stream_new(m_core, "Speech and tones", properties);
    if (!m_stream)
        return false;
    pw_stream_add_listener(m_stream, &m_listeners->stream, &m_listeners->streamevents, this);
    std::uint8_t space[1024];
    spa_pod_builder builder {};
    spa_pod_builder_init(&builder, space, sizeof space);
    spa_audio_info_raw format {};
    format.format = SPA_AUDIO_FORMAT_F32;
    format.rate = samplerate;
    format.channels = 1;
    format.position[0] = SPA_AUDIO_CHANNEL_MONO;
    const spa_pod* parameters[] = { spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format) };
    // The graph's real-time thread renders each quantum itself: a hop to the
    // loop's thread would cost a wake-up per quantum and its delay.
    auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
    m_lastprocess = steadymicroseconds() + linkgraceus - stallus;
    return pw_stream_connect(m_stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, parameters, 1) >= 0;
}

void TPipeWireOutput::dropconnection() noexcept
{
    if (m_stream) {
        removehook(m_listeners->stream);
        pw_stream_destroy(m_stream);
        m_stream = nullptr;
    }
    if (m_registry) {
        removehook(m_listeners->registry);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(m_registry));
        m_registry = nullptr;
    }
    if (m_core) {
        removehook(m_listeners->core);
        pw_core_disconnect(m_core);
        m_core = nullptr;
    }
    m_broken = false;
}

void TPipeWireOutput::start(TMixer& mixer)
{
    {
        std::lock_guard guard(m_renderlock);
        m_mixer = &mixer;
        m_running = true;
    }
    pw_thread_loop_lock(m_loop);
    pw_loop* loop = pw_thread_loop_get_loop(m_loop);
    m_timer = pw_loop_add_timer(
        loop, [](void* self, std::uint64_t) { static_cast<TPipeWireOutput*>(self)->tick(); }, this);
    m_wakeevent = pw_loop_add_event(
        loop, [](void* self, std::uint64_t) { static_cast<TPipeWireOutput*>(self)->wake(); }, this);
    settick(runontickms);
    pw_thread_loop_unlock(m_loop);
    // The first sounds are placed by the graph's clock: wait, a while, for
    // its first quantum, or for the clock to run on without it.
    const auto giveup = std::chrono::steady_clock::now() + std::chrono::microseconds(linkgraceus + 50000);
    while (std::chrono::steady_clock::now() < giveup && !m_everplayed)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void TPipeWireOutput::process()
{
    // Each quantum has a millisecond or so to be ready: the graph's thread
    // of this process runs at real-time priority where the system grants it.
    static thread_local bool raised = false;
    if (!std::exchange(raised, true))
        if (auto utilities = static_cast<spa_thread_utils*>(pw_context_get_object(m_context, SPA_TYPE_INTERFACE_ThreadUtils)))
            spa_thread_utils_acquire_rt(utilities, reinterpret_cast<spa_thread*>(pthread_self()), -1);
    pw_buffer* buffer = pw_stream_dequeue_buffer(m_stream);
    if (!buffer)
        return;
    spa_data& data = buffer->buffer->datas[0];
    if (!data.data || !data.chunk) {
        pw_stream_queue_buffer(m_stream, buffer);
        return;
    }
    int frames = static_cast<int>(data.maxsize / sizeof(float));
    if (buffer->requested)
        frames = std::min(frames, static_cast<int>(buffer->requested));
    auto output = static_cast<float*>(data.data);
    const std::int64_t now = steadymicroseconds();
    pw_time time {};
    // The first frame of this quantum is heard the graph's delay after the
    // cycle began.
    int latency = 0;
    TMixerClock::time_point cycle { std::chrono::microseconds(now) };
    if (pw_stream_get_time_n(m_stream, &time, sizeof time) == 0 && time.rate.denom > 0) {
        latency = static_cast<int>(time.delay * samplerate * time.rate.num / time.rate.denom + std::int64_t(time.buffered));
        if (time.now > 0)
            cycle = TMixerClock::time_point(std::chrono::duration_cast<TMixerClock::duration>(std::chrono::nanoseconds(time.now)));
        if (time.rate.num == 1 && m_watch.quantum(time.ticks, int(time.rate.denom), frames, samplerate, now))
            m_missed = true;
    }
    {
        std::lock_guard guard(m_renderlock);
        if (m_running && m_mixer) {
            if (!m_mixer->quiet()) {
                m_quietsince = 0;
                if (m_resting && !m_waking.exchange(true))
                    pw_loop_signal_event(pw_thread_loop_get_loop(m_loop), m_wakeevent);
            } else if (m_quietsince == 0) {
                m_quietsince = now;
            }
            m_mixer->renderblock(output, frames, cycle, latency);
            if (std::exchange(m_runningon, false)) {
                // A stream that plays again mid-tone starts softly, not with a click.
                const int fade = std::min(frames, m_mixer->fadeframes());
                for (int frame = 0; frame < fade; ++frame)
                    output[frame] *= float(frame) / float(fade);
            }
        } else {
            std::fill(output, output + frames, 0.0f);
        }
    }
    m_quantumus = std::int64_t(frames) * 1000000 / samplerate;
    m_lastprocess = now;
    m_everplayed = true;
    data.chunk->offset = 0;
    data.chunk->stride = sizeof(float);
    data.chunk->size = std::uint32_t(frames * sizeof(float));
    pw_stream_queue_buffer(m_stream, buffer);
}

void TPipeWireOutput::settick(int milliseconds)
{
    if (milliseconds == m_tickms)
        return;
    m_tickms = milliseconds;
    timespec first { 0, 1 };
    timespec interval { 0, milliseconds * 1000000L };
    pw_loop_update_timer(pw_thread_loop_get_loop(m_loop), m_timer, &first, &interval, false);
}

void TPipeWireOutput::tick()
{
    if (!m_running)
        return;
    const std::int64_t now = steadymicroseconds();
    if (m_lost || m_broken)
        reconnect(now);
    const std::int64_t idle = now - m_lastprocess;
    const bool driven = !m_lost && idle < std::max(stallus, 4 * m_quantumus.load());
    if (driven) {
        if (m_comingback) {
            m_comingback = false;
            m_stalled = false;
            std::fprintf(stderr, "The sound server is back; tones, clicks and speech sound again.\n");
            tell(TNotice::soundback);
        } else if (m_stalled) {
            m_stalled = false;
            std::fprintf(stderr, "The sound device is free again; tones, clicks and speech sound again.\n");
            tell(TNotice::devicefree);
        }
        lengthenquantum();
        rest(now);
        settick(watchtickms);
        return;
    }
    // Connected, and played before, but nobody asks for quanta: the sink
    // was suspended or taken away.
    if (!m_lost && !m_comingback && !m_stalled && m_everplayed && idle >= takenus) {
        m_stalled = true;
        std::fprintf(stderr, "The sound device is taken by another program; tones, clicks and speech are silent until it is free.\n");
        tell(TNotice::devicetaken);
    }
    settick(runontickms);
    runon(now);
}

void TPipeWireOutput::lengthenquantum()
{
    if (!m_missed.exchange(false) || m_quantum >= longestquantum || !m_stream)
        return;
    m_quantum = longestquantum;
    askquantum();
    std::fprintf(stderr, "The sound graph missed a quantum; the stream now asks for %d-frame quanta.\n", m_quantum);
}

void TPipeWireOutput::rest(std::int64_t now)
{
    const std::int64_t quietsince = m_quietsince;
    if (m_resting || quietsince == 0 || now - quietsince < restafterus)
        return;
    m_resting = true;
    // The first text after the rest is gathered for a whole long quantum,
    // or its second block could come after the quantum that plays its first.
    m_mixer->setspeechprime(restingquantum);
    askquantum();
}

void TPipeWireOutput::wake()
{
    m_waking = false;
    if (!m_resting.exchange(false))
        return;
    m_mixer->setspeechprime(renderaheadframes());
    askquantum();
}

int TPipeWireOutput::askedquantum() const
{
    return m_resting ? restingquantum : m_quantum;
}

void TPipeWireOutput::askquantum()
{
    if (!m_stream)
        return;
    const std::string latency = nodelatency(askedquantum(), samplerate);
    const spa_dict_item item = SPA_DICT_ITEM_INIT(PW_KEY_NODE_LATENCY, latency.c_str());
    const spa_dict properties = SPA_DICT_INIT(&item, 1);
    pw_stream_update_properties(m_stream, &properties);
}

void TPipeWireOutput::runon(std::int64_t now)
{
    std::lock_guard guard(m_renderlock);
    if (!m_mixer)
        return;
    const TMixerClock::time_point at { std::chrono::microseconds(now) };
    if (!m_runningon) {
        // Carry on from where the graph's clock had got to.
        m_runningon = true;
        const std::int64_t rendered = m_mixer->renderedframes();
        const double ahead = std::chrono::duration<double>(m_mixer->heardtime(rendered) - at).count();
        m_runonframe = rendered - std::clamp<std::int64_t>(std::llround(ahead * samplerate), 0, samplerate);
        m_runonat = now;
    }
    const std::int64_t heard = m_runonframe + (now - m_runonat) * samplerate / 1000000;
    // Rendered, and dropped, up to the frame heard: lengths stay exact and
    // the ends of sounds are reached.
    for (std::int64_t rendered = m_mixer->renderedframes(); rendered < heard;) {
        const int frames = static_cast<int>(std::min<std::int64_t>(heard - rendered, std::int64_t(m_block.size())));
        m_mixer->render(m_block.data(), frames);
        rendered += frames;
    }
    m_mixer->setclock(heard, at);
    m_mixer->checknotices();
}

void TPipeWireOutput::reconnect(std::int64_t now)
{
    if (!m_lost) {
        m_lost = true;
        m_comingback = false;
        m_nextattempt = now + retryus;
        std::fprintf(stderr, "The sound server went away; tones, clicks and speech are silent until it is back.\n");
        tell(TNotice::soundlost);
        dropconnection();
        return;
    }
    if (m_core && !m_broken) {
        // Connected again: the clock runs on until the graph plays the new stream.
        const auto state = pw_stream_get_state(m_stream, nullptr);
        if (state == PW_STREAM_STATE_PAUSED || state == PW_STREAM_STATE_STREAMING) {
            m_lost = false;
            m_comingback = true;
            return;
        }
        if (now < m_attemptdeadline)
            return;
    }
    // A failed attempt, or one the server does not answer, is given up and
    // made again a second later.
    dropconnection();
    if (now < m_nextattempt)
        return;
    m_nextattempt = now + retryus;
    m_attemptdeadline = now + attemptus;
    if (!beginconnection() || !beginstream())
        dropconnection();
}

void TPipeWireOutput::close() noexcept
{
    if (!m_loop)
        return;
    pw_thread_loop_lock(m_loop);
    {
        // A quantum being rendered is finished first; none after it.
        std::lock_guard guard(m_renderlock);
        m_running = false;
    }
    pw_thread_loop_unlock(m_loop);
    pw_thread_loop_stop(m_loop);
    if (m_timer)
        pw_loop_destroy_source(pw_thread_loop_get_loop(m_loop), m_timer);
    m_timer = nullptr;
    if (m_wakeevent)
        pw_loop_destroy_source(pw_thread_loop_get_loop(m_loop), m_wakeevent);
    m_wakeevent = nullptr;
    dropconnection();
    if (m_context)
        pw_context_destroy(m_context);
    m_context = nullptr;
    pw_thread_loop_destroy(m_loop);
    m_loop = nullptr;
}
