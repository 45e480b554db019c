#pragma once
// Finds out whether a screen reader listens (platform/screenreader.h): the
// desktop's accessibility bus says one is enabled, or a client of that bus
// has asked to hear focus changes, which every screen reader does. Asked
// once at the start and again whenever a client starts or stops listening,
// always without waiting on the GUI thread.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QDBusConnection;

class TScreenReaderWatch : public QObject {
    Q_OBJECT

public:
    // Waits at most this long for the first answer.
    static constexpr int firstanswerms = 1000;

    TScreenReaderWatch();
    ~TScreenReaderWatch() override;

    // Runs the call once the first answer is in (at once when it is): what
    // the program says at its start goes to our voice or is left to a
    // screen reader by it. Also when the desktop gives no answer in time.
    void whenanswered(std::function<void()> call);

private slots:
    // A client started or stopped listening.
    void askregistry();

private:
    void connectaccessibilitybus(const QString& address);
    void tell();
    void answered();

    std::unique_ptr<QDBusConnection> m_accessibilitybus;
    bool m_enabled = false;
    bool m_focuslistener = false;
    bool m_answered = false;
    std::vector<std::function<void()>> m_whenanswered;
};
