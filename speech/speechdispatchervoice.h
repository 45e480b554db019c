#pragma once
// The system voice over speech-dispatcher. One connection of our own, opened
// on the first text (opening may start the service and take a second); texts
// queue at message priority; a purge cancels only our own messages. The
// service's begin, end and cancel notices arrive on its thread and are
// posted to the GUI thread. A text that does not begin within about two
// seconds of reaching the front of our queue is given up on, so a missing
// output module never hangs a wait. A service that ends under us (killed,
// crashed) ends every text of ours with one message; the next text tries
// to reach it again, and if that fails the voice stays silent. A service
// that does not answer is never waited for long on the GUI thread: its
// opening goes on by itself, texts meanwhile are silent, and the voice
// speaks again once it answers.

#include "speech/systemvoice.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>


class TSpeechDispatcherVoice final : public TSystemVoice {
public:
    // Without autospawn only a running service is used (tests start their own).
    explicit TSpeechDispatcherVoice(bool autospawn = true);
    ~TSpeechDispatcherVoice() override;

    void speak(const std::string& utf8, bool markup) override;
    void purge() override;

    // GUI thread: a notice of the service, posted, from the connection of
    // that number.
    void notice(std::size_t message, int kind, unsigned connection);

private:
    bool connect();
    void attach();
    void release();
    bool serviceended() const;
    void lose();
    void begin(std::size_t message);
    void end(std::size_t message);
    void giveup(std::size_t message);
    void watchfront();
    void endpending();
    void endnow(); // a text that never reaches the service
    void reportonce(const std::string& message);

    bool m_autospawn;
    struct TConnection;
    std::unique_ptr<TConnection> m_service;
    bool m_unreachable = false;
    // An opening that outlasted its wait goes on; texts meanwhile are silent.
    bool m_opening = false;
    bool m_connectedonce = false;
    bool m_reported = false;
    // Our texts the service holds, and whether each has begun.
    std::map<std::size_t, bool> m_pending;
    // The text whose time to begin is being counted.
    std::size_t m_watched = SIZE_MAX;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

// The text of an echo entry with its tags dropped and its entities read.
std::string plaintextfrommarkup(const std::string& utf8);
