#pragma once
// A screen reader's questions answered while the program blocks. Some of
// the program's waits (a click or beep being heard, a pause before a
// punctuation mark) hold the window's turn, so no key, timer or menu runs
// meanwhile; Qt's accessibility bridge gets the screen reader's questions
// only with the window's turn, so the screen reader stalls (and, past
// 100 ms, Qt hands it keys it took). While such a wait blocks, the
// bridge's own queued calls, and nothing else, are delivered.

#include <QObject>
#include <QPointer>
#include <chrono>
#include <vector>

class TAccessibilityAnswers : public QObject {
public:
    // Learns the bridge's objects from the calls delivered to them, as an
    // application-wide event filter; one at a time.
    TAccessibilityAnswers();
    ~TAccessibilityAnswers() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend void sleepansweringquestions(std::chrono::steady_clock::time_point until);
    std::vector<QPointer<QObject>> m_bridgeobjects;
    std::chrono::steady_clock::time_point m_lastquestion;
};

// Blocks until the time, delivering the bridge's calls meanwhile and
// nothing else; on the GUI thread, from a wait that handles no events.
// Without a TAccessibilityAnswers it only sleeps.
void sleepansweringquestions(std::chrono::steady_clock::time_point until);
