#pragma once
// The system's voice, which speaks with the voice, rate and volume the user
// set for the whole desktop; the speech layer only queues texts and purges
// its own. The real one runs over speech-dispatcher; tests use a double.

#include <functional>
#include <string>

// Every function is called on the GUI thread, and the handlers run there.
class TSystemVoice {
public:
    virtual ~TSystemVoice() = default;

    // Queues the UTF-8 text and returns at once. Markup text may carry tags,
    // which are not read out. Every text gets one start and one end, the
    // end also when the text is purged or the voice cannot speak it.
    virtual void speak(const std::string& utf8, bool markup) = 0;
    // Discards every text of ours queued or being spoken.
    virtual void purge() = 0;

    std::function<void()> onstartstream;
    std::function<void()> onendstream;
};
