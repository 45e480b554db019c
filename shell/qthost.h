#pragma once
// The runtime's host over Qt: the running program gets its turn at the
// event loop through here, and the main window's Timer measures tones.

#include "runtime/host.h"

#include <QTimer>
#include <functional>
#include <random>

class TQtHost final : public TRuntimeHost {
public:
    // The timer is the main window's Timer; onscreenchanged refreshes its
    // view; beforewait runs as the program begins to wait.
    TQtHost(QTimer& timer, std::function<void()> onscreenchanged, std::function<void()> beforewait = {});

    void pumpevents() override;
    void waitforevent() override;
    void sleepms(int milliseconds) override;
    void starttonetimer(int milliseconds) override;
    void stoptonetimer() override;
    TTimeOfDay timeofday() override;
    double randomdraw() override;
    void reseedrandom() override;
    void screenchanged() override;

private:
    QTimer& m_timer;
    std::function<void()> m_onscreenchanged;
    std::function<void()> m_beforewait;
    std::mt19937_64 m_generator;
};
