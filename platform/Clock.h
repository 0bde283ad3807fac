#pragma once

#include <QDateTime>

#include <cstdint>

// Every wait of the program reads time through a Clock, so a test can run a whole upgrade
// without sitting through its fixed waits.
//
// Two kinds of waiting, kept apart on purpose:
//  - time-outs (a request waiting for its reply) poll msecs() in a loop and call
//    waitForEvents() on each pass; they run in real time under every clock, so a reply
//    from a simulated board is never raced;
//  - fixed waits (a reboot, a settle time, "give the card a moment") call delay(); a test
//    clock may skip those.
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
    // A plain pause that does not pump messages (the Sleep of a hand-shake).
    virtual void sleep(int ms) = 0;
    // A fixed wait that keeps the window responsive.
    virtual void delay(std::int64_t ms) = 0;
};

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

    void advance(std::int64_t ms) { m_offsetMs += ms; }
    std::int64_t skippedMs() const { return m_offsetMs; }
    // Pins the wall clock (file names, footers) to a chosen moment that moves with msecs().
    void setDateTime(const QDateTime& at);

private:
    std::int64_t m_offsetMs = 0;
    QDateTime m_pinnedAt;
    std::int64_t m_pinnedMsecs = 0;
};
