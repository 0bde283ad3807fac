// Opening, holding and closing a port.
#include "Clock.h"
#include "OtherUser.h"
#include "PtyPeer.h"
#include "Q7Port.h"
#include "TVaComm.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class TestTVaComm : public QObject
{
    Q_OBJECT
private slots:
    void openPortRefuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addRow("empty") << QString();
        QTest::addRow("Com") << QStringLiteral("Com");
        QTest::addRow("no number") << QStringLiteral("Comx");
        QTest::addRow("missing device") << QStringLiteral("/dev/q7-no-such-port");
        QTest::addRow("numbered port absent") << QStringLiteral("Com254");
    }
    void openPortRefuses()
    {
        QFETCH(QString, name);
        FastClock clock;
        Q7Port port(clock);
        QStringList faults;
        port.OnPortDebugEvent = [&](Q7Port&, const QString& t) { faults << t; };
        QVERIFY(!port.OpenPort(name, 9600));
        QVERIFY(!port.portOpen);
        QVERIFY(faults.isEmpty());
    }

    void portHeldElsewhereIsRefused()
    {
        PtyPeer peer;
        QVERIFY(peer.isOpen());
        FastClock clock;
        Q7Port first(clock);
        QVERIFY(first.OpenPort(peer.slavePath(), 9600));
        QVERIFY(first.portOpen);
        Q7Port second(clock);
        QVERIFY(!second.OpenPort(peer.slavePath(), 9600));
        QVERIFY(!second.portOpen);
    }

    // Only "no board" would send the technician to the cable; the reason and the fix are shown.
    void portThisUserMayNotOpen()
    {
        PtyPeer peer;
        FastClock clock;
        Q7Port port(clock);
        QStringList status;
        port.OnPortDebugEvent = [&](Q7Port&, const QString& t) { status << t; };
        bool opened = true;
        {
            AsNobodyOutsideDialout nobody(peer.slavePath());
            if (!nobody.ok())
                QSKIP(AsNobodyOutsideDialout::skipReason());
            opened = port.OpenPort(peer.slavePath(), 9600);
        }
        QVERIFY(!opened);
        QVERIFY(!port.portOpen);
        QCOMPARE(status, QStringList{port.openError()});
        for (const QString& part : {peer.slavePath(), QStringLiteral("group dialout"),
                                    QStringLiteral("add the user nobody"), QStringLiteral("log out and in")})
            QVERIFY2(port.openError().contains(part), qPrintable(port.openError()));
        // Root may open it: the text is about permissions, not about the device.
        QVERIFY(port.OpenPort(peer.slavePath(), 9600));
        QVERIFY(port.openError().isEmpty());
    }

    void portZeroOpensWhatTheConfigurationLeaves()
    {
        PtyPeer peer;
        FastClock clock;
        Q7Port port(clock);
        int shown = 0;
        port.onConfigurePort = [&](TVaComm& comm) {
            ++shown;
            comm.PortName = peer.slavePath();
            comm.Baudrate = br19200;
        };
        QVERIFY(port.OpenPort("Com0", 9600));
        QCOMPARE(shown, 1);
        QCOMPARE(port.comm().Baudrate, br19200);
        // Any other number gets the fixed settings without the dialog.
        Q7Port fixed(clock);
        fixed.onConfigurePort = port.onConfigurePort;
        QVERIFY(!fixed.OpenPort("Com7", 9600));
        QCOMPARE(shown, 1);
    }

    void closeTakesItsTime()
    {
        PtyPeer peer;
        SystemClock clock;
        TVaComm comm(clock);
        comm.PortName = peer.slavePath();
        comm.Open();
        QVERIFY(comm.Active());
        QElapsedTimer t;
        t.start();
        comm.Close();
        QVERIFY(t.elapsed() >= 300);
        QVERIFY(!comm.Active());
        // A closed component reads and writes nothing.
        std::uint8_t b = 0;
        QVERIFY(!comm.WriteChar(1));
        QVERIFY(!comm.ReadChar(b));
        QCOMPARE(comm.ReadBufUsed(), 0);
        QCOMPARE(comm.WriteBufUsed(), 0);
    }

    void fullQueueRaisesItsError()
    {
        PtyPeer peer;
        SystemClock clock;
        TVaComm comm(clock);
        comm.PortName = peer.slavePath();
        comm.Buffers.WriteTimeout = 50;
        comm.Open();
        // Nobody reads the master, so the pty's own queue fills and then ours.
        QString error;
        try {
            for (int i = 0; i < 1'000'000; ++i)
                comm.WriteChar(0x55);
        } catch (const TVaCommError& e) {
            error = e.text();
        }
        QCOMPARE(error, QStringLiteral("Output buffer is full. Please check comm status."));
    }

    // A pulled adapter: the request in flight ends when the device goes, the status line says
    // which port went, and later requests fail without waiting out their retries.
    void deviceGoneMidRequest()
    {
        PtyPeer peer;
        FastClock clock;
        Q7Port port(clock);
        QStringList status;
        port.OnPortDebugEvent = [&](Q7Port&, const QString& t) { status << t; };
        QVERIFY(port.OpenPort(peer.slavePath(), 9600));
        QObject timers; // the timer dies with the test's objects
        QTimer::singleShot(200, &timers, [&] { peer.hangUp(); });
        QElapsedTimer t;
        t.start();
        // Unanswered, the null command would take its five one-second attempts.
        QVERIFY(!port.sendNullCommand());
        // Far below the 5 s of the attempts, and far above a loaded sanitized run's delays.
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(port.linkLost());
        QVERIFY(!port.portOpen);
        QVERIFY(!port.comm().Active());
        QCOMPARE(status.size(), 1);
        QVERIFY2(status[0].contains(peer.slavePath()), qPrintable(status[0]));

        t.restart();
        std::uint16_t value = 0;
        QVERIFY(!port.readUI16Register(116, &value));
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        QVERIFY(!port.readRegisters(116, 1, buffer, length, 5));
        QVERIFY(!port.sendKalderFrame(0x00, buffer, length, 5));
        // Each would wait out its own attempts on a port still thought open.
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(status.size(), 1);
    }

    void receivedCountArrivesOnTheGuiThread()
    {
        PtyPeer peer;
        SystemClock clock;
        TVaComm comm(clock);
        comm.PortName = peer.slavePath();
        QList<int> counts;
        bool onGuiThread = true;
        comm.OnRxChar = [&](TVaComm& c, int count) {
            counts << count;
            onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
            std::uint8_t b;
            for (int i = 0; i < count; ++i)
                c.ReadChar(b);
        };
        comm.Open();
        peer.write("abcde");
        QTRY_VERIFY(!counts.isEmpty());
        int total = 0;
        for (int c : counts)
            total += c;
        QTRY_COMPARE(total, 5);
        QVERIFY(onGuiThread);
    }
};

QTEST_GUILESS_MAIN(TestTVaComm)
#include "TestTVaComm.moc"
