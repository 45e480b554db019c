#include "shell/keyfilter.h"

#include "platform/keyevents.h"
#include "platform/virtualkeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

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
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (keptfrommenu(key))
            return true;
        // The window hands each key on to its focus widget; the accessibility
        // bridge may hold it back at the window first. Only what reaches a
        // widget counts, so both ways look alike here.
        if (!watched->isWidgetType())
            return false;
        TDelivery delivery { event, event->type(), key->timestamp(), key->key(), key->nativeScanCode() };
        if (delivery == m_lastdelivery)
            return m_lastdeliveryeaten;
        m_lastdelivery = delivery;
        bool eaten = false;
        if (event->type() == QEvent::ShortcutOverride)
            eaten = override(watched, key);
        else if (event->type() == QEvent::KeyPress)
            eaten = keydown(watched, key);
        else
            eaten = keyup(watched, key);
        // A handler may have run a modal window whose keys came through here.
        m_lastdelivery = delivery;
        m_lastdeliveryeaten = eaten;
        return eaten;
    }
    case QEvent::Shortcut:
        takenbyshortcut();
        return false;
    case QEvent::Show:
        if (qobject_cast<QMenu*>(watched))
            m_pressesbeforemenu = m_pressesinflight;
        return false;
    case QEvent::Hide:
        // A key let go while a menu held the keyboard may never have been
        // reported anywhere; the held set must not keep it down.
        if (qobject_cast<QMenu*>(watched))
            keystate.clear();
        return false;
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

bool TMainKeyFilter::keptfrommenu(const QKeyEvent* event)
{
    // Alt held back by the bridge while the P after it opened its menu at
    // once: the menu (and the menu bar, which watches every window) would
    // take that Alt, pressed or let go, for its own and close.
    if (event->type() == QEvent::ShortcutOverride || !QApplication::activePopupWidget())
        return false;
    std::uint64_t identity = TKeyState::keyidentity(event->key(), event->nativeScanCode());
    if (event->type() == QEvent::KeyPress && m_pressesbeforemenu.erase(identity) != 0) {
        m_pressesinflight.erase(identity);
        m_keptfrommenu.insert(identity);
        return true;
    }
    if (event->type() == QEvent::KeyRelease && !event->isAutoRepeat() && m_keptfrommenu.erase(identity) != 0) {
        keystate.release(identity);
        return true;
    }
    return false;
}

TShiftState TMainKeyFilter::shiftstate(const QKeyEvent* event)
{
    return { event->modifiers().testFlag(Qt::ShiftModifier), event->modifiers().testFlag(Qt::AltModifier),
        event->modifiers().testFlag(Qt::ControlModifier) };
}

bool TMainKeyFilter::override(QObject* watched, QKeyEvent* event)
{
    m_overridden.reset();
    // A key press sent on by the program (the bridge's copy) is preceded by
    // an override Qt makes of it, without its scan code; the key press
    // itself follows at once.
    if (!event->spontaneous())
        return false;
    m_pressesinflight.insert(TKeyState::keyidentity(event->key(), event->nativeScanCode()));
    bool mainwindow = inmainwindow(watched);
    bool menushortcut = mainwindow && ismenushortcut(event);
    m_overridden = TOverriddenPress { TKeyState::keyidentity(event->key(), event->nativeScanCode()),
        virtualkeyof(event), shiftstate(event), mainwindow, menushortcut };
    // Stopped here, the override is still unaccepted, so menu shortcuts and
    // mnemonics work; the read-only screen never claims a key for itself.
    return mainwindow && (menushortcut || !ismodifierkey(event->key()));
}

void TMainKeyFilter::takenbyshortcut()
{
    // The shortcut took the press whose override was just handled: no key
    // press follows, so this is its key-down (a menu's mnemonic with Alt).
    if (!m_overridden)
        return;
    TOverriddenPress press = *m_overridden;
    m_overridden.reset();
    m_pressesinflight.erase(press.identity);
    int code = keystate.press(press.identity, press.code);
    if (press.mainwindow && !press.menushortcut)
        m_handlers.keydown(code, press.shift);
}

bool TMainKeyFilter::keydown(QObject* watched, QKeyEvent* event)
{
    m_overridden.reset();
    std::uint64_t identity = TKeyState::keyidentity(event->key(), event->nativeScanCode());
    m_pressesinflight.erase(identity);
    int code = keystate.press(identity, virtualkeyof(event));
    if (!inmainwindow(watched))
        return false;
    // A menu shortcut runs its command when the item is enabled; a disabled
    // item's key must not reach the handlers or the widgets either.
    if (ismenushortcut(event))
        return true;
    std::string typed = typedcharacters(event);
    m_handlers.keydown(code, shiftstate(event));
    for (char character : typed)
        m_handlers.keypress(character);
    // Modifier keys go on to the menu bar, which opens on Alt. Other keys
    // stop here, so the read-only screen never scrolls or moves its caret.
    return !ismodifierkey(event->key());
}

bool TMainKeyFilter::keyup(QObject* watched, QKeyEvent* event)
{
    m_overridden.reset();
    bool mainwindow = inmainwindow(watched);
    // Auto-repeat arrives as a release and a press; only the press counts.
    if (event->isAutoRepeat())
        return mainwindow && !ismodifierkey(event->key());

    std::uint64_t identity = TKeyState::keyidentity(event->key(), event->nativeScanCode());
    m_pressesinflight.erase(identity);
    m_pressesbeforemenu.erase(identity);
    int code = keystate.release(identity);
    if (!mainwindow)
        return false;
    m_handlers.keyup(code >= 0 ? code : virtualkeyof(event));
    return !ismodifierkey(event->key());
}

bool TMainKeyFilter::inmainwindow(QObject* watched) const
{
    if (!m_mainwindow)
        return false;
    // An open menu, or the menu bar walked with the keyboard, takes the
    // keys, as the system's menus do: they come through the main window but
    // are for the menus, whose arrows, Enter and Escape are the only way
    // through them without a mouse.
    if (QApplication::activePopupWidget())
        return false;
    if (qobject_cast<QMenuBar*>(watched))
        return false;
    return static_cast<QWidget*>(watched)->window() == m_mainwindow;
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
