#pragma once
// The system voice over speech-dispatcher. One connection of our own, opened
// on the first text. The service holds one text of ours at a time. The
// answer to a key (the first text soon after a purge) goes at important
// priority, ahead of what a screen reader on the same service says at
// message priority, and cuts it; the rest go at text priority, behind the
// screen reader's: a line it is asked for cuts the text of ours being
// said, which is said again after the line. A purge cancels only our own
// messages. The service's begin, end and cancel notices arrive on its
// thread and are posted to the GUI thread. A text that does not begin
// within about two seconds of reaching the front of our queue (fifteen for
// one that may wait behind a screen reader's line) is given up on, so a
// missing output module never hangs a wait for long.
//
// No call holds the GUI thread longer than a tenth of a second. Opening
// (which may start the service and take a second) goes on by itself, and
// texts given meanwhile wait for it, a while. A service that does not
// answer a call in time (stopped, hung) is taken as stopped, as one that
// ended under us (killed, crashed): every text of ours ends, texts are
// silent from then on, and a new connection is opened in the background,
// again and again, until the service answers. The user is told once that
// the voice fails, and told when it speaks again.

#include "speech/systemvoice.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
    using TDeadline = std::chrono::steady_clock::time_point;
    struct TOpening;

    // Whether the connection is open now; waits for an opening until the
    // deadline at most.
    bool connect(TDeadline deadline);
    void startopening(TDeadline deadline);
    void opened(const TOpening& opening, TDeadline deadline);
    void openingoverdue(unsigned opening);
    void attach(TDeadline deadline);
    struct TPending;
    void give(const std::string& text, TDeadline deadline);
    void givenext();
    void say(TPending text, TDeadline deadline);
    void release();
    // While texts are pending: whether the service ended or stopped answering.
    void check();
    bool serviceended() const;
    void lose();
    void begin(std::size_t message);
    void end(std::size_t message);
    void cut(std::size_t message);
    void giveup(std::size_t message);
    void watchfront();
    void endpending();
    void endheld();
    void endnow(); // a text that never reaches the service
    void reportonce(const std::string& message);
    void speaksagain();

    bool m_autospawn;
    struct TConnection;
    std::unique_ptr<TConnection> m_service;
    bool m_unreachable = false;
    // An opening goes on by itself; texts wait for it until it is overdue.
    bool m_opening = false;
    bool m_overdue = false;
    unsigned m_openings = 0;
    std::vector<std::string> m_held;
    bool m_connectedonce = false;
    bool m_reported = false;
    // Our text the service holds: whether it has begun, whether it answers
    // a key, and the text, to be said again should the service cut it.
    struct TPending {
        bool begun = false;
        bool answer = false;
        std::string text;
    };
    std::map<std::size_t, TPending> m_pending;
    // Our texts behind it.
    std::deque<std::string> m_waiting;
    // A purge, until the next text: that text answers a key.
    bool m_purged = false;
    std::chrono::steady_clock::time_point m_purgedat;
    // The service left a text of ours unspoken, and none has begun since.
    bool m_leftunspoken = false;
    // The text whose time to begin is being counted.
    std::size_t m_watched = SIZE_MAX;
    unsigned m_checks = 0;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

// The text of an echo entry with its tags dropped and its entities read.
std::string plaintextfrommarkup(const std::string& utf8);
