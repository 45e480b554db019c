#include "platform/screenreaderwatch.h"

#include "platform/screenreader.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QTimer>

namespace {

const QString busservice = QStringLiteral("org.a11y.Bus");
const QString buspath = QStringLiteral("/org/a11y/bus");
const QString registryservice = QStringLiteral("org.a11y.atspi.Registry");
const QString registrypath = QStringLiteral("/org/a11y/atspi/registry");
const QString registryinterface = QStringLiteral("org.a11y.atspi.Registry");

// Calls and hands the reply to done on the GUI thread, never waiting; a
// call that fails goes to failed.
template <typename TDone>
void ask(const QDBusConnection& bus, const QDBusMessage& call, QObject* owner, TDone done,
    std::function<void()> failed = [] {})
{
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call), owner);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, owner, [pending, done, failed] {
        pending->deleteLater();
        if (pending->isError())
            failed();
        else
            done(pending->reply());
    });
}

// Listeners a screen reader registers to follow the focus. The registry
// names events as they travel on the bus ("Object:StateChanged:Focused")
// or as a client wrote them ("object:state-changed:focused").
bool followsfocus(QString event)
{
    event = event.toLower().remove(u'-');
    return event.startsWith(QLatin1String("focus:")) || event.startsWith(QLatin1String("object:statechanged:focused"))
        || event == QLatin1String("object:statechanged:") || event == QLatin1String("object:")
        || event == QLatin1String("object::");
}

}

TScreenReaderWatch::TScreenReaderWatch()
{
    QTimer::singleShot(firstanswerms, this, &TScreenReaderWatch::answered);
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected()) {
        answered();
        return;
    }
    QDBusMessage enabled = QDBusMessage::createMethodCall(busservice, buspath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    enabled << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled");
    ask(session, enabled, this, [this](const QDBusMessage& reply) {
        if (!reply.arguments().isEmpty())
            m_enabled = qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
        tell();
    });
    ask(session, QDBusMessage::createMethodCall(busservice, buspath, busservice, QStringLiteral("GetAddress")), this,
        [this](const QDBusMessage& reply) {
            if (reply.arguments().isEmpty())
                answered();
            else
                connectaccessibilitybus(reply.arguments().first().toString());
        },
        [this] { answered(); });
}

void TScreenReaderWatch::whenanswered(std::function<void()> call)
{
    if (m_answered)
        call();
    else
        m_whenanswered.push_back(std::move(call));
}

void TScreenReaderWatch::answered()
{
    if (m_answered)
        return;
    m_answered = true;
    // Moved out first: a call that asks again is run at once.
    std::vector<std::function<void()>> calls = std::move(m_whenanswered);
    for (auto& call : calls)
        call();
}

TScreenReaderWatch::~TScreenReaderWatch()
{
    setscreenreaderlistening(false);
    if (m_accessibilitybus)
        QDBusConnection::disconnectFromBus(m_accessibilitybus->name());
}

void TScreenReaderWatch::connectaccessibilitybus(const QString& address)
{
    if (address.isEmpty()) {
        answered();
        return;
    }
    m_accessibilitybus = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address, QStringLiteral("vorkana-screenreader-watch")));
    if (!m_accessibilitybus->isConnected()) {
        answered();
        return;
    }
    for (const char* change : { "EventListenerRegistered", "EventListenerDeregistered" })
        m_accessibilitybus->connect(registryservice, registrypath, registryinterface, QLatin1String(change), this,
            SLOT(askregistry()));
    askregistry();
}

void TScreenReaderWatch::askregistry()
{
    ask(*m_accessibilitybus,
        QDBusMessage::createMethodCall(registryservice, registrypath, registryinterface, QStringLiteral("GetRegisteredEvents")),
        this, [this](const QDBusMessage& reply) {
            bool found = false;
            if (!reply.arguments().isEmpty()) {
                const QDBusArgument events = reply.arguments().first().value<QDBusArgument>();
                events.beginArray();
                while (!events.atEnd()) {
                    QString client, event;
                    events.beginStructure();
                    events >> client >> event;
                    events.endStructure();
                    found = found || followsfocus(event);
                }
                events.endArray();
            }
            m_focuslistener = found;
            tell();
            answered();
        },
        [this] { answered(); });
}

void TScreenReaderWatch::tell()
{
    setscreenreaderlistening(m_enabled || m_focuslistener);
}
