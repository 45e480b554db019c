#include "speechdoubles.h"

#include "runtime/services.h"
#include "runtime/tones.h"

#include <stdexcept>

TEventHost::TEventHost(TSpeechTranscript& transcript)
    : m_transcript(transcript)
{
    services.host = this;
    services.sounds = this;
}

TEventHost::~TEventHost()
{
    resetservices();
}

void TEventHost::pumpevents()
{
    for (size_t count = m_transcript.events.size(); count > 0 && !m_transcript.events.empty(); --count) {
        auto event = std::move(m_transcript.events.front());
        m_transcript.events.pop_front();
        event();
    }
}

void TEventHost::waitforevent()
{
    ++waits;
    if (keyatfirstwait) {
        auto key = std::move(keyatfirstwait);
        keyatfirstwait = nullptr;
        key();
    }
    if (m_transcript.events.empty())
        throw std::logic_error("waiting for an event that never comes");
    auto event = std::move(m_transcript.events.front());
    m_transcript.events.pop_front();
    event();
}

void TEventHost::starttonetimer(int)
{
    m_transcript.post([] { tonetimerexpired(); });
}

void TEventHost::startlooped(const std::string& name, int rate, int)
{
    m_transcript.record("tone " + name + " " + std::to_string(rate));
}

void TEventHost::playwait(const std::string& name, int)
{
    m_transcript.record("play " + name);
}

TRecordingCentral::TRecordingCentral(TSpeechTranscript& transcript, TEngineBehaviour behaviour)
    : m_transcript(transcript)
    , m_behaviour(std::move(behaviour))
{
}

TRecordingCentral::~TRecordingCentral()
{
    m_transcript.record("release " + m_behaviour.name);
    stop();
}

void TRecordingCentral::textdata(const std::string& text)
{
    m_transcript.record("text " + text);
    if (!m_playing) {
        m_playing = true;
        m_transcript.post([sink = m_sink] { if (sink) sink->AudioStart(); });
    }
    std::weak_ptr<int> generation = m_generation;
    int current = *m_generation;
    m_transcript.post([this, generation, current] {
        if (!generation.lock() || *generation.lock() != current)
            return;
        m_transcript.post([this, generation, current] {
            if (generation.lock() && *generation.lock() == current)
                stop();
        });
    });
}

void TRecordingCentral::stop()
{
    ++*m_generation;
    if (!m_playing)
        return;
    m_playing = false;
    m_transcript.post([sink = m_sink] { if (sink) sink->AudioStop(); });
}

void TRecordingCentral::audioreset()
{
    m_transcript.record("reset");
    stop();
}

void TRecordingCentral::inject(const std::string& tag)
{
    m_transcript.record("inject " + tag);
}

bool TRecordingCentral::speedget(std::uint32_t& value)
{
    value = m_behaviour.speed;
    return !m_behaviour.speedmissing;
}

bool TRecordingCentral::speedset(std::uint32_t value)
{
    m_behaviour.speed = std::clamp(value, m_behaviour.slowest, m_behaviour.fastest);
    return !m_behaviour.speedmissing;
}

bool TRecordingCentral::pitchget(std::uint16_t& value)
{
    value = m_behaviour.pitch;
    return !m_behaviour.pitchmissing;
}

bool TRecordingCentral::pitchset(std::uint16_t value)
{
    m_behaviour.pitch = std::clamp(value, m_behaviour.lowestpitch, m_behaviour.highestpitch);
    return !m_behaviour.pitchmissing;
}

bool TRecordingCentral::volumeget(std::uint32_t& value)
{
    value = m_behaviour.level | (m_behaviour.level << 16);
    return !m_behaviour.volumemissing;
}

bool TRecordingCentral::volumeset(std::uint32_t value)
{
    m_behaviour.level = std::clamp(value & 0xFFFF, m_behaviour.lowestlevel, m_behaviour.highestlevel);
    return !m_behaviour.volumemissing;
}

std::uint32_t TRecordingCentral::registersink(std::shared_ptr<TTTSNotifySink> sink)
{
    m_transcript.record("register " + m_behaviour.name);
    m_sink = std::move(sink);
    return 7;
}

void TRecordingCentral::unregistersink(std::uint32_t key)
{
    m_transcript.record("unregister " + m_behaviour.name + " " + std::to_string(key));
    m_sink.reset();
}

TRecordingEnum::TRecordingEnum(TSpeechTranscript& transcript, std::vector<TEngineBehaviour> voices)
    : m_transcript(transcript)
    , m_voices(std::move(voices))
{
}

std::vector<std::string> TRecordingEnum::modes()
{
    std::vector<std::string> names;
    for (const auto& voice : m_voices)
        names.push_back(voice.name);
    return names;
}

std::unique_ptr<TTTSCentral> TRecordingEnum::select(const std::string& modename)
{
    m_transcript.record("select " + modename);
    for (const auto& voice : m_voices)
        if (voice.name == modename)
            return std::make_unique<TRecordingCentral>(m_transcript, voice);
    raiseengineerror(0x80004005, "no such voice");
}

TRecordingSystemVoice::TRecordingSystemVoice(TSpeechTranscript& transcript)
    : m_transcript(transcript)
{
}

void TRecordingSystemVoice::speak(const std::string& utf8, bool markup)
{
    m_transcript.record(std::string(markup ? "voice5 markup " : "voice5 ") + utf8);
    ++m_pending;
    std::weak_ptr<int> generation = m_generation;
    int current = *m_generation;
    m_transcript.post([this, generation, current] {
        if (generation.lock() && *generation.lock() == current && onstartstream)
            onstartstream();
    });
    m_transcript.post([this, generation, current] {
        if (generation.lock() && *generation.lock() == current) {
            --m_pending;
            if (onendstream)
                onendstream();
        }
    });
}

void TRecordingSystemVoice::purge()
{
    m_transcript.record("voice5 purge");
    ++*m_generation;
    for (; m_pending > 0; --m_pending)
        m_transcript.post([this] { if (onendstream) onendstream(); });
}
