#pragma once
// Finds out whether a screen reader listens (platform/screenreader.h): the
// desktop's accessibility bus says one is enabled, or a client of that bus
// has asked to hear focus changes, which every screen reader does. Asked
// once at the start and again whenever a client starts or stops listening,
// always without waiting on the GUI thread.

#include <QObject>
#include <QString>
#include <memory>

class QDBusConnection;

class TScreenReaderWatch : public QObject {
    Q_OBJECT

public:
    TScreenReaderWatch();
    ~TScreenReaderWatch() override;

private slots:
    // A client started or stopped listening.
    void askregistry();

private:
    void connectaccessibilitybus(const QString& address);
    void tell();

    std::unique_ptr<QDBusConnection> m_accessibilitybus;
    bool m_enabled = false;
    bool m_focuslistener = false;
};
