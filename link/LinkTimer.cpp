#include "LinkTimer.h"

#include "Clock.h"

#include <algorithm>

namespace {
// How often a running timer looks at the clock; bounds how late a 10 ms tick can be.
constexpr int kPollMs = 5;
} // namespace

LinkTimer::LinkTimer(Clock& clock, int intervalMs, std::function<void()> onTick, QObject* parent)
    : QObject(parent), m_clock(clock), m_intervalMs(intervalMs), m_onTick(std::move(onTick))
{
    m_poller.setInterval(std::min(kPollMs, intervalMs));
    m_poller.setTimerType(Qt::PreciseTimer);
    connect(&m_poller, &QTimer::timeout, this, &LinkTimer::poll);
}

void LinkTimer::start()
{
    m_active = true;
    m_due = m_clock.msecs() + m_intervalMs;
    m_poller.start();
}

void LinkTimer::stop()
{
    m_active = false;
    m_poller.stop();
}

void LinkTimer::poll()
{
    // A tick handler that waits (a resent acknowledgement pauses first) lets events run; the
    // ticks falling due meanwhile are delivered by the outer call when the handler returns.
    if (m_inTick)
        return;
    m_inTick = true;
    while (m_active && m_clock.msecs() >= m_due) {
        m_due += m_intervalMs;
        m_onTick();
    }
    m_inTick = false;
}
