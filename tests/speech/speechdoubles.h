#pragma once
// Recording doubles of both speech engines and a host whose event queue
// stands in for the GUI thread's: engine notices and scripted keys are
// queued events that run when the code under test waits for an event.
// Everything that happens is written to one transcript, in order.

#include "runtime/host.h"
#include "runtime/soundplayer.h"
#include "speech/systemvoice.h"
#include "speech/ttsengine.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TSpeechTranscript {
    std::vector<std::string> entries;
    std::deque<std::function<void()>> events; // the GUI thread's posted calls

    void record(std::string entry) { entries.push_back(std::move(entry)); }
    // The entries of one kind ("text", "inject", ...), without the kind.
    std::vector<std::string> of(const std::string& kind) const
    {
        std::vector<std::string> found;
        for (const auto& entry : entries)
            if (entry.rfind(kind + " ", 0) == 0)
                found.push_back(entry.substr(kind.size() + 1));
        return found;
    }
    void post(std::function<void()> event) { events.push_back(std::move(event)); }
};

// Installs itself as the runtime's host and sound player while it lives.
class TEventHost final : public TRuntimeHost, public TSoundPlayer {
public:
    explicit TEventHost(TSpeechTranscript& transcript);
    ~TEventHost() override;

    void pumpevents() override;
    // Runs the next queued event; a wait with nothing left to come is a hang.
    void waitforevent() override;
    void sleepms(int) override { }
    void starttonetimer(int milliseconds) override;
    void stoptonetimer() override { }
    TTimeOfDay timeofday() override { return {}; }
    double randomdraw() override { return 0.5; }
    void reseedrandom() override { }
    void screenchanged() override { }

    void startlooped(const std::string& name, int rate, int volume) override;
    void stopall(const std::string&) override { }
    void playwait(const std::string& name, int) override;

    int waits = 0;
    // A key pressed at the first wait for an event (it runs before the event).
    std::function<void()> keyatfirstwait;

private:
    TSpeechTranscript& m_transcript;
};

struct TEngineBehaviour {
    std::string name;
    std::uint32_t speed = 150, slowest = 50, fastest = 400;
    std::uint16_t pitch = 100, lowestpitch = 50, highestpitch = 200;
    std::uint32_t level = 0xFFFF, lowestlevel = 0, highestlevel = 0xFFFF;
    bool speedmissing = false, pitchmissing = false, volumemissing = false;
};

// Plays each text as queued events: AudioStart when accepted while idle, then
// the end of its audio one round of events later. A reset stops at once and
// drops the end.
class TRecordingCentral final : public TTTSCentral {
public:
    TRecordingCentral(TSpeechTranscript& transcript, TEngineBehaviour behaviour);
    ~TRecordingCentral() override;

    void textdata(const std::string& text) override;
    void audioreset() override;
    void inject(const std::string& tag) override;
    bool speedget(std::uint32_t& value) override;
    bool speedset(std::uint32_t value) override;
    bool pitchget(std::uint16_t& value) override;
    bool pitchset(std::uint16_t value) override;
    bool volumeget(std::uint32_t& value) override;
    bool volumeset(std::uint32_t value) override;
    std::uint32_t registersink(std::shared_ptr<TTTSNotifySink> sink) override;
    void unregistersink(std::uint32_t key) override;

private:
    void stop();

    TSpeechTranscript& m_transcript;
    TEngineBehaviour m_behaviour;
    std::shared_ptr<TTTSNotifySink> m_sink;
    bool m_playing = false;
    std::shared_ptr<int> m_generation = std::make_shared<int>(0);
};

class TRecordingEnum final : public TTTSEnum {
public:
    TRecordingEnum(TSpeechTranscript& transcript, std::vector<TEngineBehaviour> voices);

    std::vector<std::string> modes() override;
    std::unique_ptr<TTTSCentral> select(const std::string& modename) override;

private:
    TSpeechTranscript& m_transcript;
    std::vector<TEngineBehaviour> m_voices;
};

// Each text starts and ends as queued events; a purge ends the pending ones.
class TRecordingSystemVoice final : public TSystemVoice {
public:
    explicit TRecordingSystemVoice(TSpeechTranscript& transcript);

    void speak(const std::string& utf8, bool markup) override;
    void purge() override;

private:
    TSpeechTranscript& m_transcript;
    std::shared_ptr<int> m_generation = std::make_shared<int>(0);
    int m_pending = 0;
};
