#pragma once

#include "Clock.h"

#include <QTimer>

#include <cstdint>

// Moves a fast clock on by stepMs every everyMs of real time while it lives, so time-outs and
// timers measured on the clock expire without the test sitting through them. Keep the real
// interval short against the step: a reply from a simulated board still arrives long before
// the link's shortest time-out is reached.
class TimeWarp
{
public:
    TimeWarp(FastClock& clock, std::int64_t stepMs, int everyMs = 20)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [&clock, stepMs] { clock.advance(stepMs); });
        m_timer.start(everyMs);
    }
    TimeWarp(const TimeWarp&) = delete;
    TimeWarp& operator=(const TimeWarp&) = delete;

    void stop() { m_timer.stop(); }

private:
    QTimer m_timer;
};
