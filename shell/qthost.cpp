#include "shell/qthost.h"

#include "shell/accessibilityanswers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <chrono>

TQtHost::TQtHost(QTimer& timer, std::function<void()> onscreenchanged, std::function<void()> beforewait)
    : m_timer(timer)
    , m_onscreenchanged(std::move(onscreenchanged))
    , m_beforewait(std::move(beforewait))
{
    reseedrandom();
}

void TQtHost::pumpevents()
{
    QCoreApplication::processEvents();
}

void TQtHost::waitforevent()
{
    if (m_beforewait)
        m_beforewait();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TQtHost::sleepms(int milliseconds)
{
    // A screen reader's questions are answered meanwhile, nothing else; the
    // pause still ends at its time, however long each answer took.
    if (m_beforewait)
        m_beforewait();
    sleepansweringquestions(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds));
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
