#pragma once
// The Braille display beside the speech: what the window with the focus
// shows there, and what its keys do. The display is reached only from a
// thread of the session's own, so a server that is slow to answer never
// stops the window; its socket is watched there with a QSocketNotifier.
// Without a display nothing happens and nothing is said: a display that is
// missing, refuses or goes away is tried again only when the focus moves to
// another of our windows (or the display is switched on), never in a loop.
//
// Lines longer than the display are shown a display's width at a time: the
// part holding the cursor, or the part the panning keys moved to. Bursts of
// changes (a program printing) reach the display at most once per
// writeinterval, the last state always included.
//
// A notice is shown over the line from when it reaches the display (one
// told before the display opened waits for it) until the line changes,
// noticems pass, or a key of the display is pressed: the panning keys move
// through the notice, any other key only brings the line back, so a
// routing key never acts on a line the user cannot see.

#include "braille/brailledisplay.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

class QThread;
class TBrailleLink;

class TBrailleSession : public QObject {
public:
    static constexpr int writeinterval = 20; // milliseconds
    // As long as a screen reader flashes its messages.
    static constexpr int noticems = 5000;

    explicit TBrailleSession(std::unique_ptr<TBrailleDisplay> display);
    ~TBrailleSession() override;

    // Off closes the display; on tries it for the window with the focus.
    void setenabled(bool enabled);
    bool enabled() const { return m_enabled; }

    // One of our windows got the focus and has its own line to show; 0:
    // none of ours has it, or ours has nothing a screen reader would not
    // show better, so the display goes to whoever else shows something.
    void windowchanged(unsigned long window);

    // The line to show and the column of its cursor (-1 for none).
    void show(const QString& line, int cursor);
    void shownotice(const QString& text);

    // The window's answers to the display's keys: a chord pattern typed on
    // the Braille keys, a routing key over the column of the line shown.
    struct TKeyHandlers {
        std::function<void(const std::string& pattern)> chord;
        std::function<void(int column)> route;
    };
    void setkeyhandlers(TKeyHandlers handlers) { m_handlers = std::move(handlers); }

    enum class TState { closed, opening, open };
    TState state() const { return m_state; }
    bool displayopen() const { return m_state == TState::open; }

private:

    void opened(int cells, unsigned long window);
    void lost();
    void keyarrived(const TBrailleKey& key);
    void schedulewrite();
    void coalescetimeout();
    void writenow();
    void endnotice();
    bool noticekey(const TBrailleKey& key);
    void followcursor();
    int windowlength() const;

    friend class TBrailleLink;
    struct TGate;
    std::shared_ptr<TGate> m_gate;
    std::unique_ptr<QThread> m_thread;
    TBrailleLink* m_link = nullptr;
    TKeyHandlers m_handlers;
    bool m_enabled = true;
    TState m_state = TState::closed;
    unsigned long m_window = 0;
    int m_cells = 0;
    QString m_line;
    int m_cursor = -1;
    QString m_notice;
    int m_noticeoffset = 0;
    QTimer m_noticetime;
    int m_offset = 0; // the first column shown
    bool m_pending = false; // a change waits for the coalescing timer
    QTimer m_coalesce;
    // A display that went away is looked for again this often.
    static constexpr int lookagainms = 1000;
    QTimer m_lookagain;
    bool m_toldlost = false;
};
