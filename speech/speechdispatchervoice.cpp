#include "speech/speechdispatchervoice.h"

#include "speech/speechmessages.h"

#include <libspeechd.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The service calls back without a context, on its own thread; there is one
// connection per process.
std::atomic<TSpeechDispatcherVoice*> receiver { nullptr };
// The number of the connection open now. A notice still queued from a
// connection that has ended must not end a text of the next one, whose
// service numbers its messages from 1 again.
std::atomic<unsigned> connectionnumber { 0 };

// A text that has not begun by then is not coming (no output module, a
// stuck service): the wait for it ends.
constexpr int beginlimitms = 2000;
// The library's reader sees the service end but tells nobody, so while a
// text of ours is pending we look ourselves, this often.
constexpr int servicecheckms = 250;
// The library's reader takes microseconds to leave once it has seen the
// service end; this bounds the wait for it should it not.
constexpr int readerlimitms = 200;
// The library waits for the service's every answer without a limit; a
// service that does not answer (stopped, hung) would hold the window. A
// call not answered within this is taken as the service's end.
constexpr int answerlimitms = 1000;
// Opening may start the service, which takes a second or so.
constexpr int openlimitms = 4000;

// While a call runs, a watch ends it after the limit by shutting the
// connection's socket: the library's reader then sees the end and wakes
// the waiting call, which fails as for a service that died.
class TAnswerDeadline {
public:
    explicit TAnswerDeadline(int descriptor)
        : m_watch([this, descriptor] {
            std::unique_lock lock(m_lock);
            if (!m_answered.wait_for(lock, std::chrono::milliseconds(answerlimitms), [this] { return m_done; }))
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

// Opens the connection on a thread of its own and waits for it a while. A
// service that does not answer is left to that thread, which closes what
// it opens too late.
SPDConnection* openwithin(bool autospawn, std::string& error)
{
    struct TOpening {
        std::mutex lock;
        std::condition_variable done;
        SPDConnection* connection = nullptr;
        std::string error;
        bool finished = false;
        bool abandoned = false;
    };
    auto opening = std::make_shared<TOpening>();
    std::thread([opening, autospawn] {
        char* failure = nullptr;
        SPDConnection* connection = nullptr;
        SPDConnectionAddress* address = spd_get_default_address(&failure);
        if (address) {
            connection = spd_open2("vorkana", "main", nullptr, SPD_MODE_THREADED, address, autospawn ? 1 : 0, &failure);
            free(address->unix_socket_name);
            free(address->inet_socket_host);
            free(address->dbus_bus);
            free(address);
        }
        std::lock_guard lock(opening->lock);
        if (failure)
            opening->error = failure;
        free(failure);
        if (opening->abandoned) {
            if (connection)
                spd_close(connection);
            return;
        }
        opening->connection = connection;
        opening->finished = true;
        opening->done.notify_one();
    }).detach();
    std::unique_lock lock(opening->lock);
    if (!opening->done.wait_for(lock, std::chrono::milliseconds(openlimitms), [&] { return opening->finished; })) {
        opening->abandoned = true;
        error = "it does not answer";
        return nullptr;
    }
    error = opening->error;
    return opening->connection;
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
    SPDConnection* connection = nullptr;
    unsigned number = 0;
    // A descriptor of our own for the connection's socket: the library's
    // reader closes its descriptor when the service ends, and the number may
    // then name another file.
    int watched = -1;
    QTimer check;
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
    QObject::connect(&m_service->check, &QTimer::timeout, [this] {
        if (serviceended())
            lose();
    });
}

TSpeechDispatcherVoice::~TSpeechDispatcherVoice()
{
    release();
}

bool TSpeechDispatcherVoice::connect()
{
    if (m_service->connection)
        return true;
    if (m_unreachable)
        return false;
    std::string error;
    // Not held here: a service the library starts now would inherit the
    // held signal for its whole life.
    m_service->connection = openwithin(m_autospawn, error);
    if (!m_service->connection) {
        m_unreachable = true;
        reportonce("The system voice (speech-dispatcher) cannot be reached"
            + (error.empty() ? std::string() : ": " + error) + ". It stays silent.");
        return false;
    }
    m_service->watched = ::fcntl(m_service->connection->socket, F_DUPFD_CLOEXEC, 0);
    m_service->number = ++connectionnumber;
    receiver.store(this);
    m_service->connection->callback_begin = servicecallback;
    m_service->connection->callback_end = servicecallback;
    m_service->connection->callback_cancel = servicecallback;
    TBrokenPipeHeld held;
    TAnswerDeadline deadline(m_service->watched);
    spd_set_notification_on(m_service->connection, SPD_BEGIN);
    spd_set_notification_on(m_service->connection, SPD_END);
    spd_set_notification_on(m_service->connection, SPD_CANCEL);
    return true;
}

// Closing joins the library's reader, which has stopped already when the
// service ended; the next text opens a new connection.
void TSpeechDispatcherVoice::release()
{
    m_service->check.stop();
    m_watched = SIZE_MAX;
    if (!m_service->connection)
        return;
    TSpeechDispatcherVoice* self = this;
    receiver.compare_exchange_strong(self, nullptr);
    spd_close(m_service->connection);
    m_service->connection = nullptr;
    if (m_service->watched >= 0)
        ::close(m_service->watched);
    m_service->watched = -1;
}

bool TSpeechDispatcherVoice::serviceended() const
{
    if (!m_service->connection || m_service->watched < 0)
        return false;
    pollfd socket { m_service->watched, POLLRDHUP, 0 };
    return ::poll(&socket, 1, 0) > 0 && (socket.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

// The library's reader, woken by the same end, closes its descriptor and
// leaves; closing the connection before that would tear down its locks
// under it. The descriptor's number no longer naming our socket tells.
void TSpeechDispatcherVoice::awaitreader() const
{
    struct stat ours {};
    if (::fstat(m_service->watched, &ours) != 0)
        return;
    for (int waited = 0; waited < readerlimitms; ++waited) {
        struct stat theirs {};
        if (::fstat(m_service->connection->socket, &theirs) != 0 || theirs.st_ino != ours.st_ino
            || theirs.st_dev != ours.st_dev)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// No notice will come for any text the service held, begun or not.
void TSpeechDispatcherVoice::lose()
{
    awaitreader();
    release();
    reportonce("The system voice (speech-dispatcher) has stopped. The next text tries to reach it again; "
               "if that fails, it stays silent.");
    endpending();
}

void TSpeechDispatcherVoice::speak(const std::string& utf8, bool markup)
{
    std::string text = markup ? plaintextfrommarkup(utf8) : utf8;
    if (serviceended())
        lose();
    if (text.empty() || !connect()) {
        endnow();
        return;
    }
    int message = -1;
    {
        TBrokenPipeHeld held;
        TAnswerDeadline deadline(m_service->watched);
        message = spd_say(m_service->connection, SPD_MESSAGE, text.c_str());
    }
    if (message < 0) {
        if (serviceended())
            lose();
        else
            reportonce("The system voice (speech-dispatcher) refused a text. It stays silent.");
        endnow();
        return;
    }
    m_pending[static_cast<std::size_t>(message)] = false;
    watchfront();
}

// While texts of ours are pending the service is watched for its end. It
// speaks them in turn; only the one at the front can be expected to begin,
// so its time to begin counts from when it got there.
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
    if (m_pending.begin()->second || id == m_watched)
        return;
    m_watched = id;
    std::weak_ptr<int> alive = m_alive;
    unsigned connection = m_service->number;
    QTimer::singleShot(beginlimitms, QCoreApplication::instance(), [this, alive, id, connection] {
        if (alive.lock() && connection == m_service->number)
            giveup(id);
    });
}

void TSpeechDispatcherVoice::purge()
{
    // Never opens the connection: with nothing sent there is nothing to purge.
    if (!m_service->connection)
        return;
    if (serviceended()) {
        lose();
        return;
    }
    {
        TBrokenPipeHeld held;
        TAnswerDeadline deadline(m_service->watched);
        spd_cancel(m_service->connection);
    }
    // Not answered: the service is as good as gone.
    if (serviceended()) {
        lose();
        return;
    }
    // The service's own cancel notices come later and find nothing.
    endpending();
}

// Every text of ours ends now.
void TSpeechDispatcherVoice::endpending()
{
    m_service->check.stop();
    auto ended = std::move(m_pending);
    m_pending.clear();
    for (size_t count = ended.size(); count > 0; --count)
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
    else if (kind == SPD_EVENT_END || kind == SPD_EVENT_CANCEL)
        end(message);
}

void TSpeechDispatcherVoice::begin(std::size_t message)
{
    auto found = m_pending.find(message);
    if (found == m_pending.end() || found->second)
        return;
    found->second = true;
    if (onstartstream)
        onstartstream();
}

void TSpeechDispatcherVoice::end(std::size_t message)
{
    if (!m_pending.erase(message))
        return;
    watchfront();
    if (onendstream)
        onendstream();
}

void TSpeechDispatcherVoice::giveup(std::size_t message)
{
    auto found = m_pending.find(message);
    if (found == m_pending.end() || found->second)
        return;
    m_pending.erase(found);
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
