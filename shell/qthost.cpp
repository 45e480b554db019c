#include "shell/qthost.h"

#include "shell/accessibilityanswers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <algorithm>

TQtHost::TQtHost(QTimer& timer, std::function<void()> onscreenchanged)
    : m_timer(timer)
    , m_onscreenchanged(std::move(onscreenchanged))
{
    reseedrandom();
}

void TQtHost::pumpevents()
{
    QCoreApplication::processEvents();
}

void TQtHost::waitforevent()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TQtHost::sleepms(int milliseconds)
{
    // A screen reader's questions are answered meanwhile, nothing else.
    constexpr int slice = 2;
    for (; milliseconds > slice; milliseconds -= slice) {
        QThread::msleep(slice);
        answeraccessibilityquestions();
    }
    QThread::msleep(static_cast<unsigned long>(std::max(milliseconds, 0)));
}

void TQtHost::starttonetimer(int milliseconds)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.start(milliseconds);
}

void TQtHost::stoptonetimer()
{
    m_timer.stop();
}

TTimeOfDay TQtHost::timeofday()
{
    QTime now = QTime::currentTime();
    return { now.hour(), now.minute(), now.second() };
}

double TQtHost::randomdraw()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_generator);
}

void TQtHost::reseedrandom()
{
    m_generator.seed(static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch()));
}

void TQtHost::screenchanged()
{
    if (m_onscreenchanged)
        m_onscreenchanged();
}
