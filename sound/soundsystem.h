#pragma once
// The sound subsystem as the main window sees it: the audio device (or, when
// none opens, a silent clock-paced output), the wave list holding the bank,
// the player the runtime's SOUND, BEEP and clicks go through, and the speech
// input of the mixer.

#include "runtime/soundplayer.h"
#include "sound/speechstream.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class TSoundSystem {
public:
    TSoundSystem();
    ~TSoundSystem();

    // Opens the default output device. When none opens, the silent output
    // stands in (waits still end on time) and devicemessage() says why.
    void opendevice();
    // Empty while a real device is open.
    std::string devicemessage() const;

    // Loads the bank file; a malformed file raises TVorkanaError with the
    // file's path and the bank's message, and leaves no bank loaded.
    void loadbank(const std::string& path);

    // From now on the calling thread's commands reach the output only when
    // it waits, all at once, so that a note that follows a note is one
    // change: they go out by themselves when it waits in its event loop or
    // for a sound, or cuts a sound; any other wait calls sendchanges first.
    void holdchangesbetweenwaits();
    void sendchanges();

    // How the blocking waits for a sound sleep (TSoundDevice::setsleep).
    void setsleep(std::function<void(std::chrono::steady_clock::time_point)> sleep);

    TSoundPlayer& player();
    TSpeechStream& speechstream();

    // Closes the device; never throws. Every way of ending calls it.
    void release() noexcept;

private:
    struct TImplementation;
    std::unique_ptr<TImplementation> m_implementation;
};
