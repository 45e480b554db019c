#include "shell/accessibilityanswers.h"

#include <QCoreApplication>
#include <QEvent>
#include <cstring>

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
    }
    return false;
}

void answeraccessibilityquestions()
{
    if (!installed)
        return;
    for (const auto& object : installed->m_bridgeobjects)
        if (object)
            QCoreApplication::sendPostedEvents(object, QEvent::MetaCall);
}
