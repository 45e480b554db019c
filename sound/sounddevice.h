#pragma once
// The sound device: an output (a real device or the silent stand-in) and
// the mixer it pulls from. It stamps commands with the frame they take
// effect at and lets a caller block until a channel has been heard.

#include "sound/audiooutput.h"
#include "sound/mixer.h"

#include <atomic>
#include <functional>
#include <memory>

class TSoundDevice {
public:
    // Starts the output at once.
    explicit TSoundDevice(std::unique_ptr<TAudioOutput> output);
    ~TSoundDevice();

    TMixer& mixer() { return *m_mixer; }
    // The frame a command given now takes effect at.
    std::int64_t commandframe() const { return m_mixer->scheduleframe(TMixerClock::now()); }
    // The soonest frame a cut given now can silence.
    std::int64_t cutframe() const { return m_mixer->soonestframe(TMixerClock::now()); }
    // Blocks, without handling events, until the channel's last sample has
    // been heard; at once for a sounding loop or a closed device.
    void waituntilheard(TMixer::TChannel channel) const;
    // How such a wait sleeps until a time, on the waiting thread: by default
    // it only sleeps; the window's sleep answers a screen reader's questions
    // meanwhile. It must handle no events.
    void setsleep(std::function<void(TMixerClock::time_point)> sleep) { m_sleep = std::move(sleep); }
    void close() noexcept;

private:
    std::unique_ptr<TAudioOutput> m_output;
    std::unique_ptr<TMixer> m_mixer;
    std::atomic<bool> m_open { true };
    std::function<void(TMixerClock::time_point)> m_sleep;
};
