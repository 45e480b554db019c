#pragma once
// The application-wide key filter: it sees every key event before any
// widget, keeps the set of keys held (platform/virtualkeys.h) for all windows,
// and turns the main window's key events into its three handlers. The menu
// shortcuts' key-down and character never reach the handlers, whether the
// item is enabled or not; their key-up does.

#include "shell/keyhandlers.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

struct TKeyHandlers {
    std::function<void(int key, TShiftState shift)> keydown;
    std::function<void(char character)> keypress;
    std::function<void(int key)> keyup;
};

class TMainKeyFilter : public QObject {
public:
    TMainKeyFilter(QWidget* mainwindow, TKeyHandlers handlers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TEventStamp {
        unsigned long timestamp = 0;
        std::uint32_t scancode = 0;
        int key = 0;
        bool operator==(const TEventStamp&) const = default;
    };

    bool keydown(QObject* watched, QKeyEvent* event);
    bool keyup(QObject* watched, QKeyEvent* event);
    bool inmainwindow(QObject* watched) const;
    bool ismenushortcut(const QKeyEvent* event) const;

    QPointer<QWidget> m_mainwindow;
    TKeyHandlers m_handlers;
    // One physical press arrives as a shortcut override and a key press,
    // each possibly sent to the window and then to the widget; it is
    // handled once, even when its handler ran a modal window in between
    // whose own keys passed through here.
    TEventStamp m_lastpress;
    TEventStamp m_lastrelease;
    bool m_lastpresseaten = false;
    bool m_lastreleaseeaten = false;
};
