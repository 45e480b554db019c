#pragma once
// The mixer: channels that each play a looped wave (band-limited, with a
// DC-blocking high-pass so rests stay quiet) or a one-shot already at the
// output rate, plus the speech stream, summed into mono float blocks. Every
// start and stop names the output frame where it takes effect, so lengths
// are exact to the sample; a stop fades out over a millisecond.
// It has no device: the caller pulls blocks with render(), from the audio
// thread or, in tests, directly.

#include "sound/loopwavetables.h"
#include "sound/speechstream.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
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

    // Channels are made once and reused; release makes one free for reuse.
    TChannel createchannel();
    void releasechannel(TChannel channel);

    void playlooped(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond,
        float gain, std::int64_t atframe);
    void playonce(TChannel channel, std::shared_ptr<const std::vector<float>> samples, float gain,
        std::int64_t atframe);
    void setloop(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond);
    void setgain(TChannel channel, float gain);
    // Fades out from the frame on; a channel not yet started never starts.
    void stop(TChannel channel, std::int64_t atframe);

    // Started or waiting to start, and not yet rendered to its end.
    bool playing(TChannel channel) const;
    // The frame after the channel's last sample: when it ended, or when a
    // one-shot will end if nothing stops it. Nothing for a sounding loop.
    std::optional<std::int64_t> endframe(TChannel channel) const;

    // Output frames rendered so far; the next block starts there.
    std::int64_t renderedframes() const;
    // The frame a command issued now should take effect at: the clock of the
    // latest block, plus one block so it is never in a block already gone.
    std::int64_t scheduleframe(TMixerClock::time_point now) const;
    // When the frame will be heard, by the same clock.
    TMixerClock::time_point heardtime(std::int64_t frame) const;

    // Fills the block; started is when the device asked for it. Frames are
    // heard latencyframes after they are rendered.
    void render(float* output, int frames, TMixerClock::time_point started);
    void setlatency(int latencyframes);

    // TSpeechStream
    void write(const std::int16_t* samples, std::size_t count, int rate) override;
    std::size_t flush() override;
    void clear() override;
    void setdrainedcallback(std::function<void()> drained) override;

private:
    struct TChannelState;

    void renderchannel(TChannelState& channel, float* output, int frames);
    void renderspeech(float* output, int frames);
    TChannelState& state(TChannel channel);
    const TChannelState& state(TChannel channel) const;

    const int m_outputrate;
    const int m_fadeframes;
    const float m_highpasscoefficient;

    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<TChannelState>> m_channels;
    std::int64_t m_renderedframes = 0;
    std::int64_t m_clockframe = 0;
    TMixerClock::time_point m_clocktime {};
    bool m_clockset = false;
    int m_latencyframes = 0;

    std::deque<float> m_speech; // at the output rate
    int m_speechfade = 0; // frames of a clear()'s fade still to play
    std::optional<std::int64_t> m_speechdrainedheard; // frame at which the drain is heard
    std::function<void()> m_drained;
    std::mutex m_resamplerlock; // writers' side only
    std::map<int, soxr*> m_resamplers; // by input rate
};
