#pragma once
// For tests of engines that report on the event loop: lets posted events
// run until the condition holds or the time is up.

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <functional>

inline bool waituntil(const std::function<bool()>& condition, int limitms = 10000)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}
