#include "Clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

std::int64_t SystemClock::msecs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::currentDateTime() const
{
    return QDateTime::currentDateTime();
}

void SystemClock::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SystemClock::waitForEvents(int maxMs)
{
    if (!QCoreApplication::instance()) {
        sleep(maxMs);
        return;
    }
    if (maxMs <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // WaitForMoreEvents runs what is pending, and blocks only when nothing is; it returns as
    // soon as anything arrives. The timer bounds the wait when nothing does.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void SystemClock::sleep(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void SystemClock::delay(std::int64_t ms)
{
    const std::int64_t end = msecs() + ms;
    for (std::int64_t left = ms; left > 0; left = end - msecs())
        waitForEvents(static_cast<int>(std::min<std::int64_t>(left, std::numeric_limits<int>::max())));
}

Clock& SystemClock::instance()
{
    static SystemClock clock;
    return clock;
}

std::int64_t FastClock::msecs() const
{
    return SystemClock::msecs() + m_offsetMs;
}

QDateTime FastClock::currentDateTime() const
{
    if (m_pinnedAt.isValid())
        return m_pinnedAt.addMSecs(msecs() - m_pinnedMsecs);
    return SystemClock::currentDateTime().addMSecs(m_offsetMs);
}

void FastClock::delay(std::int64_t ms)
{
    processEvents();
    if (ms > 0)
        m_offsetMs += ms;
}

void FastClock::setDateTime(const QDateTime& at)
{
    m_pinnedAt = at;
    m_pinnedMsecs = msecs();
}
