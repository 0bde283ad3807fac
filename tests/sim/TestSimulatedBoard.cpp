#include "LineProbe.h"
#include "SimulatedBoard.h"

#include <QRandomGenerator>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using sim::BoardModel;
using sim::SimulatedBoard;

namespace {

QByteArray hex(const char* h)
{
    return QByteArray::fromHex(h);
}

float beFloat(const QByteArray& b, qsizetype at)
{
    const uint32_t bits = uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 |
                          uint32_t(uint8_t(b[at + 2])) << 8 | uint8_t(b[at + 3]);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

QByteArray le32(uint32_t v)
{
    QByteArray a(4, '\0');
    for (int i = 0; i < 4; ++i)
        a[i] = char(v >> (8 * i));
    return a;
}

QByteArray leFloat(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return le32(bits);
}

} // namespace

class TestSimulatedBoard : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatedBoard> m_board;
    std::unique_ptr<probe::Line> m_line;

    void startBoard(BoardModel model = BoardModel::existing())
    {
        m_line.reset();
        m_board = std::make_unique<SimulatedBoard>(std::move(model));
        QString error;
        QVERIFY2(m_board->start(&error), qPrintable(error));
        m_line = std::make_unique<probe::Line>(m_board->devicePath());
        QVERIFY(m_line->isOpen());
    }

    probe::Frame exchange(uint8_t command, const QByteArray& args = {})
    {
        m_line->send(probe::request(command, args));
        const auto f = m_line->kalderFrame();
        if (!f)
            return {};
        return *f;
    }

private slots:
    void init() { startBoard(); }
    void cleanup()
    {
        m_line.reset();
        m_board.reset();
    }

    void wireExamplesGetWellFormedReplies_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("resultLength");
        QTest::addRow("null command") << hex("10020180001090D61003") << 0x00 << 0;
        QTest::addRow("setState(0)") << hex("100201804500892810 03") << 0x45 << 0;
        QTest::addRow("getStucture(0)") << hex("1002018013 00AEAF1003") << 0x13 << 351;
        QTest::addRow("getStucture(5)") << probe::request(0x13, hex("05")) << 0x13 << 332;
        QTest::addRow("getStucture(1), bounded by the frame")
            << probe::request(0x13, hex("01")) << 0x13 << 396;
        QTest::addRow("setAccessLevel(3)") << probe::request(0x4B, hex("03")) << 0x4B << 0;
        QTest::addRow("reading a channel") << probe::request(0x44, hex("0200000000 00")) << 0x44 << 5;
    }

    void wireExamplesGetWellFormedReplies()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, command);
        QFETCH(int, resultLength);
        m_line->send(request);
        const auto reply = m_line->kalderFrame();
        QVERIFY(reply);
        QVERIFY(reply->crcOk);
        QCOMPARE(reply->type, uint8_t(0x81));
        QCOMPARE(uint8_t(reply->payload[0]), uint8_t(0x80));
        QCOMPARE(uint8_t(reply->payload[1]), uint8_t(command));
        QCOMPARE(reply->payload.size() - 2, resultLength);
        // Re-encoding the reply by hand must give the very bytes that came over the line.
        QCOMPARE(reply->wire, probe::kalder(0x81, reply->payload));
        QVERIFY(m_line->read(50).isEmpty());
    }

    void nullReplyIsStuffedWhereItMustBe()
    {
        m_line->send(hex("10020180001090D61003"));
        const auto reply = m_line->kalderFrame();
        QVERIFY(reply);
        // The reply's own CRC, over 01 81 80 00, worked out independently.
        QCOMPARE(reply->wire, probe::kalder(0x81, hex("8000")));
        QVERIFY(reply->crcOk);
    }

    void structureZeroCarriesTheBoardClockAndLiveValues()
    {
        const auto reply = exchange(0x13, hex("00"));
        const QByteArray s = reply.payload.mid(2);
        QCOMPARE(s.size(), 351);
        const QDateTime at(QDate(2000 + uint8_t(s[2]), uint8_t(s[3]), uint8_t(s[4])),
                           QTime(uint8_t(s[5]), uint8_t(s[6]), uint8_t(s[7])));
        QVERIFY(at.isValid());
        const qint64 ahead = QDateTime::currentDateTime().secsTo(at);
        QVERIFY2(qAbs(ahead - m_board->model().clockOffsetSecs) <= 2, qPrintable(QString::number(ahead)));
        QCOMPARE(s.mid(16, 4), leFloat(m_board->model().live.flowRate));
    }

    void structureOneKeepsTheSerialNumberReversedAgainstItsRegisters()
    {
        const QByteArray info = exchange(0x13, hex("01")).payload.mid(2);
        m_line->send(probe::ascii(hex("0103003800 03")));
        const auto frame = m_line->asciiFrame();
        QVERIFY(frame);
        const QByteArray regs = QByteArray::fromHex(frame->mid(1, frame->size() - 5)).mid(3);
        QCOMPARE(regs.size(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(info[i], regs[5 - i]);
        QCOMPARE(info.mid(130, 4), QByteArray("2500"));
    }

    void structuresOutsideTheTableAreRefused()
    {
        const auto reply = exchange(0x13, hex("08"));
        QVERIFY(reply.crcOk);
        QVERIFY(uint8_t(reply.payload[0]) != 0x80);
        QCOMPARE(uint8_t(reply.payload[1]), uint8_t(0x13));
    }

    void putStructureIsStoredAndSurvivesAReboot()
    {
        m_board->editModel([](BoardModel& m) { m.rebootSilenceMs = 1000; });
        QByteArray config = m_board->model().structure(5);
        config[278] = 1;
        config[0] = 0x10; // a byte that needs stuffing on the way
        exchange(0x4B, hex("03"));
        const auto put = exchange(0x14, hex("05") + config);
        QCOMPARE(uint8_t(put.payload[0]), uint8_t(0x80));
        QCOMPARE(m_board->model().structure(5), config);
        QCOMPARE(m_board->model().structureWrites.size(), 1);
        QCOMPARE(m_board->model().structureWrites[0].accessLevel, uint8_t(3));

        QCOMPARE(uint8_t(exchange(0x43).payload[0]), uint8_t(0x80));
        m_line->send(probe::request(0x00));
        QVERIFY2(!m_line->kalderFrame(100), "a rebooting board answers nothing");
        QTest::qWait(1000);
        QVERIFY(m_line->kalderFrame(100) == std::nullopt);
        QCOMPARE(exchange(0x13, hex("05")).payload.mid(2), config);
        QCOMPARE(m_board->model().resets, uint16_t(BoardModel::existing().resets + 1));
        QCOMPARE(m_board->model().count(0x43), 1);
    }

    void bytesRightBehindTheRebootCommandAreNotHeard()
    {
        m_board->editModel([](BoardModel& m) { m.rebootSilenceMs = 500; });
        m_line->send(probe::request(0x43) + probe::request(0x00));
        const auto reply = m_line->kalderFrame();
        QVERIFY(reply);
        QCOMPARE(reply->payload, hex("8043"));
        QVERIFY(!m_line->kalderFrame(200));
        const auto log = m_board->wireLog();
        QVERIFY(log.last().ignored);
        QCOMPARE(log.last().bytes, probe::request(0x00));
    }

    void putStructureOfTheWrongSizeOrIdIsRefused_data()
    {
        QTest::addColumn<QByteArray>("args");
        QTest::addRow("config one byte short") << hex("05") + QByteArray(331, 'x');
        QTest::addRow("calibration one byte long") << hex("04") + QByteArray(159, 'x');
        QTest::addRow("status structure") << hex("00") + QByteArray(351, 'x');
        QTest::addRow("no id") << QByteArray();
    }

    void putStructureOfTheWrongSizeOrIdIsRefused()
    {
        QFETCH(QByteArray, args);
        const BoardModel before = m_board->model();
        const auto reply = exchange(0x14, args);
        QVERIFY(uint8_t(reply.payload[0]) != 0x80);
        QCOMPARE(m_board->model().structures, before.structures);
    }

    void totalsUpdateIsDecodedIntoTenValues()
    {
        QByteArray payload;
        const double values[10] = {1234567.875, 0, -12.5, 3, 4.25, 5, 6, 7, 8, 99999.999};
        for (double v : values)
            payload += le32(uint32_t(int32_t(v)));
        for (double v : values)
            payload += leFloat(float((v - double(int32_t(v))) * 1000.0));
        QCOMPARE(uint8_t(exchange(0x41, payload).payload[0]), uint8_t(0x80));
        const auto totals = m_board->model().totals;
        for (int k = 0; k < 10; ++k)
            QVERIFY2(qAbs(double(totals[size_t(k)]) - values[k]) < 0.1, qPrintable(QString::number(k)));
        QCOMPARE(m_board->model().totalsUpdates.size(), 1);
        QVERIFY(uint8_t(exchange(0x41, payload.left(79)).payload[0]) != 0x80);
    }

    void asciiReadOfTheTotalsMatchesTheModel()
    {
        m_line->send("\x3A"
                     "01030074002860\r\n");
        const auto frame = m_line->asciiFrame();
        QVERIFY(frame);
        QCOMPARE(*frame, probe::ascii(QByteArray::fromHex(frame->mid(1, frame->size() - 5))));
        const QByteArray bytes = QByteArray::fromHex(frame->mid(1, frame->size() - 5));
        QCOMPARE(bytes.left(3), hex("010350"));
        const auto totals = BoardModel::existing().totals;
        for (int k = 0; k < 10; ++k)
            QCOMPARE(beFloat(bytes, 3 + 8 * k), totals[size_t(k)]);
    }

    void modbusRequestsInEveryFraming_data()
    {
        QTest::addColumn<QByteArray>("request"); // address, function, data
        QTest::addColumn<QByteArray>("reply");   // address, function, data
        QTest::addRow("resets, uptime") << hex("010300000001") << hex("01030200") + QByteArray(1, 17);
        QTest::addRow("uptime in days and hours") << hex("010300010002") << hex("010304019C0007");
        const auto be = [](float f) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            QByteArray a;
            for (int shift : {24, 16, 8, 0})
                a.append(char(bits >> shift));
            return a;
        };
        const auto live = BoardModel::existing().live;
        QTest::addRow("flow rate") << hex("010300680002") << hex("010304") + be(live.flowRate);
        QTest::addRow("coil current in tens of mA")
            << hex("0103009C0002") << hex("010304") + be(live.coilCurrent * 10.0f);
        QTest::addRow("simulation mode") << hex("01030BBB0001") << hex("0103020000");
        QTest::addRow("firmware characters") << hex("0103003E0002") << hex("01030430303532");
        QTest::addRow("signal states and self-test") << hex("010300370001") << hex("010302007F");
        QTest::addRow("a register the board lacks") << hex("010300030001") << hex("018302");
        QTest::addRow("a block running into a gap") << hex("0103009B0004") << hex("018302");
        QTest::addRow("too many registers") << hex("0103000000 7E") << hex("018303");
        QTest::addRow("write simulation mode") << hex("01060BBB0001") << hex("01060BBB0001");
        QTest::addRow("write a read-only register") << hex("010600000001") << hex("018602");
        QTest::addRow("write several") << hex("01100BBB00010200 02") << hex("01100BBB0001");
        QTest::addRow("login with an access code") << hex("01441A2B") << hex("0144021A2B");
        QTest::addRow("unknown function") << hex("012B0000") << hex("01AB01");
    }

    void modbusRequestsInEveryFraming()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        for (const char* framing : {"ascii", "rtu", "embedded"}) {
            const QString context = QString::fromLatin1(framing);
            if (qstrcmp(framing, "ascii") == 0) {
                m_line->send(probe::ascii(request));
                const auto frame = m_line->asciiFrame();
                QVERIFY2(frame, qPrintable(context));
                QCOMPARE(*frame, probe::ascii(reply));
            } else if (qstrcmp(framing, "rtu") == 0) {
                m_line->send(probe::rtu(request));
                const QByteArray got = m_line->read(1000, reply.size() + 2);
                QCOMPARE(got, probe::rtu(reply));
                QVERIFY(m_line->read(60).isEmpty());
            } else {
                QByteArray args = request;
                if (request[1] == 3) // the embedded read carries a byte count and zeros
                    args += QByteArray(1, char(2 * request[5])) + QByteArray(2 * request[5], '\0');
                const auto frame = exchange(0x51, args);
                QVERIFY(frame.crcOk);
                QCOMPARE(frame.payload, hex("8051") + reply);
            }
        }
    }

    void setTimeAndResetTotalsTakeEffect()
    {
        // 2016-03-07 14:05:09 over the embedded form, as the PC sends it.
        const auto set = exchange(0x51, hex("0141 10 03 07 0E 05 09"));
        QCOMPARE(set.payload, hex("80510141 06 100307 0E0509"));
        m_line->send(probe::ascii(hex("010300400003")));
        const QByteArray regs = QByteArray::fromHex(m_line->asciiFrame()->mid(1)).mid(3, 6);
        QCOMPARE(regs.mid(2), hex("0E07 0310"));
        QVERIFY(uint8_t(regs[0]) <= 12); // seconds since 09, give or take a slow machine
        const auto bad = exchange(0x51, hex("0141 10 02 1E 00 00 00")); // 30 February
        QCOMPARE(bad.payload, hex("805101C103"));

        m_line->send(probe::rtu(hex("01430001")));
        QCOMPARE(m_line->read(1000, 7), probe::rtu(hex("0143020001")));
        QCOMPARE(m_board->model().totals[0], 0.0f);
    }

    void loginOpensTheLevelOfTheCodeAndLogoutCloses()
    {
        exchange(0x51, hex("01443E4F"));
        QCOMPARE(exchange(0x51, hex("01030058000102 0000")).payload, hex("80510103020003"));
        exchange(0x51, hex("01440000"));
        QCOMPARE(m_board->model().accessLevel, uint8_t(0));
    }

    void kalderCommandsAreAnsweredAndRecorded_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("args");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("jump to boot code") << 0x0C << QByteArray() << true;
        QTest::addRow("set id") << 0x3E << hex("07") << true;
        QTest::addRow("LCD plus") << 0x3F << QByteArray() << true;
        QTest::addRow("LCD minus") << 0x40 << QByteArray() << true;
        QTest::addRow("modem power") << 0x42 << hex("01") << true;
        QTest::addRow("coil current") << 0x46 << hex("01C800") << true;
        QTest::addRow("input signal") << 0x47 << QByteArray() << true;
        QTest::addRow("PNF signal") << 0x49 << QByteArray() << true;
        QTest::addRow("EC signal") << 0x4A << QByteArray() << true;
        QTest::addRow("date-time bounds") << 0x01 << hex("00") << true;
        QTest::addRow("date-time bounds of a missing log") << 0x01 << hex("09") << false;
        QTest::addRow("factory defaults") << 0x62 << QByteArray() << true;
        QTest::addRow("SD backup without a card") << 0x63 << QByteArray() << false;
        QTest::addRow("clear a log") << 0x65 << hex("01") << true;
        QTest::addRow("clear all logs") << 0x66 << QByteArray() << true;
        QTest::addRow("a command the board lacks") << 0x7F << QByteArray() << false;
    }

    void kalderCommandsAreAnsweredAndRecorded()
    {
        QFETCH(int, command);
        QFETCH(QByteArray, args);
        QFETCH(bool, accepted);
        const auto reply = exchange(uint8_t(command), args);
        QVERIFY(reply.crcOk);
        QCOMPARE(reply.type, uint8_t(0x81));
        QCOMPARE(uint8_t(reply.payload[1]), uint8_t(command));
        QCOMPARE(uint8_t(reply.payload[0]) == 0x80, accepted);
    }

    void commands98And99KeepTheCalibrationOnTheCard()
    {
        QTemporaryDir card;
        m_board->editModel([&](BoardModel& m) { m.sdCardDir = card.path(); });
        const QByteArray cal = m_board->model().structure(4);
        QCOMPARE(uint8_t(exchange(0x62).payload[0]), uint8_t(0x80));
        QCOMPARE(uint8_t(exchange(0x63).payload[0]), uint8_t(0x80));
        QCOMPARE(m_board->model().factoryCal, cal);
        QFile calib(card.filePath("CALIB.BIN"));
        QVERIFY(calib.open(QIODevice::ReadOnly));
        QCOMPARE(calib.readAll(), cal);
        QFile config(card.filePath("CONFIG.BIN"));
        QVERIFY(config.open(QIODevice::ReadOnly));
        QCOMPARE(config.readAll(), m_board->model().structure(5));
        QCOMPARE(m_board->model().count(0x62), 1);
        QCOMPARE(m_board->model().count(0x63), 1);
        // Command 103 puts the data-flash logs on the card as well.
        QCOMPARE(uint8_t(exchange(0x67).payload[0]), uint8_t(0x80));
        QFile log(card.filePath("FLOWLOG.CSV"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), m_board->model().logs[0].content());
    }

    void swappedBoardAnswersOnTheSameLine()
    {
        const QByteArray before = exchange(0x13, hex("01")).payload.mid(2, 6);
        m_board->swapBoard(BoardModel::replacement());
        const QByteArray after = exchange(0x13, hex("01")).payload.mid(2, 6);
        QVERIFY(before != after);
        const auto replacement = BoardModel::replacement().esn;
        QCOMPARE(after, QByteArray(reinterpret_cast<const char*>(replacement.data()), 6));
    }

    void profilesDifferWhereTheRestoreMerges()
    {
        const QByteArray a = BoardModel::existing().structure(5);
        const QByteArray b = BoardModel::replacement().structure(5);
        QVERIFY(a.mid(278, 2) != b.mid(278, 2));
        QVERIFY(a.mid(280, 2) != b.mid(280, 2));
        QVERIFY(a.mid(282, 4) != b.mid(282, 4));
        QVERIFY(BoardModel::existing().structure(4) != BoardModel::replacement().structure(4));
        for (float t : BoardModel::existing().totals)
            QVERIFY(t != 0.0f);
    }

    void blankBoardAnswersWithoutProfile()
    {
        // A board model built field by field, with areas never filled, must still serve.
        m_board->swapBoard(BoardModel());
        QCOMPARE(exchange(0x13, hex("05")).payload.size(), 2 + 332);
        QCOMPARE(exchange(0x51, hex("01440000")).payload, hex("8051014402 0000"));
        m_line->send(probe::ascii(hex("010300000003")));
        QVERIFY(m_line->asciiFrame());
    }

    void firmwareTextSelectsTheRegisters()
    {
        m_board->editModel([](BoardModel& m) { m.firmware = QStringLiteral("0051"); });
        m_line->send(probe::ascii(hex("0103003E0002")));
        QCOMPARE(*m_line->asciiFrame(), probe::ascii(hex("01030430303531")));
    }

    void theLineSurvivesTheProgramClosingItsPort()
    {
        m_line.reset();
        m_line = std::make_unique<probe::Line>(m_board->devicePath());
        QCOMPARE(uint8_t(exchange(0x00).payload[0]), uint8_t(0x80));
    }

    void boardFindsTheNextFrameAfterGarbage_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::addColumn<int>("pauseMs");
        QTest::addRow("half a Kalder frame") << hex("1002018013") << 0;
        QTest::addRow("DLE followed by junk") << hex("10FF10AB") << 0;
        QTest::addRow("bad stuffing") << hex("1002011010") << 0;
        QTest::addRow("half an ASCII frame") << QByteArray(":0103007") << 0;
        QTest::addRow("ASCII frame with a bad end") << QByteArray(":010300740028600D0D") << 0;
        QTest::addRow("an RTU frame cut short") << hex("0103") << 100;
        QTest::addRow("a Kalder frame too long to be one") << hex("100201") + QByteArray(1500, 'x') << 0;
        QByteArray random(4096, '\0');
        QRandomGenerator rng(7);
        for (auto& c : random)
            c = char(rng.bounded(256));
        QTest::addRow("random bytes") << random << 100;
    }

    void boardFindsTheNextFrameAfterGarbage()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(int, pauseMs);
        m_line->send(garbage);
        QTest::qWait(pauseMs);
        m_line->read(50); // whatever the garbage provoked
        const auto reply = exchange(0x00);
        QVERIFY(reply.crcOk);
        QCOMPARE(reply.payload, hex("8000"));
    }

    void serialPortOpensClosesAndReopensTheLine()
    {
        // The program's own serial class on the simulator's device, as a cable would be used:
        // opened, closed between workflows, opened again.
        m_line.reset();
        for (int round = 0; round < 2; ++round) {
            QSerialPort port(m_board->devicePath());
            port.setBaudRate(9600);
            QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
            port.write(hex("10020180001090D61003"));
            QVERIFY(port.waitForBytesWritten(1000));
            QByteArray got;
            while (got.size() < 10 && port.waitForReadyRead(1000))
                got += port.readAll();
            QCOMPARE(got, probe::kalder(0x81, hex("8000")));
            port.close();
        }
    }

    void wireLogHoldsBothDirections()
    {
        m_board->clearWireLog();
        exchange(0x00);
        m_line->send(hex("1002018000 0000 1003")); // bad CRC: logged, not answered
        QVERIFY(!m_line->kalderFrame(200));
        const auto log = m_board->wireLog();
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0].bytes, hex("10020180001090D61003"));
        QCOMPARE(log[1].direction, sim::WireRecord::Direction::FromBoard);
        QVERIFY(!log[2].checksumOk);
    }
};

QTEST_GUILESS_MAIN(TestSimulatedBoard)
#include "TestSimulatedBoard.moc"
