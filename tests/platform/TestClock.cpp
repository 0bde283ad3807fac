#include "Clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class TestClock : public QObject
{
    Q_OBJECT

private slots:
    void fastClockSkipsFixedWaitsButNotRealTime()
    {
        FastClock clock;
        QElapsedTimer real;
        real.start();
        const auto before = clock.msecs();
        clock.delay(60'000);
        QVERIFY(real.elapsed() < 1000);
        QVERIFY(clock.msecs() - before >= 60'000);
        // Time-outs measured against msecs() still see real time pass.
        const auto t0 = clock.msecs();
        clock.sleep(20);
        QVERIFY(clock.msecs() - t0 >= 20);
    }

    void fastClockWallTimeFollowsSkippedTime()
    {
        FastClock clock;
        const QDateTime at(QDate(2026, 12, 10), QTime(9, 30, 0));
        clock.setDateTime(at);
        clock.delay(90'000);
        QVERIFY(clock.currentDateTime() >= at.addSecs(90));
        QVERIFY(clock.currentDateTime() < at.addSecs(95));
    }

    void waitForEventsWakesOnAnEvent()
    {
        // A waiting pass must see a queued event at once rather than sleeping its bound away.
        SystemClock clock;
        bool fired = false;
        QTimer::singleShot(0, [&] { fired = true; });
        QElapsedTimer real;
        real.start();
        while (!fired && real.elapsed() < 2000)
            clock.waitForEvents(1000);
        QVERIFY(fired);
        QVERIFY(real.elapsed() < 500);
    }

    void systemDelayRunsEventsAndTakesItsTime()
    {
        SystemClock clock;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(10);
        const auto t0 = clock.msecs();
        clock.delay(120);
        QVERIFY(clock.msecs() - t0 >= 120);
        QVERIFY2(ticks >= 5, "the window must stay responsive during a fixed wait");
    }
};

QTEST_MAIN(TestClock)
#include "TestClock.moc"
