#include "LinkTimer.h"

#include "Clock.h"

#include <algorithm>

namespace {
// How often a running timer looks at a clock that a test may move by hand; bounds how late a
// tick can be after such a jump.
constexpr int kJumpPollMs = 5;
} // namespace

LinkTimer::LinkTimer(Clock& clock, int intervalMs, std::function<void()> onTick, QObject* parent)
    : QObject(parent), m_clock(clock), m_intervalMs(intervalMs), m_onTick(std::move(onTick))
{
    m_poller.setSingleShot(true);
    m_poller.setTimerType(Qt::PreciseTimer);
    connect(&m_poller, &QTimer::timeout, this, &LinkTimer::poll);
}

void LinkTimer::start()
{
    m_active = true;
    m_due = m_clock.msecs() + m_intervalMs;
    armForNextTick();
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
    if (m_active)
        armForNextTick();
}

void LinkTimer::armForNextTick()
{
    // Sleeping until the tick is due keeps a quiet line from waking the program: a transfer's
    // 7-s resend timer costs one wake-up per 7 s, not one per few milliseconds.
    std::int64_t wait = std::max<std::int64_t>(1, m_due - m_clock.msecs());
    if (m_clock.jumps())
        wait = std::min<std::int64_t>(wait, kJumpPollMs);
    m_poller.start(static_cast<int>(wait));
}
