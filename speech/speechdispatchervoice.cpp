#include "speech/speechdispatchervoice.h"

#include "speech/speechmessages.h"

#include <libspeechd.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <set>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// The service calls back without a context, on its own thread; there is one
// connection per process.
std::atomic<TSpeechDispatcherVoice*> receiver { nullptr };
// The number of the connection open now. A notice still queued from a
// connection that has ended must not end a text of the next one, whose
// service numbers its messages from 1 again.
std::atomic<unsigned> connectionnumber { 0 };

// A text that has not begun by then is not coming (no output module, a
// stuck service): the wait for it ends. Only our own texts are ahead of the
// answer to a key; a text at text priority also waits behind a screen
// reader's, whose lines take seconds, and is given longer, unless the
// service has already left one of ours unspoken.
constexpr int beginlimitms = 2000;
constexpr int behindothersms = 15000;
// A screen reader echoes a key before the program gets it, at priority
// message, and the echo takes half a second or so: the first text within
// this long of a purge answers that key.
constexpr auto answerwindow = std::chrono::milliseconds(1000);
// The library's reader sees the service end but tells nobody, so while a
// text of ours is pending we look ourselves, this often.
constexpr int servicecheckms = 250;
// A service that stops (SIGSTOP, hung) while it speaks a text of ours
// sends no end, and the wait for it would last until it goes on: every
// fourth look it is asked something, within the call's budget.
constexpr int askeverychecks = 4;
// The library's reader takes microseconds to leave once it has seen the
// service end; this bounds the wait for it should it not.
constexpr int readerlimitms = 200;
// The library waits for the service's every answer without a limit; a
// service that does not answer (stopped, hung) would hold the window. One
// call of ours from the GUI thread waits this long at most, all its waits
// together, and a service that has not answered by then is taken as ended.
// A service that answers takes well under a millisecond; what the call does
// after its waits took up to 5 ms on a loaded machine, and the window must
// never be held a tenth of a second.
constexpr auto callbudget = std::chrono::milliseconds(70);
// Opening may start the service, which takes a second or so: texts wait
// for it that long.
constexpr int openlimitms = 4000;
// Once a connection was lost the service is there or restarts itself; texts
// wait this long for a new one, and are silent while it does not come.
constexpr int reopenlimitms = 500;
// An opening that failed after a loss is made again this often.
constexpr int retryms = 3000;

using TDeadline = std::chrono::steady_clock::time_point;

TDeadline budgetfromnow()
{
    return std::chrono::steady_clock::now() + callbudget;
}

// While a call runs, a watch ends it at the deadline by shutting the
// connection's socket: the library's reader then sees the end and wakes
// the waiting call, which fails as for a service that died.
class TAnswerDeadline {
public:
    TAnswerDeadline(int descriptor, TDeadline deadline)
        : m_watch([this, descriptor, deadline] {
            std::unique_lock lock(m_lock);
            if (!m_answered.wait_until(lock, deadline, [this] { return m_done; }))
                ::shutdown(descriptor, SHUT_RDWR);
        })
    {
    }
    ~TAnswerDeadline()
    {
        {
            std::lock_guard lock(m_lock);
            m_done = true;
        }
        m_answered.notify_one();
        m_watch.join();
    }
    TAnswerDeadline(const TAnswerDeadline&) = delete;
    TAnswerDeadline& operator=(const TAnswerDeadline&) = delete;

private:
    std::mutex m_lock;
    std::condition_variable m_answered;
    bool m_done = false;
    std::thread m_watch; // last: it starts once the rest is there
};

// The library's reader is started by the thread that opens the connection
// and, as every new thread, inherits that thread's name: the opening thread
// carries this name so that the reader can be told from the other threads.
constexpr const char* openingthreadname = "vorkana-speechd";

std::string taskname(pid_t task)
{
    std::string name;
    if (std::FILE* file = std::fopen(("/proc/self/task/" + std::to_string(task) + "/comm").c_str(), "r")) {
        char line[32] = {};
        if (std::fgets(line, sizeof line, file))
            name = line;
        std::fclose(file);
    }
    if (!name.empty() && name.back() == '\n')
        name.pop_back();
    return name;
}

std::set<pid_t> tasksnamed(const std::string& name)
{
    std::set<pid_t> tasks;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ignored)) {
        pid_t task = static_cast<pid_t>(std::atoi(entry.path().filename().c_str()));
        if (task > 0 && taskname(task) == name)
            tasks.insert(task);
    }
    return tasks;
}

struct TOpened {
    SPDConnection* connection = nullptr;
    // The library's reader, or 0 when it could not be told.
    pid_t reader = 0;
    // A descriptor of our own for the connection's socket: the library's
    // reader closes its descriptor when the service ends, and the number may
    // then name another file.
    int watched = -1;
};

// The library's reader is done with the connection once its task has ended.
bool readerleft(pid_t reader)
{
    if (reader <= 0)
        return false;
    for (int waited = 0; waited < readerlimitms; ++waited) {
        if (taskname(reader) != openingthreadname)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The library's close cancels its reader and tears down the reader's locks
// before joining it; a reader between two steps (taking the answer to a call
// back, or leaving after the service's end) would lock them torn down.
// Ending the socket first lets the reader leave by itself, and the
// connection is closed only then. A reader that does not leave, or could
// not be told, keeps its connection, a few hundred bytes, for the life of
// the process: a crash is not worth risking for them.
void closeconnection(const TOpened& opened)
{
    if (opened.watched >= 0)
        ::shutdown(opened.watched, SHUT_RDWR);
    if (opened.connection && readerleft(opened.reader))
        spd_close(opened.connection);
    if (opened.watched >= 0)
        ::close(opened.watched);
}

// Closed on a thread of its own: the reader's leaving is not waited for
// on the GUI thread.
void closeinbackground(const TOpened& opened)
{
    if (opened.connection || opened.watched >= 0)
        std::thread([opened] { closeconnection(opened); }).detach();
}

// Opens the connection on a thread of its own and waits for it until the
// deadline at most. An opening that takes longer goes on; what it gives in
// the end, a connection or none and why, is handed to late on the opening's
// thread, and stillopening is set.
TOpened openwithin(bool autospawn, TDeadline deadline, std::string& error, bool& stillopening,
    std::function<void(const TOpened&, const std::string&)> late)
{
    struct TOpening {
        std::mutex lock;
        std::condition_variable done;
        TOpened opened;
        std::string error;
        bool finished = false;
        bool abandoned = false;
    };
    auto opening = std::make_shared<TOpening>();
    std::thread([opening, autospawn, late = std::move(late)] {
        pthread_setname_np(pthread_self(), openingthreadname);
        std::set<pid_t> before = tasksnamed(openingthreadname);
        char* failure = nullptr;
        TOpened opened;
        SPDConnectionAddress* address = spd_get_default_address(&failure);
        if (address) {
            opened.connection = spd_open2("vorkana", "main", nullptr, SPD_MODE_THREADED, address, autospawn ? 1 : 0, &failure);
            free(address->unix_socket_name);
            free(address->inet_socket_host);
            free(address->dbus_bus);
            free(address);
        }
        if (opened.connection)
            opened.watched = ::fcntl(opened.connection->socket, F_DUPFD_CLOEXEC, 0);
        std::set<pid_t> started;
        for (pid_t task : tasksnamed(openingthreadname))
            if (!before.contains(task))
                started.insert(task);
        if (opened.connection && started.size() == 1)
            opened.reader = *started.begin();
        bool abandoned = false;
        std::string error = failure ? failure : "";
        {
            std::lock_guard lock(opening->lock);
            opening->error = error;
            abandoned = opening->abandoned;
            opening->opened = opened;
            opening->finished = true;
            opening->done.notify_one();
        }
        free(failure);
        if (abandoned)
            late(opened, error);
    }).detach();
    std::unique_lock lock(opening->lock);
    stillopening = false;
    if (!opening->done.wait_until(lock, deadline, [&] { return opening->finished; })) {
        opening->abandoned = true;
        stillopening = true;
        error = "it does not answer";
        return {};
    }
    error = opening->error;
    return opening->opened;
}

void servicecallback(size_t message, size_t, SPDNotificationType kind)
{
    unsigned connection = connectionnumber.load();
    // Never call the library from here: post, and let the GUI thread act.
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, [message, kind, connection] {
            if (TSpeechDispatcherVoice* voice = receiver.load())
                voice->notice(message, kind, connection);
        }, Qt::QueuedConnection);
}

// The library writes to its socket with plain write(): a service that ends
// just before would end our process with SIGPIPE. While one of its calls
// runs, the signal is held on this thread and then dropped, so the write
// fails with EPIPE instead and the call reports the failure.
class TBrokenPipeHeld {
public:
    TBrokenPipeHeld()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_pendingbefore = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    }
    ~TBrokenPipeHeld()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!m_pendingbefore && sigismember(&pending, SIGPIPE) == 1) {
            timespec now {};
            sigtimedwait(&m_pipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    TBrokenPipeHeld(const TBrokenPipeHeld&) = delete;
    TBrokenPipeHeld& operator=(const TBrokenPipeHeld&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_previous;
    bool m_pendingbefore;
};

}

struct TSpeechDispatcherVoice::TConnection {
    TOpened opened;
    unsigned number = 0;
    QTimer check;
};

struct TSpeechDispatcherVoice::TOpening {
    TOpened opened;
    std::string error;
};

std::string plaintextfrommarkup(const std::string& utf8)
{
    static const std::pair<const char*, const char*> entities[] = {
        { "&lt;", "<" }, { "&gt;", ">" }, { "&amp;", "&" }, { "&quot;", "\"" }, { "&apos;", "'" }
    };
    std::string plain;
    for (size_t index = 0; index < utf8.size();) {
        if (utf8[index] == '<') {
            size_t close = utf8.find('>', index);
            if (close == std::string::npos)
                break;
            index = close + 1;
            continue;
        }
        if (utf8[index] == '&') {
            bool replaced = false;
            for (auto [entity, character] : entities)
                if (utf8.compare(index, std::char_traits<char>::length(entity), entity) == 0) {
                    plain += character;
                    index += std::char_traits<char>::length(entity);
                    replaced = true;
                    break;
                }
            if (replaced)
                continue;
        }
        plain += utf8[index++];
    }
    return plain;
}

TSpeechDispatcherVoice::TSpeechDispatcherVoice(bool autospawn)
    : m_autospawn(autospawn)
    , m_service(std::make_unique<TConnection>())
{
    m_service->check.setInterval(servicecheckms);
    QObject::connect(&m_service->check, &QTimer::timeout, [this] { check(); });
}

TSpeechDispatcherVoice::~TSpeechDispatcherVoice()
{
    // The service would go on speaking our texts after us (the program
    // ended, the system voice was switched off). Nobody waits for their
    // ends any more, so none is reported.
    if (m_service->opened.connection && !m_pending.empty() && !serviceended()) {
        TBrokenPipeHeld held;
        TAnswerDeadline deadline(m_service->opened.watched, budgetfromnow());
        spd_cancel(m_service->opened.connection);
    }
    m_service->check.stop();
    TSpeechDispatcherVoice* self = this;
    receiver.compare_exchange_strong(self, nullptr);
    closeconnection(m_service->opened);
}

bool TSpeechDispatcherVoice::connect(TDeadline deadline)
{
    if (!m_service->opened.connection && !m_unreachable && !m_opening)
        startopening(deadline);
    return m_service->opened.connection != nullptr;
}

void TSpeechDispatcherVoice::startopening(TDeadline deadline)
{
    std::string error;
    bool stillopening = false;
    std::weak_ptr<int> alive = m_alive;
    const unsigned number = ++m_openings;
    // Not held here: a service the library starts now would inherit the
    // held signal for its whole life.
    TOpened result = openwithin(m_autospawn, deadline, error, stillopening,
        [this, alive](const TOpened& late, const std::string& error) {
            QCoreApplication* application = QCoreApplication::instance();
            if (!application || !QMetaObject::invokeMethod(application, [this, alive, late, error] {
                    if (!alive.lock()) {
                        closeinbackground(late);
                        return;
                    }
                    m_opening = false;
                    opened({ late, error }, budgetfromnow());
                }, Qt::QueuedConnection))
                closeinbackground(late);
        });
    if (!stillopening) {
        opened({ result, error }, deadline);
        return;
    }
    m_opening = true;
    m_overdue = false;
    std::weak_ptr<int> living = m_alive;
    QTimer::singleShot(m_connectedonce ? reopenlimitms : openlimitms, QCoreApplication::instance(),
        [this, living, number] {
            if (living.lock())
                openingoverdue(number);
        });
}

// Texts waited for the opening long enough: the service does not answer.
void TSpeechDispatcherVoice::openingoverdue(unsigned opening)
{
    if (!m_opening || opening != m_openings)
        return;
    m_overdue = true;
    reportonce("The system voice (speech-dispatcher) does not answer; it is silent until it does.");
    endheld();
}

void TSpeechDispatcherVoice::opened(const TOpening& opening, TDeadline deadline)
{
    if (m_service->opened.connection) {
        closeinbackground(opening.opened);
        return;
    }
    if (!opening.opened.connection) {
        endheld();
        if (!m_connectedonce) {
            m_unreachable = true;
            reportonce("The system voice (speech-dispatcher) cannot be reached"
                + (opening.error.empty() ? std::string() : ": " + opening.error) + ". It stays silent.");
            return;
        }
        // It answered once: it is looked for until it answers again.
        std::weak_ptr<int> alive = m_alive;
        QTimer::singleShot(retryms, QCoreApplication::instance(), [this, alive] {
            if (alive.lock() && !m_service->opened.connection && !m_opening)
                startopening(std::chrono::steady_clock::now());
        });
        return;
    }
    m_service->opened = opening.opened;
    attach(deadline);
    for (const std::string& text : std::exchange(m_held, {}))
        give(text, deadline);
}

void TSpeechDispatcherVoice::attach(TDeadline deadline)
{
    m_connectedonce = true;
    m_service->number = ++connectionnumber;
    receiver.store(this);
    m_service->opened.connection->callback_begin = servicecallback;
    m_service->opened.connection->callback_end = servicecallback;
    m_service->opened.connection->callback_cancel = servicecallback;
    {
        TBrokenPipeHeld held;
        TAnswerDeadline answer(m_service->opened.watched, deadline);
        spd_set_notification_on(m_service->opened.connection, SPD_BEGIN);
        spd_set_notification_on(m_service->opened.connection, SPD_END);
        spd_set_notification_on(m_service->opened.connection, SPD_CANCEL);
    }
    if (serviceended()) {
        lose();
        return;
    }
    speaksagain();
}

// After the user was told the voice fails: it answers, or a text begins
// after one was given up on. The next failure is told again.
void TSpeechDispatcherVoice::speaksagain()
{
    if (!m_reported)
        return;
    m_reported = false;
    reportspeechback();
}

// The next text opens a new connection; the old one is closed off the GUI thread.
void TSpeechDispatcherVoice::release()
{
    m_service->check.stop();
    m_watched = SIZE_MAX;
    if (!m_service->opened.connection)
        return;
    TSpeechDispatcherVoice* self = this;
    receiver.compare_exchange_strong(self, nullptr);
    closeinbackground(m_service->opened);
    m_service->opened = {};
}

void TSpeechDispatcherVoice::check()
{
    if (!serviceended() && ++m_checks % askeverychecks == 0) {
        TBrokenPipeHeld held;
        TAnswerDeadline answer(m_service->opened.watched, budgetfromnow());
        // Not spd_get_voice_rate: it reads a reply that never came and crashes.
        spd_execute_command(m_service->opened.connection, "GET RATE");
    }
    if (serviceended())
        lose();
}

bool TSpeechDispatcherVoice::serviceended() const
{
    if (!m_service->opened.connection || m_service->opened.watched < 0)
        return false;
    pollfd socket { m_service->opened.watched, POLLRDHUP, 0 };
    return ::poll(&socket, 1, 0) > 0 && (socket.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

// No notice will come for any text the service held, begun or not; a new
// connection is looked for at once.
void TSpeechDispatcherVoice::lose()
{
    release();
    reportonce("The system voice (speech-dispatcher) has stopped; it is silent until it answers again.");
    endpending();
    if (!m_opening)
        startopening(std::chrono::steady_clock::now());
}

void TSpeechDispatcherVoice::speak(const std::string& utf8, bool markup)
{
    const TDeadline deadline = budgetfromnow();
    std::string text = markup ? plaintextfrommarkup(utf8) : utf8;
    if (serviceended())
        lose();
    if (text.empty()) {
        endnow();
        return;
    }
    if (connect(deadline)) {
        give(text, deadline);
        return;
    }
    if (m_opening && !m_overdue)
        m_held.push_back(text);
    else
        endnow();
}

// The service holds one text of ours at a time: a screen reader's line
// asked for meanwhile goes before our next, and two of ours at priority
// text would cancel each other.
void TSpeechDispatcherVoice::give(const std::string& text, TDeadline deadline)
{
    if (!m_pending.empty() || !m_waiting.empty()) {
        m_waiting.push_back(text);
        return;
    }
    const bool answer = std::exchange(m_purged, false) && std::chrono::steady_clock::now() - m_purgedat < answerwindow;
    say({ false, answer, text }, deadline);
}

void TSpeechDispatcherVoice::givenext()
{
    if (!m_pending.empty() || m_waiting.empty())
        return;
    std::string text = std::move(m_waiting.front());
    m_waiting.pop_front();
    say({ false, false, std::move(text) }, budgetfromnow());
}

void TSpeechDispatcherVoice::say(TPending text, TDeadline deadline)
{
    if (!m_service->opened.connection) {
        endnow();
        return;
    }
    // The answer to a key cuts whatever another client is saying, the
    // screen reader's echo of that key above all, and begins at once. The
    // texts that follow give way to the screen reader: a line it is asked
    // to read cuts the game's sentence, which is said again after it, so
    // the line is never kept waiting until the user's next key makes the
    // screen reader drop it.
    int message = -1;
    {
        TBrokenPipeHeld held;
        TAnswerDeadline answer(m_service->opened.watched, deadline);
        message = spd_say(m_service->opened.connection, text.answer ? SPD_IMPORTANT : SPD_TEXT, text.text.c_str());
    }
    if (message < 0) {
        if (serviceended())
            lose();
        else
            reportonce("The system voice (speech-dispatcher) refused a text. It stays silent.");
        endnow();
        return;
    }
    m_pending[static_cast<std::size_t>(message)] = std::move(text);
    watchfront();
}

// While a text of ours is pending the service is watched for its end. The
// text's time to begin counts from when it was given.
void TSpeechDispatcherVoice::watchfront()
{
    if (m_pending.empty()) {
        m_service->check.stop();
        return;
    }
    if (!m_service->check.isActive())
        m_service->check.start();
    // Named, not bound: clang before 16 cannot capture a structured binding.
    const auto id = m_pending.begin()->first;
    const TPending& front = m_pending.begin()->second;
    if (front.begun || id == m_watched)
        return;
    m_watched = id;
    std::weak_ptr<int> alive = m_alive;
    unsigned connection = m_service->number;
    const int limit = front.answer || m_leftunspoken ? beginlimitms : behindothersms;
    QTimer::singleShot(limit, QCoreApplication::instance(), [this, alive, id, connection] {
        if (alive.lock() && connection == m_service->number)
            giveup(id);
    });
}

void TSpeechDispatcherVoice::purge()
{
    m_purged = true;
    m_purgedat = std::chrono::steady_clock::now();
    endheld();
    // Never opens the connection: with nothing sent there is nothing to purge.
    if (!m_service->opened.connection)
        return;
    if (serviceended()) {
        lose();
        return;
    }
    {
        TBrokenPipeHeld held;
        TAnswerDeadline answer(m_service->opened.watched, budgetfromnow());
        spd_cancel(m_service->opened.connection);
    }
    // Not answered: the service is as good as gone.
    if (serviceended()) {
        lose();
        return;
    }
    // The service's own cancel notices come later and find nothing.
    endpending();
}

// The texts waiting for the opening end unspoken.
void TSpeechDispatcherVoice::endheld()
{
    for (std::size_t count = std::exchange(m_held, {}).size(); count > 0; --count)
        if (onendstream)
            onendstream();
}

// Every text of ours ends now.
void TSpeechDispatcherVoice::endpending()
{
    m_service->check.stop();
    auto ended = std::move(m_pending);
    m_pending.clear();
    auto waiting = std::move(m_waiting);
    m_waiting.clear();
    for (size_t count = ended.size() + waiting.size(); count > 0; --count)
        if (onendstream)
            onendstream();
}

void TSpeechDispatcherVoice::notice(std::size_t message, int kind, unsigned connection)
{
    if (connection != m_service->number)
        return;
    // The notices carry event kinds, not the subscription bits.
    if (kind == SPD_EVENT_BEGIN)
        begin(message);
    else if (kind == SPD_EVENT_END)
        end(message);
    else if (kind == SPD_EVENT_CANCEL)
        cut(message);
}

void TSpeechDispatcherVoice::begin(std::size_t message)
{
    auto found = m_pending.find(message);
    if (found == m_pending.end() || found->second.begun)
        return;
    found->second.begun = true;
    m_leftunspoken = false;
    speaksagain();
    if (onstartstream)
        onstartstream();
}

void TSpeechDispatcherVoice::end(std::size_t message)
{
    if (!m_pending.erase(message))
        return;
    givenext();
    watchfront();
    if (onendstream)
        onendstream();
}

// Our purge ends our texts at once, so a cancel that still finds one was
// the service's own, for another client's text: it is said again, from its
// start, once the service gets to it.
void TSpeechDispatcherVoice::cut(std::size_t message)
{
    auto found = m_pending.find(message);
    if (found == m_pending.end())
        return;
    TPending text = std::move(found->second);
    m_pending.erase(found);
    if (m_watched == message)
        m_watched = SIZE_MAX;
    say(std::move(text), budgetfromnow());
}

void TSpeechDispatcherVoice::giveup(std::size_t message)
{
    auto found = m_pending.find(message);
    if (found == m_pending.end() || found->second.begun)
        return;
    m_pending.erase(found);
    m_leftunspoken = true;
    givenext();
    watchfront();
    reportonce("The system voice (speech-dispatcher) did not start speaking within two seconds; "
               "is an output module installed? Texts it does not speak are skipped.");
    if (onendstream)
        onendstream();
}

void TSpeechDispatcherVoice::endnow()
{
    std::weak_ptr<int> alive = m_alive;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [this, alive] {
        if (!alive.lock())
            return;
        if (onstartstream)
            onstartstream();
        if (onendstream)
            onendstream();
    }, Qt::QueuedConnection);
}

void TSpeechDispatcherVoice::reportonce(const std::string& message)
{
    if (m_reported)
        return;
    m_reported = true;
    reportspeechproblem(message);
}
