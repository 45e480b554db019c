#include "shell/keyfilter.h"

#include "platform/keyevents.h"
#include "platform/virtualkeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

TMainKeyFilter::TMainKeyFilter(QWidget* mainwindow, TKeyHandlers handlers)
    : QObject(mainwindow)
    , m_mainwindow(mainwindow)
    , m_handlers(std::move(handlers))
{
}

bool TMainKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        return keydown(watched, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease:
        return keyup(watched, static_cast<QKeyEvent*>(event));
    case QEvent::ApplicationStateChange:
        // Keys released while another application has the keyboard never
        // reach us.
        if (QGuiApplication::applicationState() != Qt::ApplicationActive)
            keystate.clear();
        return false;
    default:
        return false;
    }
}

bool TMainKeyFilter::keydown(QObject* watched, QKeyEvent* event)
{
    TEventStamp stamp { event->timestamp(), event->nativeScanCode(), event->key() };
    if (stamp == m_lastpress)
        return m_lastpresseaten && inmainwindow(watched);
    m_lastpress = stamp;

    int code = keystate.press(TKeyState::keyidentity(event->key(), event->nativeScanCode()), virtualkeyof(event));
    m_lastpresseaten = inmainwindow(watched);
    if (!m_lastpresseaten)
        return false;

    // A menu shortcut runs its command when the item is enabled; a disabled
    // item's key must not reach the handlers or the widgets either.
    if (ismenushortcut(event))
        return true;

    TShiftState shift { event->modifiers().testFlag(Qt::ShiftModifier), event->modifiers().testFlag(Qt::AltModifier),
        event->modifiers().testFlag(Qt::ControlModifier) };
    std::string typed = typedcharacters(event);
    m_handlers.keydown(code, shift);
    for (char character : typed)
        m_handlers.keypress(character);

    // The handler may have opened the virtual screen and returned only when
    // it closed; the presses made there came through here, and the rest of
    // this press must still be known as already handled.
    m_lastpress = stamp;
    // Modifier keys go on to the menu bar, which opens on Alt. Other keys
    // stop here, so the read-only screen never scrolls or moves its caret.
    // A shortcut override stopped here is still unaccepted, so menu
    // shortcuts and mnemonics work.
    m_lastpresseaten = !ismodifierkey(event->key());
    return m_lastpresseaten;
}

bool TMainKeyFilter::keyup(QObject* watched, QKeyEvent* event)
{
    bool mainwindow = inmainwindow(watched);
    // Auto-repeat arrives as a release and a press; only the press counts.
    if (event->isAutoRepeat())
        return mainwindow && !ismodifierkey(event->key());

    TEventStamp stamp { event->timestamp(), event->nativeScanCode(), event->key() };
    if (stamp == m_lastrelease)
        return m_lastreleaseeaten && mainwindow;
    m_lastrelease = stamp;

    int code = keystate.release(TKeyState::keyidentity(event->key(), event->nativeScanCode()));
    m_lastreleaseeaten = mainwindow && !ismodifierkey(event->key());
    if (!mainwindow)
        return false;
    m_handlers.keyup(code >= 0 ? code : virtualkeyof(event));
    return m_lastreleaseeaten;
}

bool TMainKeyFilter::inmainwindow(QObject* watched) const
{
    if (!m_mainwindow)
        return false;
    // An open menu takes the keys, as the system's menus do: its keys come
    // through the main window's window but are for the menu, whose arrows
    // are the only way through it without a mouse.
    if (QApplication::activePopupWidget())
        return false;
    if (watched->isWidgetType())
        return static_cast<QWidget*>(watched)->window() == m_mainwindow;
    if (watched->isWindowType())
        return watched == m_mainwindow->windowHandle();
    return false;
}

bool TMainKeyFilter::ismenushortcut(const QKeyEvent* event) const
{
    QKeySequence pressed(event->keyCombination());
    const auto actions = m_mainwindow->findChildren<QAction*>();
    for (const QAction* action : actions)
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed)
            return true;
    return false;
}
