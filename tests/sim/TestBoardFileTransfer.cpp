#include "LineProbe.h"
#include "SimulatedBoard.h"

#include <QTemporaryDir>
#include <QtTest>

using sim::BoardModel;
using sim::SimulatedBoard;

namespace {

QByteArray hex(const char* h)
{
    return QByteArray::fromHex(h);
}

QByteArray ack(uint8_t type, const QByteArray& payload = {})
{
    return probe::kalder(type, payload);
}

// The PC's half of the block protocol, acknowledging the way the program does: every block
// at once in plain mode, once per window of four in windowed mode.
struct PcReceiver
{
    bool fileMode = false;
    int fileRetry = 0;
    QByteArray file;
    QList<uint8_t> blockTypes;
    QList<QByteArray> acksSent;
    bool done = false;
    bool failed = false;

    void run(probe::Line& line, int maxFrames = 10000)
    {
        send(line, 0x8B, {});
        for (int i = 0; i < maxFrames && !done && !failed; ++i) {
            const auto f = line.kalderFrame(2000);
            if (!f || !f->crcOk) {
                failed = true;
                return;
            }
            onBlock(line, *f);
        }
    }

    void onBlock(probe::Line& line, const probe::Frame& f)
    {
        blockTypes.append(f.type);
        uint8_t a = 0;
        switch (f.type) {
        case 0x88:
            a = fileMode ? 0x92 : 0x90;
            file += f.payload;
            break;
        case 0x87:
        case 0x8F:
            a = 0x8B;
            file += f.payload;
            break;
        case 0x91:
            a = 0x92;
            file += f.payload;
            break;
        case 0x93:
            a = 0x94;
            file += f.payload;
            break;
        case 0x89:
        case 0x95:
            a = 0x96;
            fileMode = false;
            break;
        case 0x8D:
            failed = true;
            return;
        case 0x97:
            done = true;
            return;
        default:
            failed = true;
            return;
        }
        QByteArray payload;
        if (fileMode && (a == 0x92 || a == 0x94)) {
            if (fileRetry > 1) {
                --fileRetry;
                return;
            }
            fileRetry = 4;
            payload = QByteArray(1, char(4));
            a = a == 0x92 ? 0x94 : 0x92;
        }
        send(line, a, payload);
    }

    void send(probe::Line& line, uint8_t type, const QByteArray& payload)
    {
        const QByteArray bytes = ack(type, payload);
        acksSent.append(bytes);
        line.send(bytes);
    }
};

} // namespace

class TestBoardFileTransfer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatedBoard> m_board;
    std::unique_ptr<probe::Line> m_line;
    QTemporaryDir m_card;

    probe::Frame exchange(uint8_t command, const QByteArray& args = {})
    {
        m_line->send(probe::request(command, args));
        const auto f = m_line->kalderFrame();
        return f ? *f : probe::Frame{};
    }

private slots:
    void init()
    {
        m_board = std::make_unique<SimulatedBoard>(BoardModel::existing());
        QVERIFY(m_board->start());
        m_board->editModel([&](BoardModel& m) { m.sdCardDir = m_card.path(); });
        m_line = std::make_unique<probe::Line>(m_board->devicePath());
    }

    void cleanup()
    {
        m_line.reset();
        m_board.reset();
    }

    void recordsStreamPlainByteForByte_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("structure");
        QTest::addRow("configuration") << 4 << 5;
        QTest::addRow("calibration") << 6 << 4;
        QTest::addRow("basic calibration") << 8 << 6;
    }

    void recordsStreamPlainByteForByte()
    {
        QFETCH(int, command);
        QFETCH(int, structure);
        const auto reply = exchange(uint8_t(command));
        QCOMPARE(reply.payload, QByteArray(1, char(0x80)) + char(command));
        PcReceiver pc;
        pc.run(*m_line);
        QVERIFY(pc.done);
        QCOMPARE(pc.acksSent.first(), hex("1002018B03231003"));
        QCOMPARE(pc.file, m_board->model().structure(structure));
        // Data blocks alternate, so the board can tell a repeated acknowledgement from a new one.
        for (int i = 0; i + 1 < pc.blockTypes.size(); ++i)
            QCOMPARE(pc.blockTypes[i], uint8_t(i % 2 == 0 ? 0x88 : 0x8F));
        QCOMPARE(pc.blockTypes.last(), uint8_t(0x97));
    }

    void logStreamsWindowedByteForByte()
    {
        const QByteArray log = m_board->model().logs[0].content();
        QVERIFY(log.size() > 8 * 128); // several windows
        const auto reply = exchange(0x02, "FLOWLOG.CSV" + QByteArray(1, '\0'));
        QCOMPARE(reply.payload.left(2), hex("8002"));
        const auto size = uint32_t(log.size());
        QCOMPARE(reply.payload.mid(6, 4), QByteArray(1, char(size & 0xFF)) + char((size >> 8) & 0xFF) +
                                              char((size >> 16) & 0xFF) + char(size >> 24));
        PcReceiver pc;
        pc.fileMode = true;
        pc.run(*m_line);
        QVERIFY(pc.done);
        QCOMPARE(pc.file, log);
        QCOMPARE(pc.acksSent[1], hex("1002019404C5621003"));
        QCOMPARE(pc.blockTypes.mid(0, 9),
                 (QList<uint8_t>{0x91, 0x93, 0x93, 0x93, 0x93, 0x91, 0x91, 0x91, 0x91}));
    }

    void windowedBoardFollowsAPlainPc()
    {
        const auto reply = exchange(0x02, "DIAGLOG.CSV" + QByteArray(1, '\0'));
        QCOMPARE(uint8_t(reply.payload[0]), uint8_t(0x80));
        PcReceiver pc;
        pc.run(*m_line);
        QVERIFY(pc.done);
        QCOMPARE(pc.file, m_board->model().logs[1].content());
    }

    void cardFilesAndLogRangesStream_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("args");
        QTest::addColumn<QByteArray>("expected");
        const BoardModel m = BoardModel::existing();
        const QDateTime first = m.logs[0].entries[10].at;
        const QDateTime last = m.logs[0].entries[20].at;
        const auto ts = [](const QDateTime& t) {
            QByteArray a;
            for (int v : {t.date().year() - 2000, t.date().month(), t.date().day(), t.time().hour(),
                          t.time().minute(), t.time().second()})
                a.append(char(v));
            return a;
        };
        QTest::addRow("file on the card")
            << 0x02 << QByteArray("DATA0001.CSV\0", 13) << QByteArray("a,b\r\n1,2\r\n");
        QTest::addRow("empty file on the card") << 0x02 << QByteArray("EMPTY.CSV\0", 10) << QByteArray();
        QTest::addRow("log between two times")
            << 0x64 << QByteArray(1, '\0') + ts(first) + ts(last) << m.logs[0].between(first, last);
        QTest::addRow("log index") << 0x50 << QByteArray(1, '\0') << m.logs[0].index();
    }

    void cardFilesAndLogRangesStream()
    {
        QFETCH(int, command);
        QFETCH(QByteArray, args);
        QFETCH(QByteArray, expected);
        QFile f(m_card.filePath("DATA0001.CSV"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a,b\r\n1,2\r\n");
        f.close();
        QFile e(m_card.filePath("EMPTY.CSV"));
        QVERIFY(e.open(QIODevice::WriteOnly));
        e.close();
        const auto reply = exchange(uint8_t(command), args);
        QCOMPARE(uint8_t(reply.payload[0]), uint8_t(0x80));
        PcReceiver pc;
        pc.run(*m_line);
        QVERIFY(pc.done);
        QCOMPARE(pc.file, expected);
        QVERIFY(expected.size() > 0 || pc.blockTypes == QList<uint8_t>{0x97});
    }

    void namesFromTheWireStayOnTheCard_data()
    {
        QTest::addColumn<QByteArray>("args");
        QTest::addRow("parent folder") << QByteArray("../secret.csv\0", 14);
        QTest::addRow("absolute path") << QByteArray("/etc/passwd\0", 12);
        QTest::addRow("dot-dot") << QByteArray("..\0", 3);
        QTest::addRow("no terminating NUL") << QByteArray("FLOWLOG.CSV");
    }

    void namesFromTheWireStayOnTheCard()
    {
        QFETCH(QByteArray, args);
        QFile outside(m_card.filePath("../secret.csv"));
        const auto reply = exchange(0x02, args);
        QVERIFY(reply.crcOk);
        QVERIFY(uint8_t(reply.payload[0]) != 0x80);
        QVERIFY(!m_line->kalderFrame(100));
    }

    void blocksWithoutDataComeFirstWhenAsked_data()
    {
        QTest::addColumn<bool>("fileMode");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("emptyType");
        QTest::addRow("plain record") << false << 4 << 0x89;
        QTest::addRow("windowed log") << true << 2 << 0x95;
    }

    void blocksWithoutDataComeFirstWhenAsked()
    {
        QFETCH(bool, fileMode);
        QFETCH(int, command);
        QFETCH(int, emptyType);
        m_board->editModel([](BoardModel& m) { m.emptyBlocks = 2; });
        exchange(uint8_t(command), command == 2 ? QByteArray("FLOWLOG.CSV\0", 12) : QByteArray());
        PcReceiver pc;
        pc.fileMode = fileMode;
        pc.run(*m_line);
        QVERIFY(pc.done);
        QCOMPARE(pc.blockTypes.mid(0, 2), (QList<uint8_t>{uint8_t(emptyType), uint8_t(emptyType)}));
        QCOMPARE(pc.file, command == 2 ? m_board->model().logs[0].content() : m_board->model().structure(5));
    }

    void repeatedPlainAcknowledgementResendsTheBlock()
    {
        exchange(0x04);
        m_line->send(ack(0x8B));
        const auto b0 = m_line->kalderFrame();
        QCOMPARE(b0->type, uint8_t(0x88));
        m_line->send(ack(0x8B)); // the PC missed block 0 and repeats its first acknowledgement
        const auto again = m_line->kalderFrame();
        QCOMPARE(again->wire, b0->wire);
        m_line->send(ack(0x90));
        const auto b1 = m_line->kalderFrame();
        QCOMPARE(b1->type, uint8_t(0x8F));
        m_line->send(ack(0x90)); // block 1 lost: 0x90 again
        QCOMPARE(m_line->kalderFrame()->wire, b1->wire);
        PcReceiver pc;
        pc.file = b0->payload;
        pc.onBlock(*m_line, *b1);
        for (int i = 0; i < 10 && !pc.done; ++i)
            pc.onBlock(*m_line, *m_line->kalderFrame());
        QVERIFY(pc.done);
        QCOMPARE(pc.file, m_board->model().structure(5));
    }

    void windowedResendStartsWhereThePcLeftOff()
    {
        const QByteArray log = m_board->model().logs[0].content();
        exchange(0x02, QByteArray("FLOWLOG.CSV\0", 12));
        m_line->send(ack(0x8B));
        QByteArray file = m_line->kalderFrame()->payload;
        m_line->send(ack(0x94, hex("04")));
        const auto w1 = m_line->kalderFrame();
        const auto w2 = m_line->kalderFrame();
        QVERIFY(m_line->kalderFrame() && m_line->kalderFrame()); // the other two are lost
        file += w1->payload + w2->payload;
        const int got = int(w1->payload.size() + w2->payload.size());
        // The PC's timer repeats 0x94 with the bytes it got since it last acknowledged.
        m_line->send(ack(0x94, QByteArray(1, char(1)) + char(got & 0xFF) + char(got >> 8)));
        const auto resent = m_line->kalderFrame();
        QCOMPARE(resent->type, uint8_t(0x93));
        QCOMPARE(resent->payload, log.mid(file.size(), resent->payload.size()));
        PcReceiver pc;
        pc.fileMode = true;
        pc.file = file;
        pc.onBlock(*m_line, *resent);
        for (int i = 0; i < 1000 && !pc.done && !pc.failed; ++i)
            pc.onBlock(*m_line, *m_line->kalderFrame());
        QVERIFY(pc.done);
        QCOMPARE(pc.file, log);
    }

    void stopEndsTheTransfer()
    {
        exchange(0x02, QByteArray("FLOWLOG.CSV\0", 12));
        m_line->send(ack(0x8B));
        QVERIFY(m_line->kalderFrame());
        m_line->send(ack(0x8E));
        QVERIFY(!m_line->kalderFrame(300));
        m_line->send(ack(0x94, hex("04")));
        QVERIFY2(!m_line->kalderFrame(300), "a stopped transfer does not restart on a late acknowledgement");
        QCOMPARE(uint8_t(exchange(0x00).payload[0]), uint8_t(0x80));
    }
};

QTEST_GUILESS_MAIN(TestBoardFileTransfer)
#include "TestBoardFileTransfer.moc"
