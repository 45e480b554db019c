#pragma once
// The own speech engine as the speech layer and the voice selection use it:
// an enumerator of named voices in a fixed order, and the selected engine
// that queues text, stops, takes prosody tags and answers the range probe.
// The real one runs over espeak-ng; tests use a recording double.

#include "speech/Speech.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The answer of an engine that does not offer an attribute.
inline constexpr std::uint32_t notimplementedcode = 0x80004001;

// Raises TVorkanaError for a failed engine call, with the engine's code and
// its own message.
[[noreturn]] void raiseengineerror(std::uint32_t code, const std::string& enginemessage);

// Every function is called on the GUI thread.
class TTTSCentral {
public:
    virtual ~TTTSCentral() = default;

    // Queues the Windows-1250 text behind what is pending and returns at
    // once. Accepting a text while idle notifies AudioStart; the end of the
    // last queued audio, or a reset, notifies AudioStop, exactly once per
    // start, also when the text yields no audio. Notices arrive posted.
    virtual void textdata(const std::string& text) = 0;
    // Stops the audio and drops every queued text at once.
    virtual void audioreset() = 0;
    // A prosody tag ("\Spd=150\", "\Pit=50\", "\Vol=51200\"): applies to
    // what is said from then on.
    virtual void inject(const std::string& tag) = 0;

    // Attributes. Each answers false when the engine does not offer it. A
    // value outside the engine's range leaves the nearest one it allows.
    virtual bool speedget(std::uint32_t& value) = 0;
    virtual bool speedset(std::uint32_t value) = 0;
    virtual bool pitchget(std::uint16_t& value) = 0;
    virtual bool pitchset(std::uint16_t value) = 0;
    // Left channel in the low word, right channel in the high word; 0xFFFF
    // is full volume.
    virtual bool volumeget(std::uint32_t& value) = 0;
    virtual bool volumeset(std::uint32_t value) = 0;

    // The sink gets the audio notices until unregistered; returns its key.
    virtual std::uint32_t registersink(std::shared_ptr<TTTSNotifySink> sink) = 0;
    virtual void unregistersink(std::uint32_t key) = 0;
};

class TTTSEnum {
public:
    virtual ~TTTSEnum() = default;

    // The voices' names, always in the same order.
    virtual std::vector<std::string> modes() = 0;
    // A new engine speaking with the named voice; raises on failure.
    virtual std::unique_ptr<TTTSCentral> select(const std::string& modename) = 0;
};
