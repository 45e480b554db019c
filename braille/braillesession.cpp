#include "braille/braillesession.h"

#include "braille/brailledots.h"
#include "runtime/notices.h"

#include <csignal>
#include <mutex>
#include <pthread.h>
#include <QSocketNotifier>
#include <QThread>

// Where the link posts to: the session, until it is gone. A thread left in
// a display call that never returned when the session ended may come back
// later, and must then find nothing to post to.
struct TBrailleSession::TGate {
    std::mutex lock;
    TBrailleSession* session = nullptr;
};

// The display's side of the session, living on the session's thread: every
// call into the display is made here.
class TBrailleLink : public QObject {
public:
    TBrailleLink(std::unique_ptr<TBrailleDisplay> display, std::shared_ptr<TBrailleSession::TGate> gate)
        : m_display(std::move(display))
        , m_gate(std::move(gate))
    {
    }

    // Callbacks run on the session's (GUI) thread.
    std::function<void(int cells, unsigned long window)> onopened;
    std::function<void()> onlost;
    std::function<void(TBrailleKey)> onkey;

    void take(unsigned long window)
    {
        if (m_notifier) {
            if (!m_display->follow(window))
                teardown();
            return;
        }
        if (!m_display->open(window)) {
            post([this] { onlost(); });
            return;
        }
        m_notifier = std::make_unique<QSocketNotifier>(m_display->descriptor(), QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &TBrailleLink::readkeys);
        int cells = m_display->cellcount();
        post([this, cells, window] { onopened(cells, window); });
    }

    void leave()
    {
        if (m_notifier && !m_display->leave())
            teardown();
    }

    void write(const QString& text, int cursor)
    {
        if (m_notifier && !m_display->write(text, cursor))
            teardown();
    }

    void release()
    {
        if (!m_notifier)
            return;
        m_notifier.reset();
        m_display->close();
    }

private:
    void readkeys()
    {
        for (;;) {
            TBrailleKey key;
            switch (m_display->readkey(key)) {
            case TKeyRead::none:
                return;
            case TKeyRead::key:
                post([this, key] { onkey(key); });
                break;
            case TKeyRead::lost:
                teardown();
                return;
            }
        }
    }

    void teardown()
    {
        release();
        post([this] { onlost(); });
    }

    template<typename Call>
    void post(Call call)
    {
        std::lock_guard held(m_gate->lock);
        if (m_gate->session)
            QMetaObject::invokeMethod(m_gate->session, std::move(call), Qt::QueuedConnection);
    }

    std::unique_ptr<TBrailleDisplay> m_display;
    std::shared_ptr<TBrailleSession::TGate> m_gate;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

TBrailleSession::TBrailleSession(std::unique_ptr<TBrailleDisplay> display)
    : m_gate(std::make_shared<TGate>())
    , m_thread(std::make_unique<QThread>())
{
    m_gate->session = this;
    m_thread->setObjectName("braille display");
    m_link = new TBrailleLink(std::move(display), m_gate);
    m_link->onopened = [this](int cells, unsigned long window) { opened(cells, window); };
    m_link->onlost = [this] { lost(); };
    m_link->onkey = [this](TBrailleKey key) { keyarrived(key); };
    m_link->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::finished, m_link, &QObject::deleteLater);
    // BrlAPI writes to its socket with plain write(): a BRLTTY that has just
    // died would end the process with SIGPIPE. Every call of it runs on this
    // thread, where the signal stays held, so the write fails with EPIPE and
    // the display is let go as one that was unplugged.
    connect(
        m_thread.get(), &QThread::started, m_thread.get(),
        [] {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        },
        Qt::DirectConnection);
    m_thread->start();

    m_coalesce.setSingleShot(true);
    m_coalesce.setTimerType(Qt::PreciseTimer);
    connect(&m_coalesce, &QTimer::timeout, this, &TBrailleSession::coalescetimeout);
    m_noticetime.setSingleShot(true);
    m_noticetime.setInterval(noticems);
    connect(&m_noticetime, &QTimer::timeout, this, &TBrailleSession::endnotice);
    m_lookagain.setSingleShot(true);
    m_lookagain.setInterval(lookagainms);
    connect(&m_lookagain, &QTimer::timeout, this, [this] {
        if (m_state == TState::closed)
            windowchanged(m_window);
    });
}

TBrailleSession::~TBrailleSession()
{
    {
        std::lock_guard held(m_gate->lock);
        m_gate->session = nullptr;
    }
    QMetaObject::invokeMethod(m_link, [link = m_link] { link->release(); }, Qt::QueuedConnection);
    m_thread->quit();
    // A server that never answers keeps the thread in its call; the process
    // is ending, so the thread is left to it rather than waited for.
    if (!m_thread->wait(1000))
        (void)m_thread.release();
}

void TBrailleSession::setenabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled) {
        windowchanged(m_window);
        return;
    }
    m_coalesce.stop();
    m_pending = false;
    m_lookagain.stop();
    m_toldlost = false;
    if (m_state != TState::closed)
        QMetaObject::invokeMethod(m_link, [link = m_link] { link->release(); }, Qt::QueuedConnection);
    m_state = TState::closed;
}

void TBrailleSession::windowchanged(unsigned long window)
{
    // Each window's view starts at its own cursor, not where the panning
    // keys left another window's.
    unsigned long previous = m_window;
    if (window != previous)
        m_offset = 0;
    m_window = window;
    if (!m_enabled || m_state == TState::opening)
        return;
    if (window == 0) {
        // What is shown meanwhile is written when a window of ours takes
        // the display back.
        m_coalesce.stop();
        m_pending = false;
        if (m_state == TState::open)
            QMetaObject::invokeMethod(m_link, [link = m_link] { link->leave(); }, Qt::QueuedConnection);
        return;
    }
    bool takenback = m_state == TState::open && previous == 0;
    if (m_state == TState::closed)
        m_state = TState::opening;
    QMetaObject::invokeMethod(m_link, [link = m_link, window] { link->take(window); }, Qt::QueuedConnection);
    // BRLTTY shows a display taken again blank until it is written; the
    // line is still the one the window showed.
    if (takenback)
        writenow();
}

void TBrailleSession::show(const QString& line, int cursor)
{
    // What the window shows now is not hidden by an older notice.
    if (line != m_line || cursor != m_cursor)
        m_notice.clear();
    m_line = line;
    m_cursor = cursor;
    followcursor();
    schedulewrite();
}

void TBrailleSession::shownotice(const QString& text)
{
    m_notice = text;
    m_noticeoffset = 0;
    m_noticetime.stop();
    schedulewrite();
}

void TBrailleSession::endnotice()
{
    m_noticetime.stop();
    if (m_notice.isEmpty())
        return;
    m_notice.clear();
    schedulewrite();
}

void TBrailleSession::opened(int cells, unsigned long window)
{
    if (m_state != TState::opening)
        return;
    m_state = TState::open;
    m_cells = cells;
    if (m_toldlost) {
        m_toldlost = false;
        tell(TNotice::brailleback);
    }
    // The focus moved on while the display was being opened.
    if (window != m_window)
        windowchanged(m_window);
    followcursor();
    if (m_window != 0)
        writenow();
}

void TBrailleSession::lost()
{
    bool wasopen = m_state == TState::open;
    m_state = TState::closed;
    m_coalesce.stop();
    m_pending = false;
    // A display that was there and went (BRLTTY ended, or was restarted) is
    // told once and looked for until it is back; one that was never there
    // is looked for only when a window takes the focus, as at the start.
    if (wasopen && !m_toldlost) {
        m_toldlost = true;
        tell(TNotice::braillelost);
    }
    if (m_toldlost && m_enabled)
        m_lookagain.start();
}

void TBrailleSession::keyarrived(const TBrailleKey& key)
{
    if (m_state != TState::open || m_window == 0)
        return;
    if (noticekey(key))
        return;
    switch (key.kind) {
    case TBrailleKey::TKind::dots: {
        std::string pattern = dotspattern(key.value);
        if (!pattern.empty() && m_handlers.chord)
            m_handlers.chord(pattern);
        break;
    }
    case TBrailleKey::TKind::route:
        if (key.value >= 0 && key.value < m_cells && m_handlers.route)
            m_handlers.route(m_offset + key.value);
        break;
    case TBrailleKey::TKind::panleft:
        if (m_offset > 0) {
            m_offset = std::max(0, m_offset - m_cells);
            schedulewrite();
        }
        break;
    case TBrailleKey::TKind::panright:
        if (m_offset + m_cells < windowlength()) {
            m_offset += m_cells;
            schedulewrite();
        }
        break;
    }
}

// A key pressed while a notice shows, which it takes; false when none shows.
bool TBrailleSession::noticekey(const TBrailleKey& key)
{
    if (m_notice.isEmpty())
        return false;
    int moved = m_noticeoffset;
    if (key.kind == TBrailleKey::TKind::panright && m_noticeoffset + m_cells < m_notice.size())
        moved += m_cells;
    else if (key.kind == TBrailleKey::TKind::panleft)
        moved = std::max(0, m_noticeoffset - m_cells);
    else if (key.kind != TBrailleKey::TKind::panright) {
        endnotice();
        return true;
    }
    m_noticeoffset = moved;
    m_noticetime.start();
    schedulewrite();
    return true;
}

int TBrailleSession::windowlength() const
{
    // The cell after the last character still shows a cursor there.
    return std::max(static_cast<int>(m_line.size()), m_cursor + 1);
}

void TBrailleSession::followcursor()
{
    if (m_cells <= 0)
        return;
    if (m_cursor >= 0 && (m_cursor < m_offset || m_cursor >= m_offset + m_cells))
        m_offset = m_cursor / m_cells * m_cells;
    else if (m_cursor < 0 && m_offset >= windowlength())
        m_offset = 0;
}

void TBrailleSession::schedulewrite()
{
    if (m_state != TState::open || m_window == 0)
        return;
    if (m_coalesce.isActive()) {
        m_pending = true;
        return;
    }
    writenow();
}

void TBrailleSession::coalescetimeout()
{
    if (m_pending)
        writenow();
}

void TBrailleSession::writenow()
{
    m_pending = false;
    QString shown = m_line.mid(m_offset, m_cells);
    int cursor = m_cursor >= m_offset && m_cursor < m_offset + m_cells ? m_cursor - m_offset : -1;
    if (!m_notice.isEmpty()) {
        shown = m_notice.mid(m_noticeoffset, m_cells);
        cursor = -1;
        if (!m_noticetime.isActive())
            m_noticetime.start();
    }
    QMetaObject::invokeMethod(m_link, [link = m_link, shown, cursor] { link->write(shown, cursor); }, Qt::QueuedConnection);
    m_coalesce.start(writeinterval);
}
