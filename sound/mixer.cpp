#include "sound/mixer.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <pthread.h>
#include <utility>
#include <limits>
#include <numbers>

namespace {

// Below hearing, above the 2 Hz cycle of a rest and its first harmonics.
constexpr double highpasshertz = 20;
// Shorter, a stop clicks on the highest tones: at half a millisecond, in a
// straight line or a raised cosine, a 2500 Hz tone spreads 6-7 dB more below
// its fundamental and between its harmonics (bench/fadeclicks), within 6 dB
// of a hard cut; and a straight line spreads less than a raised cosine.
constexpr double fademilliseconds = 1.0;
// A note that follows a stop on its channel starts at the stop's frame while
// the listener has not reached it.
constexpr double junctionmarginmilliseconds = 0.1;
// Held commands go out by themselves once the holding thread has worked on
// this long without waiting: it must not keep a stop from being heard for
// long. Its own processor time counts, not the clock's: a thread that a busy
// machine keeps from running between a stop and the next start (two busy
// loops on two cores hold it up for several milliseconds) still joins the
// notes, and the note sounds on meanwhile instead of a gap.
constexpr auto holdlimit = std::chrono::milliseconds(3);
// However long the holding thread is kept from running.
constexpr auto holdbackstop = std::chrono::milliseconds(20);

std::optional<std::chrono::nanoseconds> cputime(clockid_t clock)
{
    timespec now {};
    if (clock_gettime(clock, &now) != 0)
        return std::nullopt;
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// espeak-ng at full volume peaks right at full scale; a little below it,
// speech sits level with the tones and a tone beside it does not clip.
constexpr float speechlevel = 0.7f;

}

// One note as it sounds: a loop or a one-shot, with its envelope.
struct TMixer::TVoice {
    bool active = false;
    bool looped = false;
    std::shared_ptr<const std::vector<float>> table; // looped: one band-limited cycle
    double cycle = 0; // position in the cycle, 0..1
    double increment = 0; // cycles per output frame
    std::shared_ptr<const std::vector<float>> samples; // one-shot, at the output rate
    std::size_t position = 0;
    float gain = 1;
    int risen = 0; // frames of the start's rise played
    int fading = -1; // frames of the fade-out played; -1 while not fading
    float highpassinput = 0;
    float highpassoutput = 0;
};

// What a channel sounds at the rendered end: the note it plays, and the
// note before it while that one fades out under the new one.
struct TMixer::TChannelState {
    TVoice current;
    TVoice tail;
};

struct TMixer::TEvent {
    enum class TKind { playlooped, playonce, setloop, setgain, stop };
    TKind kind;
    std::int64_t frame;
    std::shared_ptr<const std::vector<float>> wave; // table or one-shot samples
    double increment = 0;
    float gain = 1;
    // Changes what was rendered, and the output has not heard of it yet;
    // without a history, not yet given to the output at all.
    bool held = false;
};

// A channel's commands, in frame order, kept while the mixer may still
// render their frames again, and what they add up to for endframe().
struct TMixer::TChannelTrack {
    bool inuse = true;
    std::vector<TEvent> events;
    std::optional<std::int64_t> end { 0 }; // nothing: a loop that sounds on
    std::optional<std::int64_t> laststart;
    std::optional<std::int64_t> endbeforelaststart { 0 };
};

// The channels that sounded at a frame; every other one was silent.
struct TMixer::TSnapshot {
    std::int64_t frame;
    std::vector<std::pair<std::size_t, TChannelState>> sounding;
};

TMixer::TMixer(int outputrate)
    : m_outputrate(outputrate)
    , m_fadeframes(std::max(1, static_cast<int>(std::lround(outputrate * fademilliseconds / 1000))))
    , m_highpasscoefficient(static_cast<float>(std::exp(-2 * std::numbers::pi * highpasshertz / outputrate)))
{
}

TMixer::~TMixer()
{
    for (auto& [rate, resampler] : m_resamplers)
        soxr_delete(resampler);
}

void TMixer::configure(int leadframes, int historyframes, int speechprimeframes)
{
    std::lock_guard guard(m_lock);
    m_leadframes = std::max(0, leadframes);
    m_historyframes = std::max(0, historyframes);
    m_speechprimeframes = std::max(0, speechprimeframes);
}

void TMixer::setreach(int leadframes, int historyframes)
{
    std::lock_guard guard(m_lock);
    m_leadframes = std::max(0, leadframes);
    m_historyframes = std::max(0, historyframes);
}

void TMixer::setspeechprime(int speechprimeframes)
{
    std::lock_guard guard(m_lock);
    m_speechprimeframes = std::max(0, speechprimeframes);
}

TMixer::TChannel TMixer::createchannel()
{
    std::lock_guard guard(m_lock);
    for (std::size_t index = 0; index < m_tracks.size(); ++index)
        if (!m_tracks[index]->inuse) {
            *m_tracks[index] = TChannelTrack {};
            m_states[index] = TChannelState {};
            return static_cast<TChannel>(index);
        }
    m_tracks.push_back(std::make_unique<TChannelTrack>());
    m_states.emplace_back();
    return static_cast<TChannel>(m_tracks.size() - 1);
}

void TMixer::releasechannel(TChannel channel)
{
    std::lock_guard guard(m_lock);
    auto& released = *m_tracks.at(static_cast<std::size_t>(channel));
    released = TChannelTrack {};
    released.inuse = false;
    m_states[static_cast<std::size_t>(channel)] = TChannelState {};
    // Nor may a rewind bring back what it played: it may sound for another
    // item by then, and its stop is gone with its events.
    for (auto& snapshot : m_snapshots)
        std::erase_if(snapshot.sounding, [channel](const auto& sounding) { return sounding.first == std::size_t(channel); });
}

std::int64_t TMixer::earliestframe() const
{
    if (m_historyframes == 0 || m_snapshots.empty())
        return m_renderedframes;
    return m_snapshots.front().frame;
}

bool TMixer::addevent(TChannel channel, TEvent event)
{
    auto& track = *m_tracks.at(static_cast<std::size_t>(channel));
    event.frame = std::max(event.frame, earliestframe());
    auto& events = track.events;
    const bool start = event.kind == TEvent::TKind::playlooped || event.kind == TEvent::TKind::playonce;
    // The commanding thread's time between a stop and the next start would
    // be a gap between two notes (a rate or volume given between them is
    // the start's own). While the listener has not reached the stop, the
    // start takes its place; once it has, but the output never heard of the
    // stop, the listener still hears the note, which crosses over to the
    // next at the start's own frame.
    auto laststep = std::find_if(events.rbegin(), events.rend(), [](const TEvent& planned) {
        return planned.kind != TEvent::TKind::setloop && planned.kind != TEvent::TKind::setgain;
    });
    if (start && laststep != events.rend() && laststep->kind == TEvent::TKind::stop && laststep->frame < event.frame
        && track.end && *track.end > laststep->frame) {
        auto heard = heardlocked(TMixerClock::now());
        auto margin = static_cast<std::int64_t>(std::lround(m_outputrate * junctionmarginmilliseconds / 1000));
        if (heard && laststep->frame >= *heard + margin && laststep->frame >= earliestframe()) {
            event.frame = laststep->frame;
        } else if (heard && laststep->held) {
            events.erase(std::prev(laststep.base()));
            track.end.reset();
        }
    }
    const std::int64_t frame = event.frame;
    switch (event.kind) {
    case TEvent::TKind::playlooped:
    case TEvent::TKind::playonce:
        // A later command overrides what earlier ones planned from its frame on.
        std::erase_if(events, [frame](const TEvent& planned) { return planned.frame >= frame; });
        track.endbeforelaststart = track.end;
        track.laststart = frame;
        if (event.kind == TEvent::TKind::playlooped)
            track.end.reset();
        else
            track.end = frame + static_cast<std::int64_t>(event.wave->size());
        break;
    case TEvent::TKind::stop: {
        std::erase_if(events, [frame](const TEvent& planned) { return planned.frame >= frame; });
        const std::int64_t faded = frame + m_fadeframes;
        if (track.laststart && *track.laststart >= frame) {
            // The start it cancels never sounded; what sounded before it ends here at the latest.
            track.end = track.endbeforelaststart ? std::min(*track.endbeforelaststart, faded) : faded;
            track.laststart.reset();
        } else {
            track.end = track.end ? std::min(*track.end, faded) : faded;
        }
        break;
    }
    case TEvent::TKind::setloop:
    case TEvent::TKind::setgain:
        break;
    }
    auto place = std::upper_bound(events.begin(), events.end(), frame,
        [](std::int64_t wanted, const TEvent& planned) { return wanted < planned.frame; });
    auto placed = events.insert(place, std::move(event));
    // A snapshot after the frame was taken without this command: a rewind
    // to it, asked for a later frame (the one heard when the command came
    // late), would never carry it out, and a lost stop sounds for ever.
    while (!m_snapshots.empty() && m_snapshots.back().frame > frame)
        m_snapshots.pop_back();
    if (frame >= m_renderedframes) {
        // An output that cannot take back what it was given renders on while
        // the commanding thread is between a stop and the next start: the
        // stop waits there with the rest, and the note sounds on meanwhile.
        if (m_historyframes == 0 && m_holder == std::this_thread::get_id()) {
            placed->held = true;
            if (!m_heldchange)
                beginhold();
            m_heldchange = m_heldchange ? std::min(*m_heldchange, frame) : frame;
        }
        return false;
    }
    if (m_holder == std::this_thread::get_id()) {
        placed->held = true;
        // The output hears of the first one, to come back for it in time.
        const bool first = !m_heldchange;
        if (first)
            beginhold();
        m_heldchange = m_heldchange ? std::min(*m_heldchange, frame) : frame;
        return first;
    }
    m_change = m_change ? std::min(*m_change, frame) : frame;
    return true;
}

void TMixer::releaseheld()
{
    m_change = m_change ? std::min(*m_change, *m_heldchange) : *m_heldchange;
    m_heldchange.reset();
    for (auto& track : m_tracks) {
        bool moved = false;
        for (auto& planned : track->events) {
            // Held past its frame by an output without history: it takes
            // effect now, and a stop's end moves with it.
            if (planned.held && m_historyframes == 0 && planned.frame < m_renderedframes) {
                if (planned.kind == TEvent::TKind::stop && track->end == planned.frame + m_fadeframes)
                    track->end = m_renderedframes + m_fadeframes;
                planned.frame = m_renderedframes;
                moved = true;
            }
            planned.held = false;
        }
        if (moved)
            std::stable_sort(track->events.begin(), track->events.end(),
                [](const TEvent& one, const TEvent& other) { return one.frame < other.frame; });
    }
}

void TMixer::holdchanges()
{
    std::lock_guard guard(m_lock);
    m_holder = std::this_thread::get_id();
    // Where its processor time cannot be read, the clock's time counts.
    if (pthread_getcpuclockid(pthread_self(), &m_holderclock) != 0)
        m_holderclock = CLOCK_MONOTONIC;
}

void TMixer::beginhold()
{
    m_heldsince = TMixerClock::now();
    m_heldcpu = cputime(m_holderclock).value_or(std::chrono::nanoseconds::zero());
}

std::chrono::nanoseconds TMixer::holdleft(TMixerClock::time_point now) const
{
    // A holding thread that has ended waits for nothing.
    auto worked = cputime(m_holderclock);
    auto left = worked ? holdlimit - (*worked - m_heldcpu) : std::chrono::nanoseconds::zero();
    return std::max(std::min<std::chrono::nanoseconds>(left, m_heldsince + holdbackstop - now), std::chrono::nanoseconds::zero());
}

std::optional<TMixerClock::time_point> TMixer::helddeadline() const
{
    std::lock_guard guard(m_lock);
    if (!m_heldchange)
        return std::nullopt;
    // Moves on while the holder is kept from running: asked again then.
    auto now = TMixerClock::now();
    return now + holdleft(now);
}

void TMixer::sendchanges()
{
    bool changed = false;
    {
        std::lock_guard guard(m_lock);
        if (m_heldchange) {
            releaseheld();
            changed = true;
        }
    }
    notifychange(changed);
}

void TMixer::notifychange(bool changed)
{
    if (!changed)
        return;
    std::function<void()> listener;
    {
        std::lock_guard guard(m_lock);
        listener = m_changelistener;
    }
    if (listener)
        listener();
}

void TMixer::playlooped(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond,
    float gain, std::int64_t atframe)
{
    bool changed;
    {
        std::lock_guard guard(m_lock);
        changed = addevent(channel,
            TEvent { TEvent::TKind::playlooped, atframe, std::move(table), loopspersecond / m_outputrate, gain });
    }
    notifychange(changed);
}

void TMixer::playonce(TChannel channel, std::shared_ptr<const std::vector<float>> samples, float gain,
    std::int64_t atframe)
{
    bool changed;
    {
        std::lock_guard guard(m_lock);
        changed = addevent(channel, TEvent { TEvent::TKind::playonce, atframe, std::move(samples), 0, gain });
    }
    notifychange(changed);
}

void TMixer::setloop(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond,
    std::int64_t atframe)
{
    bool changed;
    {
        std::lock_guard guard(m_lock);
        changed = addevent(
            channel, TEvent { TEvent::TKind::setloop, atframe, std::move(table), loopspersecond / m_outputrate });
    }
    notifychange(changed);
}

void TMixer::setgain(TChannel channel, float gain, std::int64_t atframe)
{
    bool changed;
    {
        std::lock_guard guard(m_lock);
        changed = addevent(channel, TEvent { TEvent::TKind::setgain, atframe, nullptr, 0, gain });
    }
    notifychange(changed);
}

void TMixer::stop(TChannel channel, std::int64_t atframe)
{
    bool changed;
    {
        std::lock_guard guard(m_lock);
        changed = addevent(channel, TEvent { TEvent::TKind::stop, atframe, nullptr });
    }
    notifychange(changed);
}

bool TMixer::playinglocked(const TChannelTrack& track) const
{
    return !track.end || *track.end > m_renderedframes;
}

bool TMixer::playing(TChannel channel) const
{
    std::lock_guard guard(m_lock);
    return playinglocked(*m_tracks.at(static_cast<std::size_t>(channel)));
}

bool TMixer::quiet() const
{
    std::lock_guard guard(m_lock);
    for (const auto& track : m_tracks)
        if (track->inuse && playinglocked(*track))
            return false;
    const bool speaking = !m_speech.empty() && m_speech.back().end() > m_renderedframes;
    return !speaking && m_speechgathered.empty();
}

std::optional<std::int64_t> TMixer::endframe(TChannel channel) const
{
    std::lock_guard guard(m_lock);
    return m_tracks.at(static_cast<std::size_t>(channel))->end;
}

std::int64_t TMixer::renderedframes() const
{
    std::lock_guard guard(m_lock);
    return m_renderedframes;
}

void TMixer::setclock(std::int64_t heardframe, TMixerClock::time_point at)
{
    std::lock_guard guard(m_lock);
    m_clockframe = heardframe;
    m_clocktime = at;
    m_clockset = true;
}

std::int64_t TMixer::schedulelocked(TMixerClock::time_point now) const
{
    auto heard = heardlocked(now);
    if (!heard)
        return m_renderedframes;
    return std::max(*heard + m_leadframes, earliestframe());
}

std::optional<std::int64_t> TMixer::heardlocked(TMixerClock::time_point now) const
{
    if (!m_clockset)
        return std::nullopt;
    double elapsed = std::chrono::duration<double>(now - m_clocktime).count();
    return m_clockframe + static_cast<std::int64_t>(std::llround(elapsed * m_outputrate));
}

std::int64_t TMixer::scheduleframe(TMixerClock::time_point now) const
{
    std::lock_guard guard(m_lock);
    return schedulelocked(now);
}

std::int64_t TMixer::soonestframe(TMixerClock::time_point now) const
{
    std::lock_guard guard(m_lock);
    return m_historyframes > 0 ? schedulelocked(now) : m_renderedframes;
}

TMixerClock::time_point TMixer::heardtime(std::int64_t frame) const
{
    std::lock_guard guard(m_lock);
    if (!m_clockset)
        return TMixerClock::now();
    double seconds = double(frame - m_clockframe) / m_outputrate;
    return m_clocktime + std::chrono::duration_cast<TMixerClock::duration>(std::chrono::duration<double>(seconds));
}

void TMixer::renderblock(float* output, int frames, TMixerClock::time_point started, int latencyframes)
{
    {
        std::lock_guard guard(m_lock);
        m_clockframe = m_renderedframes - latencyframes;
        m_clocktime = started;
        m_clockset = true;
    }
    render(output, frames);
}

void TMixer::render(float* output, int frames)
{
    std::function<void()> drained;
    {
        std::lock_guard guard(m_lock);
        if (m_historyframes > 0)
            takesnapshot();
        else if (m_heldchange && holdleft(TMixerClock::now()) == std::chrono::nanoseconds::zero())
            releaseheld();
        std::fill(output, output + frames, 0.0f);
        for (std::size_t channel = 0; channel < m_tracks.size(); ++channel)
            renderchannel(*m_tracks[channel], m_states[channel], output, m_renderedframes, frames);
        renderspeech(output, m_renderedframes, frames);
        for (int frame = 0; frame < frames; ++frame)
            output[frame] = std::clamp(output[frame], -1.0f, 1.0f);
        m_renderedframes += frames;
        forget();
        drained = takedrainnotice();
    }
    // Outside the lock: the listener may write the next text at once.
    if (drained)
        drained();
}

void TMixer::takesnapshot()
{
    TSnapshot snapshot { m_renderedframes, {} };
    for (std::size_t channel = 0; channel < m_states.size(); ++channel)
        if (m_states[channel].current.active || m_states[channel].tail.active)
            snapshot.sounding.emplace_back(channel, m_states[channel]);
    m_snapshots.push_back(std::move(snapshot));
}

// Drops what no rewind can reach any more.
void TMixer::forget()
{
    const std::int64_t horizon = m_renderedframes - m_historyframes;
    while (m_snapshots.size() > 1 && m_snapshots[1].frame <= horizon)
        m_snapshots.pop_front();
    const std::int64_t kept = earliestframe();
    for (auto& track : m_tracks)
        std::erase_if(track->events, [kept](const TEvent& event) { return event.frame < kept && !event.held; });
    // The last text stays until its end has been reported.
    while (!m_speech.empty() && m_speech.front().end() < kept
        && (m_speech.size() > 1 || m_speech.front().end() <= m_noticedend))
        m_speech.pop_front();
}

std::function<void()> TMixer::takedrainnotice()
{
    if (m_speech.empty() || !m_clockset)
        return {};
    std::int64_t end = m_speech.back().end();
    if (end <= m_noticedend || end > m_clockframe || end > m_renderedframes)
        return {};
    m_noticedend = end;
    return m_drained;
}

void TMixer::checknotices()
{
    std::function<void()> drained;
    {
        std::lock_guard guard(m_lock);
        drained = takedrainnotice();
    }
    if (drained)
        drained();
}

std::optional<std::int64_t> TMixer::pendingnotice() const
{
    std::lock_guard guard(m_lock);
    if (m_speech.empty() || m_speech.back().end() <= m_noticedend)
        return std::nullopt;
    return m_speech.back().end();
}

void TMixer::renderchannel(TChannelTrack& track, TChannelState& state, float* output, std::int64_t from, int frames)
{
    if (!track.inuse)
        return;
    const std::int64_t to = from + frames;
    std::int64_t position = from;
    auto event = std::lower_bound(track.events.begin(), track.events.end(), from,
        [](const TEvent& planned, std::int64_t wanted) { return planned.frame < wanted; });
    for (; event != track.events.end() && event->frame < to; ++event) {
        // Without a history, a held command has not happened yet.
        if (event->held && m_historyframes == 0)
            continue;
        int span = static_cast<int>(event->frame - position);
        rendervoice(state.tail, output + (position - from), span);
        rendervoice(state.current, output + (position - from), span);
        position = event->frame;
        applyevent(state, *event);
    }
    int span = static_cast<int>(to - position);
    rendervoice(state.tail, output + (position - from), span);
    rendervoice(state.current, output + (position - from), span);
}

void TMixer::applyevent(TChannelState& state, const TEvent& event)
{
    auto& current = state.current;
    switch (event.kind) {
    case TEvent::TKind::playlooped:
    case TEvent::TKind::playonce: {
        // The note before fades out under the new one, which starts from
        // the wave's beginning at this frame: no gap, no step.
        if (current.active) {
            state.tail = current;
            if (state.tail.fading < 0)
                state.tail.fading = 0;
        }
        TVoice started;
        started.active = true;
        started.looped = event.kind == TEvent::TKind::playlooped;
        (started.looped ? started.table : started.samples) = event.wave;
        started.increment = event.increment;
        started.gain = event.gain;
        current = std::move(started);
        break;
    }
    case TEvent::TKind::setloop:
        if (current.looped) {
            current.table = event.wave;
            current.increment = event.increment;
        }
        break;
    case TEvent::TKind::setgain:
        current.gain = event.gain;
        break;
    case TEvent::TKind::stop:
        if (current.active && current.fading < 0)
            current.fading = 0;
        break;
    }
}

void TMixer::rendervoice(TVoice& voice, float* output, int frames)
{
    for (int frame = 0; frame < frames && voice.active; ++frame) {
        float envelope = 1;
        if (voice.fading >= 0) {
            if (voice.fading >= m_fadeframes) {
                voice.active = false;
                return;
            }
            envelope = 1 - float(++voice.fading) / float(m_fadeframes + 1);
        }
        float value;
        if (voice.looped) {
            // A loop starts mid-wave and would click; a short rise hides it.
            if (voice.risen < m_fadeframes)
                envelope *= float(++voice.risen) / float(m_fadeframes + 1);
            double position = voice.cycle * TLoopWavetables::tablesize;
            auto index = static_cast<std::size_t>(position);
            float fraction = static_cast<float>(position - double(index));
            const auto& table = *voice.table;
            float raw = table[index] + (table[index + 1] - table[index]) * fraction;
            voice.cycle += voice.increment;
            voice.cycle -= std::floor(voice.cycle);
            value = raw - voice.highpassinput + m_highpasscoefficient * voice.highpassoutput;
            voice.highpassinput = raw;
            voice.highpassoutput = value;
        } else {
            if (voice.position >= voice.samples->size()) {
                voice.active = false;
                return;
            }
            value = (*voice.samples)[voice.position++];
        }
        output[frame] += value * voice.gain * envelope;
    }
    if (voice.active && !voice.looped && voice.position >= voice.samples->size())
        voice.active = false;
}

void TMixer::renderspeech(float* output, std::int64_t from, int frames)
{
    const std::int64_t to = from + frames;
    for (const auto& segment : m_speech) {
        std::int64_t first = std::max(from, segment.start);
        std::int64_t last = std::min(to, segment.end());
        for (std::int64_t frame = first; frame < last; ++frame)
            output[frame - from] += segment.samples[std::size_t(frame - segment.start)] * speechlevel;
    }
}

std::optional<std::int64_t> TMixer::takechange()
{
    std::lock_guard guard(m_lock);
    if (m_heldchange && holdleft(TMixerClock::now()) == std::chrono::nanoseconds::zero())
        releaseheld();
    auto change = m_change;
    m_change.reset();
    return change;
}

std::int64_t TMixer::rewind(std::int64_t frame)
{
    std::lock_guard guard(m_lock);
    if (m_snapshots.empty() || frame >= m_renderedframes)
        return m_renderedframes;
    auto snapshot = m_snapshots.end();
    while (snapshot != m_snapshots.begin() && std::prev(snapshot)->frame > frame)
        --snapshot;
    if (snapshot != m_snapshots.begin())
        --snapshot;
    m_renderedframes = snapshot->frame;
    for (auto& state : m_states)
        state = TChannelState {};
    for (const auto& [channel, state] : snapshot->sounding)
        m_states[channel] = state;
    // Rendering again from here takes the snapshot anew.
    m_snapshots.erase(snapshot, m_snapshots.end());
    return m_renderedframes;
}

void TMixer::setchangelistener(std::function<void()> listener)
{
    std::lock_guard guard(m_lock);
    m_changelistener = std::move(listener);
}

void TMixer::appendspeech(const std::vector<float>& samples, std::int64_t earliest, bool textends)
{
    std::int64_t start = earliest;
    if (!m_speech.empty() && m_speech.back().end() >= earliest) {
        // Goes on from the speech queued, without a gap.
        start = m_speech.back().end();
        auto& last = m_speech.back().samples;
        last.insert(last.end(), samples.begin(), samples.end());
    } else {
        // Nothing queued: the text begins as soon as it can be heard, once
        // enough of it is ready that the engine stays ahead of the server.
        m_speechgathered.insert(m_speechgathered.end(), samples.begin(), samples.end());
        if (m_speechgathered.empty()
            || (!textends && m_speechgathered.size() < std::size_t(m_speechprimeframes)))
            return;
        m_speech.push_back(TSpeechSegment { start, std::exchange(m_speechgathered, {}) });
    }
    // Frames already rendered hold silence where this speech goes; they are
    // rendered again, or the speech there would be lost.
    if (start < m_renderedframes)
        m_change = m_change ? std::min(*m_change, start) : start;
}

void TMixer::write(const std::int16_t* samples, std::size_t count, int rate)
{
    if (count == 0 || rate <= 0)
        return;
    std::vector<float> input(count);
    for (std::size_t i = 0; i < count; ++i)
        input[i] = samples[i] / 32768.0f;

    std::vector<float> resampled;
    {
        std::lock_guard guard(m_resamplerlock);
        auto& resampler = m_resamplers[rate];
        if (!resampler) {
            soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
            // Medium quality: speech needs no more, and its short filter
            // keeps little of a text's end inside the resampler.
            soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
            resampler = soxr_create(rate, m_outputrate, 1, nullptr, &io, &quality, nullptr);
        }
        if (!resampler)
            return;
        // soxr takes no more input than its output room allows and keeps
        // output it had no room for: both are asked for until all is out.
        const std::size_t room = static_cast<std::size_t>(double(count) * m_outputrate / rate) + 64;
        std::size_t consumed = 0;
        for (;;) {
            std::size_t used = 0, made = 0, had = resampled.size();
            resampled.resize(had + room);
            soxr_process(resampler, input.data() + consumed, count - consumed, &used, resampled.data() + had, room, &made);
            consumed += used;
            resampled.resize(had + made);
            if ((consumed >= count && made < room) || (used == 0 && made == 0))
                break;
        }
    }
    if (resampled.empty())
        return;
    bool changed;
    {
        std::lock_guard guard(m_lock);
        auto before = m_change;
        appendspeech(resampled, schedulelocked(TMixerClock::now()), false);
        changed = m_change != before;
    }
    notifychange(changed);
}

std::size_t TMixer::flush()
{
    std::vector<float> tail;
    {
        std::lock_guard guard(m_resamplerlock);
        for (auto& [rate, resampler] : m_resamplers) {
            float block[512];
            std::size_t made = 0;
            // No input marks the end: soxr hands out what its filter holds.
            do {
                made = 0;
                soxr_process(resampler, nullptr, 0, nullptr, block, std::size(block), &made);
                tail.insert(tail.end(), block, block + made);
            } while (made > 0);
            soxr_clear(resampler);
        }
    }
    bool changed;
    std::size_t added = tail.size();
    {
        std::lock_guard guard(m_lock);
        auto before = m_change;
        added += m_speechgathered.size();
        appendspeech(tail, schedulelocked(TMixerClock::now()), true);
        changed = m_change != before;
    }
    notifychange(changed);
    return added;
}

void TMixer::clear()
{
    {
        std::lock_guard guard(m_resamplerlock);
        for (auto& [rate, resampler] : m_resamplers)
            soxr_clear(resampler);
    }
    bool changed = false;
    {
        std::lock_guard guard(m_lock);
        const std::int64_t cut = m_historyframes > 0 ? schedulelocked(TMixerClock::now()) : m_renderedframes;
        const std::int64_t silent = cut + m_fadeframes;
        m_speechgathered.clear();
        std::erase_if(m_speech, [silent](const TSpeechSegment& segment) { return segment.start >= silent; });
        for (auto& segment : m_speech) {
            if (segment.end() <= cut)
                continue;
            changed = true;
            for (std::int64_t frame = std::max(cut, segment.start); frame < std::min(silent, segment.end()); ++frame)
                segment.samples[std::size_t(frame - segment.start)] *= float(silent - frame) / float(m_fadeframes + 1);
            if (segment.end() > silent)
                segment.samples.resize(std::size_t(silent - segment.start));
        }
        // What was cut is not drained speech: no notice for it.
        if (!m_speech.empty())
            m_noticedend = std::max(m_noticedend, m_speech.back().end());
        changed = changed && cut < m_renderedframes;
        if (changed)
            m_change = m_change ? std::min(*m_change, cut) : cut;
    }
    notifychange(changed);
}

void TMixer::setdrainedcallback(std::function<void()> drained)
{
    std::lock_guard guard(m_lock);
    m_drained = std::move(drained);
}
