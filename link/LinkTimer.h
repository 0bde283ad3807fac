#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

class Clock;

// A periodic timer whose ticks are measured on the injected Clock rather than counted from
// the event loop. A tick that falls due while the GUI thread was busy (or while a test clock
// jumped ahead) is still delivered, so "1500 ticks of silence" means 15 s of clock time and a
// test can reach it with FastClock::advance instead of waiting.
class LinkTimer : public QObject
{
public:
    LinkTimer(Clock& clock, int intervalMs, std::function<void()> onTick, QObject* parent = nullptr);

    void start();
    void stop();
    bool isActive() const { return m_active; }
    int interval() const { return m_intervalMs; }

    // Delivers every tick that has fallen due on the clock; the event loop calls this when the
    // next tick is due, and code driven without an event loop may call it.
    void poll();

private:
    void armForNextTick();

    Clock& m_clock;
    int m_intervalMs;
    std::function<void()> m_onTick;
    QTimer m_poller;
    bool m_active = false;
    bool m_inTick = false;
    std::int64_t m_due = 0;
};
