#pragma once
// The application-wide key filter: it sees every key event before any
// widget, keeps the set of keys held (platform/virtualkeys.h) for all windows,
// and turns the main window's key events into its three handlers. The menu
// shortcuts' key-down and character never reach the handlers, whether the
// item is enabled or not; their key-up does.
//
// A screen reader changes how keys arrive: Qt's accessibility bridge holds
// each key press and release back at the window, asks the screen reader,
// and sends a copy on later, without its timestamp. A press's shortcut
// override comes at once, maybe before the copy of the key released before
// it, so a press is handled at its key press, in order with the releases,
// and at the override only when a shortcut took it and no key press follows.
// No event is ever taken for another by its timestamp.

#include "shell/keyhandlers.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <set>
#include <functional>

class QKeyEvent;

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
    // A press whose override was just handled; a shortcut may take it.
    struct TOverriddenPress {
        std::uint64_t identity = 0;
        int code = 0;
        TShiftState shift;
        bool mainwindow = false;
        bool menushortcut = false;
    };

    // One event object handed from receiver to receiver (the focus widget,
    // then its parents while nobody accepts it) is one key message.
    struct TDelivery {
        const QEvent* event = nullptr;
        int type = 0;
        unsigned long timestamp = 0;
        int key = 0;
        std::uint32_t scancode = 0;
        bool operator==(const TDelivery&) const = default;
    };

    bool keptfrommenu(const QKeyEvent* event);
    bool override(QObject* watched, QKeyEvent* event);
    void takenbyshortcut();
    bool keydown(QObject* watched, QKeyEvent* event);
    bool keyup(QObject* watched, QKeyEvent* event);
    static TShiftState shiftstate(const QKeyEvent* event);
    bool inmainwindow(QObject* watched) const;
    bool ismenushortcut(const QKeyEvent* event) const;

    QPointer<QWidget> m_mainwindow;
    TKeyHandlers m_handlers;
    std::optional<TOverriddenPress> m_overridden;
    // Keys whose override came and whose key press has not yet; when a menu
    // opens, those the bridge still holds belong to the window, not to it.
    std::set<std::uint64_t> m_pressesinflight;
    std::set<std::uint64_t> m_pressesbeforemenu;
    std::set<std::uint64_t> m_keptfrommenu; // such keys, until they are let go
    TDelivery m_lastdelivery;
    bool m_lastdeliveryeaten = false;
};
