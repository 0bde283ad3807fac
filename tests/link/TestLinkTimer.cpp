// The link's timers measure their ticks on the injected clock.
#include "Clock.h"
#include "LinkTimer.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QtTest>

namespace {
void runEventsFor(Clock& clock, int ms)
{
    QElapsedTimer t;
    t.start();
    for (qint64 left = ms; left > 0; left = ms - t.elapsed())
        clock.waitForEvents(static_cast<int>(left));
}
} // namespace

class TestLinkTimer : public QObject
{
    Q_OBJECT
private slots:
    void sleepsUntilEachTickIsDue()
    {
        SystemClock clock;
        int ticks = 0;
        LinkTimer timer(clock, 200, [&] { ++ticks; });
        int wakeUps = 0;
        const auto counter = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                                     [&] { ++wakeUps; });
        timer.start();
        runEventsFor(clock, 700);
        disconnect(counter);
        timer.stop();
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
        // Looking at the clock every few milliseconds would wake the thread over a hundred times.
        QVERIFY2(wakeUps <= 20, qPrintable(QString::number(wakeUps)));
    }

    void noticesAClockMovedByHand()
    {
        // A test clock that jumps is looked at often, so a jump delivers the ticks it passed
        // without the timer sleeping out a real interval first.
        FastClock clock;
        int ticks = 0;
        LinkTimer timer(clock, 7000, [&] { ++ticks; });
        timer.start();
        clock.advance(3 * 7000);
        QElapsedTimer t;
        t.start();
        while (ticks < 3 && t.elapsed() < 5000)
            clock.waitForEvents(100);
        QCOMPARE(ticks, 3);
    }
};

QTEST_GUILESS_MAIN(TestLinkTimer)
#include "TestLinkTimer.moc"
