#pragma once

#include <QDateTime>

#include <algorithm>
#include <cstdint>

// Every wait of the program reads time through a Clock, so a test can run a whole upgrade
// without sitting through its fixed waits.
//
// Two kinds of waiting, kept apart on purpose:
//  - time-outs (a request waiting for its reply) check msecs() in a loop and call
//    waitForEvents() on each pass with the time left; they run in real time under every
//    clock, so a reply from a simulated board is never raced;
//  - fixed waits (a reboot, a settle time, "give the card a moment") call delay(); a test
//    clock may skip those.
// Neither kind wakes while nothing happens: a pass blocks until an event arrives or the wait's
// next deadline comes. A fixed wait that shows its progress calls delay() once per step it
// shows (up to the moment the percentage next changes), never once per millisecond: polling
// would keep a core busy while the line stays quiet.
class Clock
{
public:
    virtual ~Clock() = default;

    // Monotonic milliseconds; only differences mean anything.
    virtual std::int64_t msecs() const = 0;
    // The PC's local date and time (board clock offsets, file names, report footers).
    virtual QDateTime currentDateTime() const = 0;

    // Let pending window messages, timers and serial notifications run, without blocking.
    virtual void processEvents() = 0;
    // One pass of a waiting loop: run pending events, then block for at most maxMs, waking
    // at once when bytes or another event arrive.
    virtual void waitForEvents(int maxMs) = 0;
    // Whether the clock can move other than at its own pace (a test moving it by hand). A
    // timer measured on such a clock has to look at it often; on the others it can sleep
    // until its deadline.
    virtual bool jumps() const { return false; }
    // A plain pause that does not pump messages (the Sleep of a hand-shake).
    virtual void sleep(int ms) = 0;
    // A fixed wait that keeps the window responsive.
    virtual void delay(std::int64_t ms) = 0;
};

// How long a wait that shows whole seconds may block before its figure can next change: up to
// the next whole second of the time remaining, never past the end.
inline std::int64_t untilNextWholeSecond(std::int64_t remainingMs)
{
    return remainingMs <= 0 ? 0 : std::min<std::int64_t>(remainingMs % 1000 + 1, remainingMs);
}

class SystemClock : public Clock
{
public:
    std::int64_t msecs() const override;
    QDateTime currentDateTime() const override;
    void processEvents() override;
    void waitForEvents(int maxMs) override;
    void sleep(int ms) override;
    void delay(std::int64_t ms) override;

    // The clock the program runs on when nobody injected another.
    static Clock& instance();
};

// Real time, except that fixed waits are skipped: delay() runs pending events once and moves
// the clock forward by the requested time. advance() moves it by hand, so a test can reach a
// time-out measured in ticks or seconds without waiting for it.
class FastClock : public SystemClock
{
public:
    std::int64_t msecs() const override;
    QDateTime currentDateTime() const override;
    void delay(std::int64_t ms) override;
    bool jumps() const override { return true; }

    void advance(std::int64_t ms) { m_offsetMs += ms; }
    std::int64_t skippedMs() const { return m_offsetMs; }
    // Pins the wall clock (file names, footers) to a chosen moment that moves with msecs().
    void setDateTime(const QDateTime& at);

private:
    std::int64_t m_offsetMs = 0;
    QDateTime m_pinnedAt;
    std::int64_t m_pinnedMsecs = 0;
};
