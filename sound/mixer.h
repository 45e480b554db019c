#pragma once
// The mixer: channels that each play a looped wave (band-limited, with a
// DC-blocking high-pass so rests stay quiet) or a one-shot already at the
// output rate, plus the speech stream, summed into mono float blocks. Every
// command names the output frame where it takes effect, so lengths are exact
// to the sample: a note that follows a note on the same channel crosses over
// from it at its frame, a stop fades out over a millisecond.
// It has no device: the caller pulls blocks with render(), from the audio
// thread or, in tests, directly. An output that can replace audio it has
// already handed on (a server that rewinds) asks the mixer to keep a
// history: commands may then name a frame already rendered, and the output
// rewinds the mixer there and renders again.

#include "sound/loopwavetables.h"
#include "sound/speechstream.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct soxr;

using TMixerClock = std::chrono::steady_clock;

class TMixer final : public TSpeechStream {
public:
    using TChannel = int;

    explicit TMixer(int outputrate);
    ~TMixer() override;

    int outputrate() const { return m_outputrate; }
    int fadeframes() const { return m_fadeframes; }

    // leadframes: how far after the frame heard now a command is placed, so
    // that it reaches the listener before its frame does. historyframes: how
    // far back from the rendered end the mixer can be rewound; 0 for an
    // output that never takes back what it was given. speechprimeframes: how
    // much of a text is gathered before it begins, so that what follows
    // arrives before the server mixes it (TAudioOutput::renderaheadframes).
    void configure(int leadframes, int historyframes, int speechprimeframes = 0);
    // Lead and history change while playing: a sink that cannot take back
    // what it has mixed needs commands placed beyond it, and what is
    // written ahead of that kept for a rewind.
    void setreach(int leadframes, int historyframes);
    // An output whose blocks grow while it rests gathers more of a text
    // before it begins.
    void setspeechprime(int speechprimeframes);

    // Channels are made once and reused; release makes one free for reuse.
    TChannel createchannel();
    void releasechannel(TChannel channel);

    void playlooped(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond,
        float gain, std::int64_t atframe);
    void playonce(TChannel channel, std::shared_ptr<const std::vector<float>> samples, float gain,
        std::int64_t atframe);
    void setloop(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond,
        std::int64_t atframe);
    void setgain(TChannel channel, float gain, std::int64_t atframe);
    // Fades out from the frame on; a start on the channel at or after that
    // frame, given before, never happens.
    void stop(TChannel channel, std::int64_t atframe);

    // Started or waiting to start, and not yet rendered to its end.
    bool playing(TChannel channel) const;
    // Nothing sounds from the rendered end on, nor is waiting to: no
    // channel plays, no speech is queued or gathered.
    bool quiet() const;
    // The frame after the channel's last sample: when it ended, or when a
    // one-shot will end if nothing stops it. Nothing for a sounding loop.
    std::optional<std::int64_t> endframe(TChannel channel) const;

    // Output frames rendered so far; the next render starts there.
    std::int64_t renderedframes() const;
    // The output tells which frame is being heard at a moment.
    void setclock(std::int64_t heardframe, TMixerClock::time_point at);
    // The frame a command issued now should take effect at: the frame heard
    // now plus the lead, and never one that can no longer change.
    std::int64_t scheduleframe(TMixerClock::time_point now) const;
    // The soonest frame a cut issued now can silence.
    std::int64_t soonestframe(TMixerClock::time_point now) const;
    // When the frame will be heard, by the same clock.
    TMixerClock::time_point heardtime(std::int64_t frame) const;

    // Fills the block that follows what was rendered.
    void render(float* output, int frames);
    // For an output that plays a block latencyframes after asking for it at
    // the moment started: sets the clock and renders.
    void renderblock(float* output, int frames, TMixerClock::time_point started, int latencyframes);

    // A command since the last call named a frame already rendered: the
    // earliest such frame. Clears it.
    std::optional<std::int64_t> takechange();
    // Goes back to render again from a frame at or before the one asked
    // for (never before the history); returns the frame rendering resumes at.
    std::int64_t rewind(std::int64_t frame);
    // Called, on the commanding thread and outside the mixer's lock, after a
    // command named a frame already rendered.
    void setchangelistener(std::function<void()> listener);
    // From now on the calling thread's channel commands are held: takechange
    // gives them at sendchanges(), all at once, or once the thread has
    // worked on a few milliseconds without giving them. A note that follows
    // a note (a stop, a rate, a volume, a start) is then one rewrite, and
    // the sink never mixes the stop alone. Speech is never held.
    void holdchanges();
    // The held commands reach the output now.
    void sendchanges();
    // When held commands go out by themselves, if any are held.
    std::optional<TMixerClock::time_point> helddeadline() const;
    // The frame whose hearing the drained callback waits for, if any.
    std::optional<std::int64_t> pendingnotice() const;
    // Calls the drained callback if the speech's end has been heard by the
    // clock; render() does so too.
    void checknotices();

    // TSpeechStream
    void write(const std::int16_t* samples, std::size_t count, int rate) override;
    std::size_t flush() override;
    void clear() override;
    void setdrainedcallback(std::function<void()> drained) override;

private:
    struct TVoice;
    struct TChannelState;
    struct TEvent;
    struct TChannelTrack;
    struct TSnapshot;
    struct TSpeechSegment {
        std::int64_t start;
        std::vector<float> samples; // at the output rate
        std::int64_t end() const { return start + static_cast<std::int64_t>(samples.size()); }
    };

    std::int64_t earliestframe() const;
    bool playinglocked(const TChannelTrack& track) const;
    std::int64_t schedulelocked(TMixerClock::time_point now) const;
    // The frame being heard by the output's clock now, if it has one.
    std::optional<std::int64_t> heardlocked(TMixerClock::time_point now) const;
    // Puts the event on its channel; returns whether it lies in what was rendered.
    bool addevent(TChannel channel, TEvent event);
    void notifychange(bool changed);
    // The held commands become the change the output takes next.
    void releaseheld();
    // On the holding thread, at its first held command.
    void beginhold();
    // How long the held commands may still wait.
    std::chrono::nanoseconds holdleft(TMixerClock::time_point now) const;
    void renderchannel(TChannelTrack& track, TChannelState& state, float* output, std::int64_t from, int frames);
    void rendervoice(TVoice& voice, float* output, int frames);
    void applyevent(TChannelState& state, const TEvent& event);
    void renderspeech(float* output, std::int64_t from, int frames);
    // textends: no more of the text follows, so what was gathered begins.
    void appendspeech(const std::vector<float>& samples, std::int64_t earliest, bool textends);
    void takesnapshot();
    void forget();
    std::function<void()> takedrainnotice();

    const int m_outputrate;
    const int m_fadeframes;
    const float m_highpasscoefficient;

    mutable std::mutex m_lock;
    int m_leadframes = 0;
    int m_historyframes = 0;
    std::vector<std::unique_ptr<TChannelTrack>> m_tracks;
    std::vector<TChannelState> m_states; // by channel, as of m_renderedframes
    std::deque<TSnapshot> m_snapshots; // oldest first
    std::int64_t m_renderedframes = 0;
    std::int64_t m_clockframe = 0;
    TMixerClock::time_point m_clocktime {};
    bool m_clockset = false;
    std::optional<std::int64_t> m_change;
    std::optional<std::int64_t> m_heldchange;
    TMixerClock::time_point m_heldsince {};
    std::chrono::nanoseconds m_heldcpu {}; // the holder's processor time then
    std::optional<std::thread::id> m_holder;
    clockid_t m_holderclock = CLOCK_MONOTONIC; // the holder's processor time
    std::function<void()> m_changelistener;

    std::deque<TSpeechSegment> m_speech;
    int m_speechprimeframes = 0;
    std::vector<float> m_speechgathered; // a text's beginning, not yet placed
    std::int64_t m_noticedend = 0; // speech end already reported, or cut
    std::function<void()> m_drained;
    std::mutex m_resamplerlock; // writers' side only
    std::map<int, soxr*> m_resamplers; // by input rate
};
