// Requests against a board played by the test over a pty.
#include "BoardLink.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <bit>
#include <functional>
#include <QtTest>

namespace {
using Frame = ScriptedBoard::Frame;

using wire::ascii;
QByteArray embeddedReply(std::uint8_t function, const QByteArray& body)
{
    return wire::kalderReply(0x51, QByteArray(1, '\x01') + QByteArray(1, char(function)) + body);
}
using PortOp = std::function<bool(Q7Port&)>;

QByteArray leF32(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>(bits >> (8 * i)));
    return out;
}

void setAccessCodes(Q7Port& port, std::uint16_t a, std::uint16_t b, std::uint16_t c)
{
    auto& config = port.structures[5];
    int at = 106;
    for (std::uint16_t code : {a, b, c}) {
        config[at++] = static_cast<std::uint8_t>(code & 0xFF);
        config[at++] = static_cast<std::uint8_t>(code >> 8);
    }
}
} // namespace

class TestQ7PortRequests : public QObject
{
    Q_OBJECT
private slots:
    void nullCommandRetriesUntilAnswered()
    {
        BoardLink link;
        QVERIFY(link.open());
        int seen = 0;
        link.board.answer([&](const Frame& f) {
            if (f.kalder && f.payload == QByteArray(1, '\0') && ++seen == 3)
                link.board.write(wire::kalderReply(0x00, QByteArray()));
        });
        QVERIFY(link.port.sendNullCommand());
        QCOMPARE(seen, 3);
        const QByteArray golden = wire::hex("10 02 01 80 00 10 90 D6 10 03");
        QCOMPARE(link.board.rawReceived(), golden + golden + golden);
    }

    void abortStopsTheNullCommandAfterItsAttempt()
    {
        BoardLink link;
        QVERIFY(link.open());
        QTimer::singleShot(100, [&] { link.port.abortCommand(); });
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.port.sendNullCommand());
        // One attempt of a second, not five.
        QVERIFY2(t.elapsed() >= 990, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(link.kalderFrames().size(), 1);
    }

    void replyToAnotherCommandEndsTheWait()
    {
        BoardLink link;
        QVERIFY(link.open());
        link.board.answer([&](const Frame&) { link.board.write(wire::kalderReply(0x13, QByteArray())); });
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.port.setState(0));
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(link.board.rawReceived(), wire::hex("10 02 01 80 45 00 89 28 10 03"));
    }

    void registerReadAndException()
    {
        BoardLink link;
        QVERIFY(link.open());
        QByteArray registers;
        for (int i = 0; i < 80; ++i)
            registers.append(static_cast<char>(i));
        bool exception = false;
        link.board.answer([&](const Frame& f) {
            if (f.ascii.isEmpty())
                return;
            link.board.write(exception ? QByteArray(":0183027A\r\n")
                                       : ascii(wire::hex("01 03 50") + registers));
        });
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        QVERIFY(link.port.readRegisters(116, 40, buffer, length, 1));
        QCOMPARE(link.board.received().first().ascii, QByteArray(":01030074002860\r\n"));
        QCOMPARE(length, std::uint16_t(81));
        QCOMPARE(bytesOf(buffer, 81), QByteArray(1, '\x50') + registers);

        exception = true;
        QVERIFY(!link.port.readRegisters(116, 40, buffer, length, 1));
        QCOMPARE(length, std::uint16_t(1));
        QCOMPARE(buffer[0], std::uint8_t(2));
    }

    void silentBoardLetsTheWaitSleep()
    {
        // The request blocks until its time-out instead of waking every millisecond to look.
        BoardLink link;
        QVERIFY(link.open());
        int wakeUps = 0;
        const auto counter = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                                     [&] { ++wakeUps; });
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        QVERIFY(!link.port.readRegisters(116, 40, buffer, length, 1));
        disconnect(counter);
        QVERIFY(!link.board.received().isEmpty());
        // The request's own bytes and their echo wake it a few times; a 1-ms poll would be 1000.
        QVERIFY2(wakeUps < 50, qPrintable(QString::number(wakeUps)));
    }

    void typedReadsNeedAnOpenPort()
    {
        FastClock clock;
        Q7Port port(clock);
        int written = 0;
        port.OnTxEvent = [&](Q7Port&) { ++written; };
        std::uint16_t value = 0;
        QVERIFY(!port.readUI16Register(100, &value));
        // Refused before anything goes out, so no request waits out its time-out either.
        QCOMPARE(written, 0);
    }

    void totalsAreBigEndianFloats()
    {
        BoardLink link;
        QVERIFY(link.open());
        QByteArray registers;
        for (int k = 0; k < 10; ++k) {
            const auto bits = std::bit_cast<std::uint32_t>(1.5f * (k + 1));
            for (int shift : {24, 16, 8, 0})
                registers.append(static_cast<char>((bits >> shift) & 0xFF));
            registers.append(QByteArray(4, '\x7F'));
        }
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(wire::kalderReply(0x00, QByteArray()));
            else
                link.board.write(ascii(wire::hex("01 03 50") + registers));
        });
        Q7Data::Totalisers totals;
        QVERIFY(link.port.readTotals(&totals));
        QCOMPARE(totals.values()[0], 1.5f);
        QCOMPARE(totals.values()[9], 15.0f);
    }

    void shortRegisterReplyIsNotAValue()
    {
        // Two of the eighty register bytes: every attempt is refused rather than read as zeros.
        BoardLink link;
        QVERIFY(link.open());
        int reads = 0;
        link.board.answer([&](const Frame& f) {
            if (f.kalder) {
                link.board.write(wire::kalderReply(0x00, QByteArray()));
            } else {
                ++reads;
                link.board.write(ascii(wire::hex("01 03 02 12 34")));
            }
        });
        Q7Data::Totalisers totals;
        QVERIFY(!link.port.readTotals(&totals));
        QCOMPARE(reads, 4);
        unsigned long value = 0;
        QVERIFY(!link.port.readUI32Register(116, &value));
    }

    void embeddedSetTimePayload()
    {
        BoardLink link;
        QVERIFY(link.open());
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(embeddedReply(0x41, QByteArray()));
        });
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        const auto at = Q7Data::TDateTime::fromDateTime(QDate(2016, 3, 7), QTime(14, 5, 9));
        QVERIFY(link.port.setTime(at, buffer, length, 1, Q7Data::ptEmbedded));
        QCOMPARE(link.kalderFrames().first().payload, wire::hex("51 01 41 10 03 07 0E 05 09"));
    }

    void unknownTransportSendsNothing()
    {
        BoardLink link;
        QVERIFY(link.open());
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.port.resetTotalisers(1, buffer, length, 1, static_cast<Q7Data::ProtocolType>(3)));
        QVERIFY2(t.elapsed() >= 990, qPrintable(QString::number(t.elapsed())));
        link.pump(20);
        QVERIFY(link.board.rawReceived().isEmpty());
    }

    void accessCodes()
    {
        BoardLink link;
        QVERIFY(link.open());
        QList<QByteArray> sent;
        link.board.answer([&](const Frame& f) {
            if (!f.kalder)
                return;
            sent << f.payload;
            const auto function = static_cast<std::uint8_t>(f.payload[2]);
            link.board.write(function == 3 ? embeddedReply(3, wire::hex("02 00 03"))
                                           : embeddedReply(function, QByteArray()));
        });
        setAccessCodes(link.port, 1234, 5, 6);
        QCOMPARE(link.port.loggin(999), std::uint16_t(0));
        link.pump(20);
        QVERIFY(sent.isEmpty());

        QCOMPARE(link.port.loggin(5), std::uint16_t(3));
        QCOMPARE(sent.value(0), wire::hex("51 01 44 00 05"));
        QCOMPARE(sent.value(1), wire::hex("51 01 03 00 58 00 01 02 00 00"));

        sent.clear();
        QCOMPARE(link.port.logout(), std::uint16_t(3));
        QCOMPARE(sent.value(0), wire::hex("51 01 44 00 00"));
        sent.clear();
        setAccessCodes(link.port, 1, 0, 2);
        link.port.logout();
        QCOMPARE(sent.value(0), wire::hex("51 01 44 00 03"));
    }

    void serialNumberIsStoredReversed()
    {
        BoardLink link;
        QVERIFY(link.open());
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(embeddedReply(3, wire::hex("06 A1 A2 A3 A4 A5 A6")));
        });
        auto& info = link.port.structures[1];
        const std::uint8_t reversed[] = {0xA6, 0xA5, 0xA4, 0xA3, 0xA2, 0xA1};
        std::copy(std::begin(reversed), std::end(reversed), info.begin());
        QVERIFY(link.port.verifySerialNumber());
        QCOMPARE(link.kalderFrames().first().payload, wire::hex("51 01 03 00 38 00 03 06 00 00 00 00 00 00"));
        info[0] = 0xA1;
        QVERIFY(!link.port.verifySerialNumber());
    }

    // The byte count of an embedded register block is one byte: a block whose values it cannot
    // count is refused, not sent with a count that disagrees with the values that follow.
    void embeddedBlockMustFitItsByteCount()
    {
        BoardLink link;
        QVERIFY(link.open());
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(embeddedReply(16, wire::hex("00 00 00 80")));
        });
        for (std::uint8_t function : {3, 16}) {
            Q7Port::RequestBuffer buffer{};
            std::uint16_t length = 0;
            QVERIFY(!link.port.sendEmbeddedFrame(1, function, 0, 128, buffer, length, 1));
        }
        link.pump(20);
        QVERIFY(link.board.rawReceived().isEmpty());
    }

    void simpleCommandNeedsAcceptance()
    {
        BoardLink link;
        QVERIFY(link.open());
        std::uint8_t accepted = 0x00;
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(
                    wire::kalderReply(static_cast<std::uint8_t>(f.payload[0]), QByteArray(), accepted));
        });
        QVERIFY(!link.port.sendSimpleCommand(67));
        accepted = 0x80;
        QVERIFY(link.port.sendSimpleCommand(67));
    }

    // The requests the restore and SD-card steps send, byte for byte; the two that need the
    // board awake send the null command first.
    void commandsOnTheWire_data()
    {
        QTest::addColumn<PortOp>("op");
        QTest::addColumn<QByteArray>("sent");
        const QByteArray null = wire::hex("10 02 01 80 00 10 90 D6 10 03");
        QTest::addRow("setState(0)") << PortOp([](Q7Port& p) { return p.setState(0); })
                                     << wire::hex("10 02 01 80 45 00 89 28 10 03");
        QTest::addRow("setAccessLevel(3)") << PortOp([](Q7Port& p) { return p.setAccessLevel(3); })
                                           << null + wire::hex("10 02 01 80 4B 03 02 80 10 03");
        QTest::addRow("backupLogsToSdcard") << PortOp([](Q7Port& p) { return p.backupLogsToSdcard(); })
                                            << null + wire::hex("10 02 01 80 67 A9 C1 10 03");
        QTest::addRow("sendSimpleCommand(98)") << PortOp([](Q7Port& p) { return p.sendSimpleCommand(98); })
                                               << wire::hex("10 02 01 80 62 04 96 10 03");
        // Ten whole parts then ten thousandths, each little-endian, as the caller packs them.
        QByteArray totals;
        for (int k = 0; k < 20; ++k)
            totals += QByteArray::fromRawData("\x10\x00\x00\x80", 4);
        QTest::addRow("sendTotalsUpdateCommand") << PortOp([totals](Q7Port& p) {
            return p.sendTotalsUpdateCommand(std::span(
                reinterpret_cast<const std::uint8_t*>(totals.constData()), std::size_t(totals.size())));
        }) << wire::request(0x41, totals);
    }
    void commandsOnTheWire()
    {
        QFETCH(PortOp, op);
        QFETCH(QByteArray, sent);
        BoardLink link;
        QVERIFY(link.open());
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(wire::kalderReply(static_cast<std::uint8_t>(f.payload[0]), QByteArray()));
        });
        QVERIFY(op(link.port));
        QCOMPARE(link.board.rawReceived(), sent);
        for (const auto& f : link.kalderFrames())
            QVERIFY(f.crcGood);
    }

    // Without an answer to the null command the board is not awake: the command is not sent.
    void commandsNeedAnAwakeBoard_data()
    {
        QTest::addColumn<PortOp>("op");
        QTest::addRow("setAccessLevel") << PortOp([](Q7Port& p) { return p.setAccessLevel(3); });
        QTest::addRow("backupLogsToSdcard") << PortOp([](Q7Port& p) { return p.backupLogsToSdcard(); });
    }
    void commandsNeedAnAwakeBoard()
    {
        QFETCH(PortOp, op);
        BoardLink link;
        QVERIFY(link.open());
        // A reply naming another command ends each attempt at once, so the five fail quickly.
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(wire::kalderReply(0x13, QByteArray()));
        });
        QVERIFY(!op(link.port));
        const auto frames = link.kalderFrames();
        QCOMPARE(frames.size(), 5);
        for (const auto& f : frames)
            QCOMPARE(f.payload, QByteArray(1, '\0'));
    }

    // A simple command counts only when the board says it carried it out, for this command.
    void simpleCommandRefusals_data()
    {
        QTest::addColumn<int>("accepted");
        QTest::addColumn<int>("echoed");
        QTest::addColumn<bool>("ok");
        QTest::addRow("carried out") << 0x80 << 99 << true;
        QTest::addRow("refused") << 0x01 << 99 << false;
        QTest::addRow("refused with zero") << 0x00 << 99 << false;
        QTest::addRow("answer to another command") << 0x80 << 98 << false;
    }
    void simpleCommandRefusals()
    {
        QFETCH(int, accepted);
        QFETCH(int, echoed);
        BoardLink link;
        QVERIFY(link.open());
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(
                    wire::kalderReply(std::uint8_t(echoed), QByteArray(), std::uint8_t(accepted)));
        });
        QTEST(link.port.sendSimpleCommand(99), "ok");
        QCOMPARE(link.board.rawReceived(), wire::request(99));
    }

    // The value of a signal read sits at reply bytes 3-6, after the acceptance, the echoed
    // command and one byte the value does not include.
    void signalReadsTakeTheirValueAtByte3_data()
    {
        using Read = std::function<bool(Q7Port&, float*)>;
        QTest::addColumn<Read>("read");
        QTest::addColumn<QByteArray>("sent");
        QTest::addRow("readInputSignal") << Read([](Q7Port& p, float* v) { return p.readInputSignal(v); })
                                         << wire::hex("10 02 01 80 47 AB E0 10 03");
        QTest::addRow("readPNFSignal") << Read([](Q7Port& p, float* v) { return p.readPNFSignal(v); })
                                       << wire::hex("10 02 01 80 49 D5 09 10 03");
        QTest::addRow("readECSignal") << Read([](Q7Port& p, float* v) { return p.readECSignal(v); })
                                      << wire::hex("10 02 01 80 4A 4E 3B 10 03");
        QTest::addRow("readChannel(5)") << Read([](Q7Port& p, float* v) { return p.readChannel(5, v); })
                                        << wire::hex("10 02 01 80 44 05 00 00 00 00 00 E8 3A 10 03");
    }
    void signalReadsTakeTheirValueAtByte3()
    {
        using Read = std::function<bool(Q7Port&, float*)>;
        QFETCH(Read, read);
        QFETCH(QByteArray, sent);
        BoardLink link;
        QVERIFY(link.open());
        link.board.answer([&](const Frame& f) {
            if (f.kalder)
                link.board.write(wire::kalderReply(static_cast<std::uint8_t>(f.payload[0]),
                                                   QByteArray(1, '\x05') + leF32(2.75f) + leF32(-1.0f)));
        });
        float value = 0;
        QVERIFY(read(link.port, &value));
        QCOMPARE(value, 2.75f);
        QCOMPARE(link.board.rawReceived(), sent);
    }

    void structures()
    {
        BoardLink link;
        QVERIFY(link.open());
        QByteArray status(351, '\0');
        const QDateTime pc(QDate(2026, 5, 4), QTime(10, 0, 0));
        link.clock.setDateTime(pc);
        const QDateTime board = pc.addSecs(90);
        const char ts[] = {char(board.date().year() - 2000), char(board.date().month()),
                           char(board.date().day()),         char(board.time().hour()),
                           char(board.time().minute()),      char(board.time().second())};
        status.replace(2, 6, QByteArray(ts, 6));
        link.board.answer([&](const Frame& f) {
            if (!f.kalder)
                return;
            const auto command = static_cast<std::uint8_t>(f.payload[0]);
            if (command == 0x13 && f.payload[1] == 0)
                link.board.write(wire::kalderReply(0x13, status));
            else if (command == 0x13)
                link.board.write(wire::kalderReply(0x13, QByteArray(10, '\x42')));
            else
                link.board.write(wire::kalderReply(command, QByteArray()));
        });
        QVERIFY(link.port.getStucture(0));
        QCOMPARE(link.board.rawReceived(), wire::hex("10 02 01 80 13 00 AE AF 10 03"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(link.port.structures[0].data()), 351), status);
        QCOMPARE(link.port.clockOffsetSeconds, 90);

        // A reply shorter than the structure fills only its leading part.
        link.port.structures[1].assign(928, 0x11);
        QVERIFY(link.port.getStucture(1));
        QCOMPARE(int(link.port.structures[1][9]), 0x42);
        QCOMPARE(int(link.port.structures[1][10]), 0x11);

        link.board.clear();
        QVERIFY(!link.port.putStucture(7));
        link.pump(20);
        QVERIFY(link.board.rawReceived().isEmpty());

        // An area resized by a caller is not a record the board can take: nothing is sent.
        for (std::size_t wrong : {331u, 333u, 600u}) {
            link.port.structures[5].assign(wrong, 0x10);
            QVERIFY(!link.port.putStucture(5));
        }
        link.pump(20);
        QVERIFY(link.board.rawReceived().isEmpty());

        link.port.structures[5].assign(332, 0x10);
        QVERIFY(link.port.putStucture(5));
        const auto frames = link.kalderFrames();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].payload, QByteArray(1, '\0'));
        QCOMPARE(frames[1].payload, wire::hex("14 05") + QByteArray(332, '\x10'));
        QVERIFY(frames[1].crcGood);
    }
};

QTEST_GUILESS_MAIN(TestQ7PortRequests)
#include "TestQ7PortRequests.moc"
