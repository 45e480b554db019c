#include "sound/sounddevice.h"

#include <algorithm>
#include <thread>

TSoundDevice::TSoundDevice(std::unique_ptr<TAudioOutput> output)
    : m_output(std::move(output))
    , m_mixer(std::make_unique<TMixer>(m_output->rate()))
{
    m_mixer->configure(m_output->leadframes(), m_output->historyframes(), m_output->renderaheadframes());
    m_output->start(*m_mixer);
}

TSoundDevice::~TSoundDevice()
{
    close();
}

void TSoundDevice::waituntilheard(TMixer::TChannel channel) const
{
    using namespace std::chrono_literals;
    m_mixer->sendchanges();
    const auto sleepuntil = [this](TMixerClock::time_point until) {
        if (m_sleep)
            m_sleep(until);
        else
            std::this_thread::sleep_until(until);
    };
    while (m_open) {
        auto end = m_mixer->endframe(channel);
        if (!end)
            return;
        bool playing = m_mixer->playing(channel);
        auto heard = m_mixer->heardtime(*end);
        if (!playing) {
            sleepuntil(heard);
            return;
        }
        // Still being mixed: sleep until it should be over, then look again.
        sleepuntil(std::max(heard, TMixerClock::now() + 1ms));
    }
}

void TSoundDevice::close() noexcept
{
    m_open = false;
    m_output->close();
}
