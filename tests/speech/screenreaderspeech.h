#pragma once
// A second client of a speech-dispatcher, speaking as the Orca screen
// reader does (Orca 43's speechdispatcherfactory): a connection of its own,
// every text at priority message, and its own texts cancelled whenever it
// interrupts itself, which it does at each key it handles before it says
// anything new. Tells when each of its texts was given, began and ended,
// and whether it was cancelled instead. One per process.

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class TScreenReaderSpeech {
public:
    using TClock = std::chrono::steady_clock;
    struct TUtterance {
        TClock::time_point given;
        TClock::time_point begun; // epoch while it has not begun
        TClock::time_point ended; // epoch while it goes on
        bool cancelled = false;
    };

    // Opens on SPEECHD_ADDRESS; check connected().
    TScreenReaderSpeech();
    ~TScreenReaderSpeech();
    TScreenReaderSpeech(const TScreenReaderSpeech&) = delete;
    TScreenReaderSpeech& operator=(const TScreenReaderSpeech&) = delete;

    bool connected() const;
    // Cancels its own texts, as at a key, and says the text; returns its number.
    std::size_t interruptandsay(const std::string& text);
    // As interruptandsay without the cancel: what it says after something of its own.
    std::size_t say(const std::string& text);
    TUtterance utterance(std::size_t number) const;
    // Whether none of its texts is queued or spoken.
    bool quiet() const;

private:
    std::size_t speak(const std::string& text, bool interrupt);

    struct TConnection;
    std::unique_ptr<TConnection> m_connection;
    mutable std::mutex m_lock;
    std::map<std::size_t, TUtterance> m_utterances;
};
