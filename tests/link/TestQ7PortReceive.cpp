// The receive engine and the transmitters over a real pseudo-terminal: bytes written on the
// master side reach the link through the serial component and its notifications.
#include "Clock.h"
#include "LinkTimer.h"
#include "PtyPeer.h"
#include "Q7Port.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
// A link opened on a fresh pty, recording its fault reports.
struct Link
{
    FastClock clock;
    PtyPeer peer;
    Q7Port port{clock};
    QStringList faults;

    Link()
    {
        port.OnPortDebugEvent = [this](Q7Port&, const QString& text) { faults << text; };
    }
    bool open() { return peer.isOpen() && port.OpenPort(peer.slavePath(), 9600); }
    // Lets the notifications in for a while.
    void pump(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            clock.waitForEvents(1);
    }
    bool pumpUntil(const std::function<bool()>& done, int maxMs = 2000)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < maxMs)
            clock.waitForEvents(1);
        return done();
    }
    // Steps a transmitter to completion after the caller's own first byte, as a request does.
    QByteArray transmit(void (Q7Port::*step)(), int first)
    {
        if (first >= 0)
            port.PutChar(static_cast<std::uint8_t>(first));
        while (!(port.frame.status & Q7Frame::kTxComplete))
            (port.*step)();
        return peer.readUntil(
            [](const QByteArray& got) { return got.endsWith("\x10\x03") || got.endsWith("\r\n"); });
    }
    QByteArray sendKalder(std::uint8_t type, const QByteArray& payload)
    {
        port.resetRxTxFrame(true);
        port.frame.kalderType = type;
        std::copy(payload.begin(), payload.end(), port.frame.data.begin());
        port.frame.dataLen = static_cast<std::uint16_t>(payload.size());
        return transmit(&Q7Port::frameTransmitterKalder, Q7Port::DLE);
    }
};
} // namespace

class TestQ7PortReceive : public QObject
{
    Q_OBJECT
private slots:
    void kalderTransmitter_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("wire");
        QTest::addRow("null command")
            << 0x80 << wire::hex("00") << wire::hex("10 02 01 80 00 10 90 D6 10 03");
        QTest::addRow("setState(0)") << 0x80 << wire::hex("45 00")
                                     << wire::hex("10 02 01 80 45 00 89 28 10 03");
        QTest::addRow("getStucture(0)")
            << 0x80 << wire::hex("13 00") << wire::hex("10 02 01 80 13 00 AE AF 10 03");
        QTest::addRow("first acknowledgement")
            << 0x8B << QByteArray() << wire::hex("10 02 01 8B 03 23 10 03");
        QTest::addRow("windowed acknowledgement")
            << 0x94 << wire::hex("04") << wire::hex("10 02 01 94 04 C5 62 10 03");
        QTest::addRow("payload DLE stuffed")
            << 0x80 << wire::hex("10") << wire::kalder(0x80, wire::hex("10"));
    }
    void kalderTransmitter()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, wire);
        Link link;
        QVERIFY(link.open());
        QCOMPARE(link.sendKalder(static_cast<std::uint8_t>(type), payload).toHex(' '), wire.toHex(' '));
        QCOMPARE(link.port.frame.status, Q7Frame::kTxComplete);
    }

    void asciiAndRtuTransmitters()
    {
        Link link;
        QVERIFY(link.open());
        int txEvents = 0;
        link.port.OnTxEvent = [&](Q7Port&) { ++txEvents; };
        link.port.resetRxTxFrame(true);
        link.port.frame.function = 3;
        link.port.frame.data = {0x00, 0x74, 0x00, 0x28};
        link.port.frame.dataLen = 4;
        QCOMPARE(link.transmit(&Q7Port::frameTransmitterAscii, ':'), QByteArray(":01030074002860\r\n"));
        QCOMPARE(txEvents, 17);

        link.port.resetRxTxFrame(true);
        link.port.frame.function = 3;
        link.port.frame.data = {0x00, 0x74, 0x00, 0x28};
        link.port.frame.dataLen = 4;
        const QByteArray rtu = link.transmit(&Q7Port::frameTransmitterRtu, -1);
        QCOMPARE(rtu.size(), 8);
        const QByteArray expected = wire::hex("01 03 00 74 00 28");
        const std::uint16_t crc = wire::modbusCrc(expected);
        QCOMPARE(rtu, expected + QByteArray(1, char(crc & 0xFF)) + QByteArray(1, char(crc >> 8)));
    }

    void splitReplyIsReassembled()
    {
        Link link;
        QVERIFY(link.open());
        int rxEvents = 0;
        link.port.OnRxEvent = [&](Q7Port&) { ++rxEvents; };
        const QByteArray reply = wire::kalderReply(0x13, wire::hex("01 02 03 04 05"));
        for (int at = 0; at < reply.size(); at += 4) {
            link.peer.write(reply.mid(at, 4));
            link.pump(20);
        }
        QVERIFY(link.pumpUntil([&] { return link.port.frame.frameReceived; }));
        QCOMPARE(link.port.frame.kalderType, std::uint8_t(0x81));
        QCOMPARE(link.port.frame.function, std::uint8_t(0x13));
        QCOMPARE(
            QByteArray(reinterpret_cast<const char*>(link.port.frame.data.data()), link.port.frame.dataLen),
            wire::hex("80 13 01 02 03 04 05"));
        QVERIFY(rxEvents >= 2);
        QVERIFY(link.faults.isEmpty());
    }

    void stuffingAndBadEscape()
    {
        Link link;
        QVERIFY(link.open());
        // 10 90 inside the frame stands for one data byte 10.
        link.peer.write(wire::kalderReply(0x13, wire::hex("10 10 AA")));
        QVERIFY(link.pumpUntil([&] { return link.port.frame.frameReceived; }));
        QCOMPARE(
            QByteArray(reinterpret_cast<const char*>(link.port.frame.data.data()), link.port.frame.dataLen),
            wire::hex("80 13 10 10 AA"));

        // 10 10 inside a frame drops it with line 448; the next frame is taken normally.
        link.port.resetRxTxFrame(true);
        link.peer.write(wire::hex("10 02 01 81 80 13 10 10 55 10 03"));
        QVERIFY(link.pumpUntil([&] { return !link.faults.isEmpty(); }));
        QCOMPARE(link.faults, QStringList{"file:Q7Port line: 448"});
        QVERIFY(!link.port.frame.frameReceived);
        link.pump(50);
        QVERIFY(!link.port.frame.frameReceived);
    }

    void badKalderCrcSetsRxFault()
    {
        Link link;
        QVERIFY(link.open());
        QByteArray bad = wire::kalderReply(0x00, QByteArray());
        bad[4] = '\x81'; // the accepted byte no longer matches the CRC
        link.peer.write(bad);
        QVERIFY(link.pumpUntil([&] { return !link.faults.isEmpty(); }));
        QCOMPARE(link.faults, QStringList{"file:Q7Port line: 443"});
        QVERIFY(link.port.rxFault);
        QVERIFY(!link.port.frame.frameReceived);
    }

    void dleEtxOutsideAFrameIsDiscarded()
    {
        Link link;
        QVERIFY(link.open());
        link.peer.write(wire::hex("10 03"));
        QVERIFY(link.pumpUntil([&] { return link.port.rxState() == Q7Port::RxState::Rtu; }));
        QVERIFY(link.pumpUntil([&] { return link.port.rxState() == Q7Port::RxState::Idle; }, 1000));
        QVERIFY(link.faults.isEmpty());
        QVERIFY(!link.port.frame.frameReceived);
    }

    void loneNodeAddressAfterSilence()
    {
        Link link;
        QVERIFY(link.open());
        QElapsedTimer t;
        link.peer.write(wire::hex("01"));
        QVERIFY(link.pumpUntil([&] { return link.port.rxState() == Q7Port::RxState::Rtu; }));
        t.start();
        // The silence is counted in receive-timer ticks, so the count shows its length; the
        // elapsed time can only show that it was not cut short.
        QCOMPARE(link.port.rxSilenceCount(), Q7Port::kRtuSilenceTicks);
        QVERIFY(link.pumpUntil([&] { return !link.faults.isEmpty(); }));
        QCOMPARE(link.faults, QStringList{"file:Q7Port line: 332"});
        QVERIFY2(t.elapsed() >= 90, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(link.port.rxState(), Q7Port::RxState::Idle);
    }

    void rtuReplyEndsWithSilence()
    {
        Link link;
        QVERIFY(link.open());
        QByteArray reply = wire::hex("01 03 02 12 34");
        const std::uint16_t crc = wire::modbusCrc(reply);
        reply.append(char(crc & 0xFF));
        reply.append(char(crc >> 8));
        link.peer.write(reply);
        QVERIFY(link.pumpUntil([&] { return link.port.frame.frameReceived; }, 1000));
        QCOMPARE(link.port.frame.function, std::uint8_t(3));
        QVERIFY(link.faults.isEmpty());
    }

    void overlongFrameIsDropped()
    {
        Link link;
        QVERIFY(link.open());
        link.peer.write(wire::hex("10 02") + QByteArray(600, '\x55') + wire::hex("10 03"));
        // Dropped at 512 bytes; its DLE ETX then opens an RTU candidate that the silence ends.
        QVERIFY(link.pumpUntil([&] { return link.port.rxState() == Q7Port::RxState::Rtu; }));
        QVERIFY(link.pumpUntil([&] { return link.port.rxState() == Q7Port::RxState::Idle; }));
        QVERIFY(!link.port.frame.frameReceived);
        link.peer.write(wire::kalderReply(0x00, QByteArray()));
        QVERIFY(link.pumpUntil([&] { return link.port.frame.frameReceived; }));
        QCOMPARE(link.port.frame.function, std::uint8_t(0x00));
        QVERIFY(link.faults.isEmpty());
    }

    void unfinishedFrameIsAbandonedAfter1500Ticks()
    {
        Link link;
        QVERIFY(link.open());
        link.peer.write(wire::hex("10 02 01 81 80"));
        QVERIFY(link.pumpUntil([&] { return link.port.rxState() == Q7Port::RxState::Kalder; }));
        QCOMPARE(link.port.rxSilenceCount(), Q7Port::kAbandonTicks);
        link.clock.advance(14'900);
        link.pump(30);
        QCOMPARE(link.port.rxState(), Q7Port::RxState::Kalder);
        link.clock.advance(200);
        QVERIFY(link.pumpUntil([&] { return link.port.rxState() == Q7Port::RxState::Idle; }, 500));
        // The rest of the old frame now arrives on its own and is not taken for a reply.
        link.peer.write(wire::hex("00 D6 10 10 03"));
        link.pump(50);
        QVERIFY(!link.port.frame.frameReceived);
        QVERIFY(!link.port.rxTimer().isActive() || link.port.rxState() != Q7Port::RxState::Idle);
    }

    void asciiReplyAndDispatch()
    {
        Link link;
        QVERIFY(link.open());
        link.peer.write(":0103021234B4\r\n");
        QVERIFY(link.pumpUntil([&] { return link.port.frame.frameReceived; }));
        QCOMPARE(link.port.frame.dataLen, std::uint16_t(3));

        link.port.resetRxTxFrame(true);
        link.peer.write(":0103021234B5\r\n");
        QVERIFY(link.pumpUntil([&] { return !link.faults.isEmpty(); }));
        QCOMPARE(link.faults, QStringList{"file:Q7Port line: 487"});

        // A frame of a type the PC sends, and one of no known type, are reported and ignored.
        link.faults.clear();
        link.peer.write(wire::kalder(0x8B, QByteArray()) + wire::kalder(0x42, QByteArray()));
        QVERIFY(link.pumpUntil([&] { return link.faults.size() == 2; }));
        QCOMPARE(link.faults, (QStringList{"file:Q7Port line: 1605", "file:Q7Port line: 1609"}));
        QVERIFY(!link.port.frame.frameReceived);
    }

    void announcedFileSize()
    {
        Link link;
        QVERIFY(link.open());
        link.peer.write(wire::kalderReply(0x02, wire::hex("00 00 00 00 34 12 00 00")));
        QVERIFY(link.pumpUntil([&] { return link.port.frame.frameReceived; }));
        QCOMPARE(link.port.fileSize, std::uint32_t(0x1234));
    }
};

QTEST_GUILESS_MAIN(TestQ7PortReceive)
#include "TestQ7PortReceive.moc"
