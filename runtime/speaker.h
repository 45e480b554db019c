#pragma once
// The four speech operations through which everything is said. Texts are
// Windows-1250 byte strings. The speech layer implements them over the real
// engines; tests use a recording double.

#include <string>

class TSpeaker {
public:
    virtual ~TSpeaker() = default;

    // Queues the text and returns at once.
    virtual void speak(const std::string& text) = 0;
    // Queues the text and returns when it has been spoken or cut off,
    // handling window events meanwhile.
    virtual void speakwait(const std::string& text) = 0;
    // Speaks one character by its name (the first character of a longer text).
    virtual void speakchar(const std::string& text) = 0;
    // Cuts off whatever is being said.
    virtual void stopspeech() = 0;
};
