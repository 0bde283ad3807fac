// Finding the board's port among the ports of the PC.
#include "BoardDetector.h"
#include "Ports.h"
#include "Clock.h"
#include "OtherUser.h"
#include "Q7Port.h"
#include "ScriptedOperator.h"
#include "SimulatedBoard.h"

#include <QtTest>

using Kind = ScriptedOperator::Kind;

class TestBoardDetector : public QObject
{
    Q_OBJECT
private slots:
    void lastAnsweringPortWins()
    {
        sim::SimulatedBoard first;
        sim::SimulatedBoard second;
        QVERIFY(first.start());
        QVERIFY(second.start());
        FastClock clock;
        ScriptedOperator op;
        const SerialPorts ports({first.devicePath(), second.devicePath()}, SerialPorts::System::Excluded);
        BoardDetector detector(clock, op, ports);
        int rx = 0;
        int tx = 0;
        detector.onRxEvent = [&](Q7Port&) { ++rx; };
        detector.onTxEvent = [&](Q7Port&) { ++tx; };
        QString portName = "unchanged";
        QVERIFY(detector.detectBoard(nullptr, portName));
        QCOMPARE(portName, second.devicePath());
        QCOMPARE(detector.comPortNames, (QStringList{first.devicePath(), second.devicePath()}));
        QVERIFY(rx >= 2);
        QCOMPARE(tx, 20); // one null command of ten bytes on each port
        QVERIFY(op.shown().isEmpty());
    }

    void heldPortIsNeitherListedNorProbed()
    {
        sim::SimulatedBoard board;
        QVERIFY(board.start());
        FastClock clock;
        Q7Port holder(clock);
        QVERIFY(holder.OpenPort(board.devicePath(), 9600));
        ScriptedOperator op;
        const SerialPorts ports({board.devicePath(), "/dev/q7-no-such-port"}, SerialPorts::System::Excluded);
        BoardDetector detector(clock, op, ports);
        detector.listComPorts();
        QVERIFY(detector.comPortNames.isEmpty());
    }

    void portThisUserMayNotOpenIsNamed()
    {
        sim::SimulatedBoard board;
        QVERIFY(board.start());
        FastClock clock;
        ScriptedOperator op;
        const SerialPorts ports({board.devicePath()}, SerialPorts::System::Excluded);
        BoardDetector detector(clock, op, ports);
        QString portName;
        bool found = true;
        {
            AsNobodyOutsideDialout nobody(board.devicePath());
            if (!nobody.ok())
                QSKIP(AsNobodyOutsideDialout::skipReason());
            found = detector.detectBoard(nullptr, portName);
        }
        QVERIFY(!found);
        QCOMPARE(op.texts(ScriptedOperator::Kind::Message).size(), 1);
        const QStringList status = op.statusTexts();
        QCOMPARE(status.size(), 1);
        QVERIFY2(status[0].contains(board.devicePath()) && status[0].contains("group dialout"),
                 qPrintable(status[0]));
    }

    void noBoardSaysSo()
    {
        FastClock clock;
        ScriptedOperator op;
        const SerialPorts ports({}, SerialPorts::System::Excluded);
        BoardDetector detector(clock, op, ports);
        QString portName = "Com4";
        QVERIFY(!detector.detectBoard(nullptr, portName));
        QCOMPARE(portName, QStringLiteral("Com4"));
        QCOMPARE(
            op.texts(Kind::Message),
            QStringList{"No Q7 boards detected.\nPlease make sure Comms cable is connected between PC and "
                        "Powered Q7 board."});
    }
};

QTEST_GUILESS_MAIN(TestBoardDetector)
#include "TestBoardDetector.moc"
