#pragma once
// Lets the window's events run for a while, as the program's waits for a
// key or a sound do.

#include <QEventLoop>
#include <QTimer>

inline void runevents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
