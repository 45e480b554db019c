#pragma once
// The SDL2 audio device: mono float blocks of 256 frames at the device's
// own rate, pulled on SDL's audio thread.

#include "sound/audiooutput.h"

#include <SDL.h>

class TSdlOutput final : public TAudioOutput {
public:
    // Opens the default output device; raises TVorkanaError with SDL's
    // reason when there is none.
    TSdlOutput();
    ~TSdlOutput() override;

    int rate() const override { return m_obtained.freq; }
    int blockframes() const override { return m_obtained.samples; }
    int latencyframes() const override { return m_obtained.samples; }
    void start(TRenderer renderer) override;
    void close() noexcept override;

private:
    static void callback(void* self, Uint8* stream, int length);

    SDL_AudioDeviceID m_device = 0;
    SDL_AudioSpec m_obtained {};
    TRenderer m_renderer;
};
