#include "tests/speech/screenreaderspeech.h"

#include <atomic>
#include <libspeechd.h>
#include <thread>

namespace {

std::atomic<TScreenReaderSpeech*> instance { nullptr };

}

struct TScreenReaderSpeech::TConnection {
    SPDConnection* connection = nullptr;

    // The library's reader thread calls back without a context.
    static void notice(size_t message, size_t, SPDNotificationType kind)
    {
        TScreenReaderSpeech* speech = instance.load();
        if (!speech)
            return;
        const auto now = TClock::now();
        std::lock_guard lock(speech->m_lock);
        TUtterance& utterance = speech->m_utterances[message];
        if (kind == SPD_EVENT_BEGIN)
            utterance.begun = now;
        else if (kind == SPD_EVENT_END || kind == SPD_EVENT_CANCEL) {
            utterance.ended = now;
            utterance.cancelled = kind == SPD_EVENT_CANCEL;
        }
    }
};

TScreenReaderSpeech::TScreenReaderSpeech()
    : m_connection(std::make_unique<TConnection>())
{
    instance.store(this);
    char* failure = nullptr;
    SPDConnectionAddress* address = spd_get_default_address(&failure);
    if (address) {
        m_connection->connection = spd_open2("Orca", "default", nullptr, SPD_MODE_THREADED, address, 0, &failure);
        SPDConnectionAddress__free(address);
    }
    free(failure);
    SPDConnection* connection = m_connection->connection;
    if (!connection)
        return;
    connection->callback_begin = TConnection::notice;
    connection->callback_end = TConnection::notice;
    connection->callback_cancel = TConnection::notice;
    spd_set_notification_on(connection, SPD_BEGIN);
    spd_set_notification_on(connection, SPD_END);
    spd_set_notification_on(connection, SPD_CANCEL);
}

TScreenReaderSpeech::~TScreenReaderSpeech()
{
    if (m_connection->connection) {
        spd_cancel(m_connection->connection);
        // libspeechd's close tears down its reader's locks before it joins
        // the reader: the reader is first let take the cancel notices.
        const auto limit = TClock::now() + std::chrono::seconds(1);
        while (!quiet() && TClock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        spd_close(m_connection->connection);
    }
    instance.store(nullptr);
}

bool TScreenReaderSpeech::connected() const
{
    return m_connection->connection != nullptr;
}

std::size_t TScreenReaderSpeech::interruptandsay(const std::string& text)
{
    return speak(text, true);
}

std::size_t TScreenReaderSpeech::say(const std::string& text)
{
    return speak(text, false);
}

std::size_t TScreenReaderSpeech::speak(const std::string& text, bool interrupt)
{
    if (!m_connection->connection)
        return 0;
    if (interrupt)
        spd_cancel(m_connection->connection);
    const auto given = TClock::now();
    int message = spd_say(m_connection->connection, SPD_MESSAGE, text.c_str());
    if (message <= 0)
        return 0;
    std::lock_guard lock(m_lock);
    // Its notices may have come first.
    m_utterances[static_cast<std::size_t>(message)].given = given;
    return static_cast<std::size_t>(message);
}

TScreenReaderSpeech::TUtterance TScreenReaderSpeech::utterance(std::size_t number) const
{
    std::lock_guard lock(m_lock);
    auto found = m_utterances.find(number);
    return found == m_utterances.end() ? TUtterance {} : found->second;
}

bool TScreenReaderSpeech::quiet() const
{
    std::lock_guard lock(m_lock);
    for (const auto& [number, utterance] : m_utterances)
        if (utterance.ended == TClock::time_point {})
            return false;
    return true;
}
