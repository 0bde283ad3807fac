#pragma once

#include "Clock.h"

#include <cstdint>

// The clock of a rehearsal: real time, or, while fast, with the program's fixed waits (the
// reboot minute, settle times, the camera's moment) skipped as q7ctl --fast skips them. It may
// be switched either way at any moment: the time skipped so far is kept, so the clock never
// runs backwards under a wait that reads it, and time-outs stay real in both modes.
class DemoClock : public FastClock
{
public:
    explicit DemoClock(bool fast = false) : m_fast(fast) {}

    bool fast() const { return m_fast; }
    void setFast(bool fast) { m_fast = fast; }

    void delay(std::int64_t ms) override;
    // A timer armed while the clock was real sleeps until its real deadline, which only makes
    // a tick late after a skip, never early.
    bool jumps() const override { return m_fast; }

private:
    bool m_fast;
};
