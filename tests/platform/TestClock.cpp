#include "Clock.h"

#include <QAbstractEventDispatcher>
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
        // Anything short of the minute shows the wait was skipped; a tighter bound only
        // measures how busy the machine is.
        QVERIFY(real.elapsed() < 30'000);
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
        // A waiting pass must return when an event arrives rather than sleep its bound away.
        SystemClock clock;
        bool fired = false;
        QTimer::singleShot(20, [&] { fired = true; });
        QElapsedTimer real;
        real.start();
        for (int passes = 0; !fired && passes < 100; ++passes)
            clock.waitForEvents(60'000);
        QVERIFY(fired);
        QVERIFY(real.elapsed() < 30'000);
    }

    void quietFixedWaitSleepsUntilItsEnd()
    {
        // While nothing happens the thread sleeps until the wait's end, instead of waking
        // every few milliseconds to look at the clock.
        SystemClock clock;
        int wakeUps = 0;
        auto* dispatcher = QAbstractEventDispatcher::instance();
        QVERIFY(dispatcher);
        const auto counter = connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { ++wakeUps; });
        const auto t0 = clock.msecs();
        clock.delay(300);
        disconnect(counter);
        QVERIFY(clock.msecs() - t0 >= 300);
        // A wait that looks at the clock every few milliseconds wakes it dozens of times.
        QVERIFY2(wakeUps <= 10, qPrintable(QString::number(wakeUps)));
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
