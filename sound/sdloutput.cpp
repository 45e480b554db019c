#include "sound/sdloutput.h"

#include "runtime/errors.h"

TSdlOutput::TSdlOutput()
{
    // SDL would turn SIGINT and SIGTERM into events we never read, and the
    // application could then not be ended by a signal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        throw TVorkanaError(std::string("The audio system cannot be initialized: ") + SDL_GetError());
    SDL_AudioSpec wanted {};
    wanted.freq = 48000;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 1;
    // Short blocks, so a stop is heard within a few milliseconds; SDL's
    // PulseAudio driver stalls after its first block at 128.
    wanted.samples = 256;
    wanted.callback = &TSdlOutput::callback;
    wanted.userdata = this;
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &m_obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (m_device == 0) {
        std::string reason = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw TVorkanaError("The audio device cannot be opened: " + reason);
    }
}

TSdlOutput::~TSdlOutput()
{
    close();
}

void TSdlOutput::start(TRenderer renderer)
{
    m_renderer = std::move(renderer);
    SDL_PauseAudioDevice(m_device, 0);
}

void TSdlOutput::close() noexcept
{
    if (m_device == 0)
        return;
    SDL_CloseAudioDevice(m_device);
    m_device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void TSdlOutput::callback(void* self, Uint8* stream, int length)
{
    auto output = static_cast<TSdlOutput*>(self);
    output->m_renderer(reinterpret_cast<float*>(stream), length / static_cast<int>(sizeof(float)));
}
