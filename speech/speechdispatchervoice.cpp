#include "speech/speechdispatchervoice.h"

#include "speech/speechmessages.h"

#include <libspeechd.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <cstdlib>

namespace {

// The service calls back without a context, on its own thread; there is one
// connection per process.
std::atomic<TSpeechDispatcherVoice*> receiver { nullptr };

// A text that has not begun by then is not coming (no output module, a
// stuck service): the wait for it ends.
constexpr int beginlimitms = 2000;

void servicecallback(size_t message, size_t, SPDNotificationType kind)
{
    // Never call the library from here: post, and let the GUI thread act.
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, [message, kind] {
            if (TSpeechDispatcherVoice* voice = receiver.load())
                voice->notice(message, kind);
        }, Qt::QueuedConnection);
}

}

struct TSpeechDispatcherVoice::TConnection {
    SPDConnection* connection = nullptr;
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
}

TSpeechDispatcherVoice::~TSpeechDispatcherVoice()
{
    receiver.store(nullptr);
    if (m_service->connection)
        spd_close(m_service->connection);
}

bool TSpeechDispatcherVoice::connect()
{
    if (m_service->connection)
        return true;
    if (m_unreachable)
        return false;
    char* error = nullptr;
    SPDConnectionAddress* address = spd_get_default_address(&error);
    if (address) {
        m_service->connection = spd_open2("vorkana", "main", nullptr, SPD_MODE_THREADED, address, m_autospawn ? 1 : 0, &error);
        free(address->unix_socket_name);
        free(address->inet_socket_host);
        free(address->dbus_bus);
        free(address);
    }
    if (!m_service->connection) {
        m_unreachable = true;
        reportonce("The system voice (speech-dispatcher) cannot be reached"
            + (error ? ": " + std::string(error) : std::string()) + ". It stays silent.");
        free(error);
        return false;
    }
    free(error);
    receiver.store(this);
    m_service->connection->callback_begin = servicecallback;
    m_service->connection->callback_end = servicecallback;
    m_service->connection->callback_cancel = servicecallback;
    spd_set_notification_on(m_service->connection, SPD_BEGIN);
    spd_set_notification_on(m_service->connection, SPD_END);
    spd_set_notification_on(m_service->connection, SPD_CANCEL);
    return true;
}

void TSpeechDispatcherVoice::speak(const std::string& utf8, bool markup)
{
    std::string text = markup ? plaintextfrommarkup(utf8) : utf8;
    if (text.empty() || !connect()) {
        endnow();
        return;
    }
    int message = spd_say(m_service->connection, SPD_MESSAGE, text.c_str());
    if (message < 0) {
        reportonce("The system voice (speech-dispatcher) refused a text. It stays silent.");
        endnow();
        return;
    }
    m_pending[static_cast<std::size_t>(message)] = false;
    watchfront();
}

// The service speaks our texts in turn; only the one at the front can be
// expected to begin, so its time to begin counts from when it got there.
void TSpeechDispatcherVoice::watchfront()
{
    if (m_pending.empty())
        return;
    auto [id, begun] = *m_pending.begin();
    if (begun || id == m_watched)
        return;
    m_watched = id;
    std::weak_ptr<int> alive = m_alive;
    QTimer::singleShot(beginlimitms, QCoreApplication::instance(), [this, alive, id] {
        if (alive.lock())
            giveup(id);
    });
}

void TSpeechDispatcherVoice::purge()
{
    // Never opens the connection: with nothing sent there is nothing to purge.
    if (!m_service->connection)
        return;
    spd_cancel(m_service->connection);
    // Every text of ours ends now; the service's own cancel notices for
    // them come later and find nothing.
    auto purged = std::move(m_pending);
    m_pending.clear();
    for (size_t count = purged.size(); count > 0; --count)
        if (onendstream)
            onendstream();
}

void TSpeechDispatcherVoice::notice(std::size_t message, int kind)
{
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
