#include "sound/mixer.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();
// Below hearing, above the 2 Hz cycle of a rest and its first harmonics.
constexpr double highpasshertz = 20;
constexpr double fademilliseconds = 1.0;

}

struct TMixer::TChannelState {
    enum class TPhase { idle, waiting, sounding };
    TPhase phase = TPhase::idle;
    bool inuse = true;
    bool looped = false;
    std::shared_ptr<const std::vector<float>> table; // looped: one band-limited cycle
    double cycle = 0; // position in the cycle, 0..1
    double increment = 0; // cycles per output frame
    std::shared_ptr<const std::vector<float>> samples; // one-shot, at the output rate
    std::size_t position = 0;
    float gain = 1;
    std::int64_t startframe = 0;
    std::int64_t stopframe = never;
    std::int64_t endframe = 0;
    int sincestart = 0;
    float highpassinput = 0;
    float highpassoutput = 0;
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

TMixer::TChannel TMixer::createchannel()
{
    std::lock_guard guard(m_lock);
    for (std::size_t index = 0; index < m_channels.size(); ++index)
        if (!m_channels[index]->inuse) {
            *m_channels[index] = TChannelState {};
            return static_cast<TChannel>(index);
        }
    m_channels.push_back(std::make_unique<TChannelState>());
    return static_cast<TChannel>(m_channels.size() - 1);
}

void TMixer::releasechannel(TChannel channel)
{
    std::lock_guard guard(m_lock);
    auto& released = state(channel);
    released.phase = TChannelState::TPhase::idle;
    released.inuse = false;
}

TMixer::TChannelState& TMixer::state(TChannel channel)
{
    return *m_channels.at(static_cast<std::size_t>(channel));
}

const TMixer::TChannelState& TMixer::state(TChannel channel) const
{
    return *m_channels.at(static_cast<std::size_t>(channel));
}

void TMixer::playlooped(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond,
    float gain, std::int64_t atframe)
{
    std::lock_guard guard(m_lock);
    auto& started = state(channel);
    started.looped = true;
    started.table = std::move(table);
    started.samples.reset();
    started.cycle = 0;
    started.increment = loopspersecond / m_outputrate;
    started.gain = gain;
    started.startframe = std::max(atframe, m_renderedframes);
    started.stopframe = never;
    started.sincestart = 0;
    started.highpassinput = started.highpassoutput = 0;
    started.phase = TChannelState::TPhase::waiting;
}

void TMixer::playonce(TChannel channel, std::shared_ptr<const std::vector<float>> samples, float gain,
    std::int64_t atframe)
{
    std::lock_guard guard(m_lock);
    auto& started = state(channel);
    started.looped = false;
    started.table.reset();
    started.samples = std::move(samples);
    started.position = 0;
    started.gain = gain;
    started.startframe = std::max(atframe, m_renderedframes);
    started.stopframe = never;
    started.sincestart = 0;
    started.phase = TChannelState::TPhase::waiting;
}

void TMixer::setloop(TChannel channel, std::shared_ptr<const std::vector<float>> table, double loopspersecond)
{
    std::lock_guard guard(m_lock);
    auto& changed = state(channel);
    changed.table = std::move(table);
    changed.increment = loopspersecond / m_outputrate;
}

void TMixer::setgain(TChannel channel, float gain)
{
    std::lock_guard guard(m_lock);
    state(channel).gain = gain;
}

void TMixer::stop(TChannel channel, std::int64_t atframe)
{
    std::lock_guard guard(m_lock);
    auto& stopped = state(channel);
    if (stopped.phase == TChannelState::TPhase::idle)
        return;
    atframe = std::max(atframe, m_renderedframes);
    if (stopped.phase == TChannelState::TPhase::waiting && atframe <= stopped.startframe) {
        stopped.phase = TChannelState::TPhase::idle;
        stopped.endframe = atframe;
        return;
    }
    stopped.stopframe = std::min(stopped.stopframe, atframe);
}

bool TMixer::playing(TChannel channel) const
{
    std::lock_guard guard(m_lock);
    return state(channel).phase != TChannelState::TPhase::idle;
}

std::optional<std::int64_t> TMixer::endframe(TChannel channel) const
{
    std::lock_guard guard(m_lock);
    const auto& asked = state(channel);
    if (asked.phase == TChannelState::TPhase::idle)
        return asked.endframe;
    if (asked.stopframe != never)
        return asked.stopframe + m_fadeframes;
    if (asked.looped)
        return std::nullopt;
    std::size_t left = asked.samples->size() - asked.position;
    return std::max(asked.startframe, m_renderedframes) + static_cast<std::int64_t>(left);
}

std::int64_t TMixer::renderedframes() const
{
    std::lock_guard guard(m_lock);
    return m_renderedframes;
}

std::int64_t TMixer::scheduleframe(TMixerClock::time_point now) const
{
    std::lock_guard guard(m_lock);
    if (!m_clockset)
        return m_renderedframes;
    double elapsed = std::chrono::duration<double>(now - m_clocktime).count();
    auto frame = m_clockframe + static_cast<std::int64_t>(std::llround(elapsed * m_outputrate)) + m_latencyframes;
    return std::max(frame, m_renderedframes);
}

TMixerClock::time_point TMixer::heardtime(std::int64_t frame) const
{
    std::lock_guard guard(m_lock);
    if (!m_clockset)
        return TMixerClock::now();
    double seconds = double(frame - m_clockframe + m_latencyframes) / m_outputrate;
    return m_clocktime + std::chrono::duration_cast<TMixerClock::duration>(std::chrono::duration<double>(seconds));
}

void TMixer::setlatency(int latencyframes)
{
    std::lock_guard guard(m_lock);
    m_latencyframes = latencyframes;
}

void TMixer::render(float* output, int frames, TMixerClock::time_point started)
{
    std::function<void()> drained;
    {
        std::lock_guard guard(m_lock);
        m_clockframe = m_renderedframes;
        m_clocktime = started;
        m_clockset = true;
        std::fill(output, output + frames, 0.0f);
        for (auto& channel : m_channels)
            if (channel->phase != TChannelState::TPhase::idle)
                renderchannel(*channel, output, frames);
        renderspeech(output, frames);
        for (int frame = 0; frame < frames; ++frame)
            output[frame] = std::clamp(output[frame], -1.0f, 1.0f);
        m_renderedframes += frames;
        if (m_speechdrainedheard && *m_speechdrainedheard <= m_renderedframes) {
            m_speechdrainedheard.reset();
            drained = m_drained;
        }
    }
    // Outside the lock: the listener may write the next text at once.
    if (drained)
        drained();
}

void TMixer::renderchannel(TChannelState& channel, float* output, int frames)
{
    const int fadeinframes = m_fadeframes;
    for (int frame = 0; frame < frames; ++frame) {
        std::int64_t now = m_renderedframes + frame;
        if (channel.phase == TChannelState::TPhase::waiting) {
            if (now < channel.startframe)
                continue;
            channel.phase = TChannelState::TPhase::sounding;
        }
        float envelope = 1;
        if (now >= channel.stopframe) {
            std::int64_t fading = now - channel.stopframe;
            if (fading >= m_fadeframes) {
                channel.phase = TChannelState::TPhase::idle;
                channel.endframe = now;
                return;
            }
            envelope = 1 - float(fading + 1) / float(m_fadeframes + 1);
        }
        float value;
        if (channel.looped) {
            // A loop starts mid-wave and would click; a short rise hides it.
            if (channel.sincestart < fadeinframes)
                envelope *= float(++channel.sincestart) / float(fadeinframes + 1);
            double position = channel.cycle * TLoopWavetables::tablesize;
            auto index = static_cast<std::size_t>(position);
            float fraction = static_cast<float>(position - double(index));
            const auto& table = *channel.table;
            float raw = table[index] + (table[index + 1] - table[index]) * fraction;
            channel.cycle += channel.increment;
            channel.cycle -= std::floor(channel.cycle);
            value = raw - channel.highpassinput + m_highpasscoefficient * channel.highpassoutput;
            channel.highpassinput = raw;
            channel.highpassoutput = value;
        } else {
            if (channel.position >= channel.samples->size()) {
                channel.phase = TChannelState::TPhase::idle;
                channel.endframe = now;
                return;
            }
            value = (*channel.samples)[channel.position++];
        }
        output[frame] += value * channel.gain * envelope;
    }
    // A one-shot whose last sample fell on the block's last frame ends here,
    // so its end frame is known without another block.
    if (!channel.looped && channel.phase == TChannelState::TPhase::sounding
        && channel.position >= channel.samples->size()) {
        channel.phase = TChannelState::TPhase::idle;
        channel.endframe = m_renderedframes + frames;
    }
}

// espeak-ng at full volume peaks right at full scale; a little below it,
// speech sits level with the tones and a tone beside it does not clip.
constexpr float speechlevel = 0.7f;

void TMixer::renderspeech(float* output, int frames)
{
    for (int frame = 0; frame < frames && !m_speech.empty(); ++frame) {
        float value = m_speech.front();
        m_speech.pop_front();
        // What a clear() left is its fade-out, not speech that drains.
        if (m_speechfade > 0) {
            value *= float(m_speechfade) / float(m_fadeframes + 1);
            --m_speechfade;
        } else if (m_speech.empty()) {
            m_speechdrainedheard = m_renderedframes + frame + 1 + m_latencyframes;
        }
        output[frame] += value * speechlevel;
    }
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
        resampled.resize(static_cast<std::size_t>(double(count) * m_outputrate / rate) + 64);
        std::size_t used = 0, made = 0;
        soxr_process(resampler, input.data(), count, &used, resampled.data(), resampled.size(), &made);
        resampled.resize(made);
    }

    std::lock_guard guard(m_lock);
    m_speech.insert(m_speech.end(), resampled.begin(), resampled.end());
    if (!m_speech.empty())
        m_speechdrainedheard.reset();
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
    if (tail.empty())
        return 0;
    std::lock_guard guard(m_lock);
    m_speech.insert(m_speech.end(), tail.begin(), tail.end());
    m_speechdrainedheard.reset();
    return tail.size();
}

void TMixer::clear()
{
    {
        std::lock_guard guard(m_resamplerlock);
        for (auto& [rate, resampler] : m_resamplers)
            soxr_clear(resampler);
    }
    std::lock_guard guard(m_lock);
    m_speechdrainedheard.reset();
    if (m_speech.size() > std::size_t(m_fadeframes))
        m_speech.resize(std::size_t(m_fadeframes));
    m_speechfade = static_cast<int>(m_speech.size());
    if (m_speechfade == 0)
        m_speech.clear();
}

void TMixer::setdrainedcallback(std::function<void()> drained)
{
    std::lock_guard guard(m_lock);
    m_drained = std::move(drained);
}
