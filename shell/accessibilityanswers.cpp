#include "shell/accessibilityanswers.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <cstring>
#include <thread>

namespace {

TAccessibilityAnswers* installed = nullptr;

// The bridge's D-Bus object, which the screen reader's questions are
// posted to, and the one that hears its answers about keys.
bool isbridgeobject(const QObject* object)
{
    const char* name = object->metaObject()->className();
    return std::strcmp(name, "AtSpiAdaptor") == 0 || std::strcmp(name, "QSpiApplicationAdaptor") == 0;
}

}

TAccessibilityAnswers::TAccessibilityAnswers()
{
    installed = this;
    QCoreApplication::instance()->installEventFilter(this);
}

TAccessibilityAnswers::~TAccessibilityAnswers()
{
    if (installed == this)
        installed = nullptr;
}

bool TAccessibilityAnswers::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MetaCall && isbridgeobject(watched)) {
        bool known = false;
        for (const auto& object : m_bridgeobjects)
            known = known || object == watched;
        if (!known)
            m_bridgeobjects.emplace_back(watched);
        m_lastquestion = std::chrono::steady_clock::now();
    }
    return false;
}

void sleepansweringquestions(std::chrono::steady_clock::time_point until)
{
    using namespace std::chrono_literals;
    using clock = std::chrono::steady_clock;
    // Qt's D-Bus thread posts the calls to the bridge and wakes the event
    // loop, which this sleep does not run, so the sleep looks for them. A
    // screen reader asks one question at a time, the next once the last is
    // answered, a hundred or more for one look at the window: each answer
    // left for a look every 2 ms made reading the screen three times as
    // slow as at rest. Once a question came, the sleep looks every 50 us
    // for a while, and every 2 ms when none came: each look wakes the
    // processor, which the screen reader needs meanwhile.
    constexpr auto restinglook = 2ms;
    constexpr auto askinglook = 50us;
    constexpr auto askingtime = 100ms;
    if (!installed) {
        std::this_thread::sleep_until(until);
        return;
    }
    for (auto now = clock::now(); now < until; now = clock::now()) {
        for (const auto& object : installed->m_bridgeobjects)
            if (object)
                QCoreApplication::sendPostedEvents(object, QEvent::MetaCall);
        now = clock::now();
        const auto look = now - installed->m_lastquestion < askingtime ? askinglook : restinglook;
        std::this_thread::sleep_until(std::min(until, now + look));
    }
}
