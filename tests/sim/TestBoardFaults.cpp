#include "LineProbe.h"
#include "SimulatedBoard.h"

#include <QElapsedTimer>
#include <QtTest>

using sim::BoardFaults;
using sim::BoardModel;
using sim::SimulatedBoard;

// Each fault knob on its own, switched on while the board runs.
class TestBoardFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimulatedBoard> m_board;
    std::unique_ptr<probe::Line> m_line;

    std::optional<probe::Frame> exchange(uint8_t command, const QByteArray& args = {}, int ms = 1000)
    {
        m_line->send(probe::request(command, args));
        return m_line->kalderFrame(ms);
    }

    // Acknowledges a plain transfer the way the program does, until it ends or goes quiet.
    QList<probe::Frame> drainPlainTransfer()
    {
        QList<probe::Frame> blocks;
        m_line->send(probe::kalder(0x8B, {}));
        while (auto f = m_line->kalderFrame(300)) {
            blocks.append(*f);
            if (f->type == 0x88)
                m_line->send(probe::kalder(0x90, {}));
            else if (f->type == 0x8F)
                m_line->send(probe::kalder(0x8B, {}));
            else
                break;
        }
        return blocks;
    }

    static QByteArray dataOf(const QList<probe::Frame>& blocks)
    {
        QByteArray out;
        for (const auto& b : blocks)
            if (b.type == 0x88 || b.type == 0x8F)
                out += b.payload;
        return out;
    }

private slots:
    void init()
    {
        m_board = std::make_unique<SimulatedBoard>(BoardModel::existing());
        QVERIFY(m_board->start());
        m_line = std::make_unique<probe::Line>(m_board->devicePath());
    }

    void cleanup()
    {
        m_line.reset();
        m_board.reset();
    }

    void silentBoardAnswersNothingButHearsEverything()
    {
        BoardFaults f;
        f.silent = true;
        m_board->setFaults(f);
        QVERIFY(!exchange(0x00, {}, 300));
        m_line->send(probe::ascii(QByteArray::fromHex("010300000001")));
        QVERIFY(m_line->read(200).isEmpty());
        QCOMPARE(m_board->wireLog().size(), 2);
        m_board->setFaults({});
        QVERIFY(exchange(0x00));
    }

    void ignoredCommandGoesUnansweredWhileOthersAreAnswered()
    {
        BoardFaults f;
        f.ignore = {0x13};
        m_board->setFaults(f);
        QVERIFY(!exchange(0x13, QByteArray(1, 0), 300));
        QVERIFY(exchange(0x00));
        QCOMPARE(m_board->requestsReceived().size(), 2);
    }

    void refusedCommandHasNoEffect()
    {
        BoardFaults f;
        f.refuse = {0x43, 0x14};
        f.refusalCode = 0x02;
        m_board->setFaults(f);
        const auto reply = exchange(0x43);
        QVERIFY(reply && reply->crcOk);
        QCOMPARE(reply->payload, QByteArray::fromHex("0243"));
        QCOMPARE(m_board->model().resets, BoardModel::existing().resets);
        QVERIFY(exchange(0x00)); // no reboot silence followed
        const QByteArray config = m_board->model().structure(5);
        QCOMPARE(uint8_t(exchange(0x14, QByteArray(1, 5) + config)->payload[0]), uint8_t(0x02));
        QVERIFY(m_board->model().structureWrites.isEmpty());
    }

    // The board takes the write but keeps one byte different from what it was sent, which only
    // reading the structure back shows; other structures are stored as sent.
    void storedStructureIsAlteredOnlyWhereChosen()
    {
        BoardFaults f;
        f.alterStoredStructure = 5;
        f.alterStoredOffset = 40;
        m_board->setFaults(f);
        QByteArray config = m_board->model().structure(5);
        config[40] = char(0x5A);
        QCOMPARE(uint8_t(exchange(0x14, QByteArray(1, 5) + config)->payload[0]), uint8_t(0x80));
        QByteArray expected = config;
        expected[40] = char(~0x5A);
        QCOMPARE(m_board->model().structure(5), expected);
        QCOMPARE(exchange(0x13, QByteArray(1, 5))->payload.mid(2), expected);

        const QByteArray cal(158, '\x21');
        QCOMPARE(uint8_t(exchange(0x14, QByteArray(1, 4) + cal)->payload[0]), uint8_t(0x80));
        QCOMPARE(m_board->model().structure(4), cal);
    }

    void replyNamesAnotherCommand()
    {
        BoardFaults f;
        f.echoOverride = 0x13;
        m_board->setFaults(f);
        const auto reply = exchange(0x00);
        QVERIFY(reply && reply->crcOk);
        QCOMPARE(reply->payload, QByteArray::fromHex("8013"));
    }

    void chosenFramesAreCorruptedOrDropped_data()
    {
        QTest::addColumn<bool>("drop");
        QTest::addRow("corrupt") << false;
        QTest::addRow("drop") << true;
    }

    void chosenFramesAreCorruptedOrDropped()
    {
        QFETCH(bool, drop);
        BoardFaults f;
        (drop ? f.dropFrames : f.corruptFrames) = {2, 3};
        m_board->setFaults(f);
        QList<std::optional<probe::Frame>> replies;
        for (int i = 0; i < 4; ++i)
            replies.append(exchange(0x00, {}, 300));
        QVERIFY(replies[0] && replies[0]->crcOk);
        QVERIFY(replies[3] && replies[3]->crcOk);
        for (int i : {1, 2}) {
            if (drop) {
                QVERIFY(!replies[i]);
            } else {
                QVERIFY(replies[i]);
                QVERIFY(!replies[i]->crcOk);
                QCOMPARE(replies[i]->type, uint8_t(0x81)); // only the checksum is wrong
            }
        }
        int flagged = 0;
        for (const auto& r : m_board->wireLog())
            flagged += drop ? r.dropped : !r.checksumOk;
        QCOMPARE(flagged, 2);
    }

    void aNoisyLineCorruptsEveryNthFrameForGood_data()
    {
        QTest::addColumn<int>("every");
        QTest::addColumn<QList<bool>>("crcOk");
        QTest::addRow("every frame") << 1 << QList<bool>{false, false, false, false, false, false};
        QTest::addRow("one in three") << 3 << QList<bool>{true, true, false, true, true, false};
    }

    void aNoisyLineCorruptsEveryNthFrameForGood()
    {
        QFETCH(int, every);
        QFETCH(QList<bool>, crcOk);
        BoardFaults f;
        f.corruptEvery = every;
        m_board->setFaults(f);
        for (qsizetype i = 0; i < crcOk.size(); ++i) {
            const auto reply = exchange(0x00, {}, 300);
            QVERIFY2(reply, qPrintable(QString::number(i + 1)));
            QCOMPARE(reply->crcOk, crcOk.at(i));
        }
    }

    void corruptedModbusRepliesFailTheirChecksums()
    {
        BoardFaults f;
        f.corruptFrames = {1, 2};
        m_board->setFaults(f);
        const QByteArray request = QByteArray::fromHex("010300000001");
        m_line->send(probe::ascii(request));
        const auto ascii = m_line->asciiFrame();
        QVERIFY(ascii);
        QCOMPARE(ascii->left(ascii->size() - 4), probe::ascii(QByteArray::fromHex("0103020011")).chopped(4));
        QVERIFY(*ascii != probe::ascii(QByteArray::fromHex("0103020011")));
        m_line->send(probe::rtu(request));
        const QByteArray rtu = m_line->read(500, 7);
        QCOMPARE(rtu.left(5), QByteArray::fromHex("0103020011"));
        QVERIFY(rtu != probe::rtu(QByteArray::fromHex("0103020011")));
    }

    void repliesArriveInFragments()
    {
        BoardFaults f;
        f.fragmentSize = 3;
        f.fragmentGapMs = 200;
        m_board->setFaults(f);
        QElapsedTimer t;
        t.start();
        m_line->send(probe::request(0x00));
        const QByteArray first = m_line->read(100);
        QVERIFY2(!first.isEmpty() && first.size() <= 3, first.toHex().constData());
        const QByteArray expected = probe::kalder(0x81, QByteArray::fromHex("8000"));
        QCOMPARE(first + m_line->read(2000, expected.size() - first.size()), expected);
        QVERIFY(t.elapsed() >= (expected.size() - 1) / 3 * 200); // one gap between pieces
    }

    void transferStallsAndResumesOnARepeatedAcknowledgement()
    {
        BoardFaults f;
        f.stallAfterBlocks = 2;
        m_board->setFaults(f);
        QVERIFY(exchange(0x04));
        const auto blocks = drainPlainTransfer();
        QCOMPARE(blocks.size(), 2);
        m_board->setFaults({});
        m_line->send(probe::kalder(0x8B, {})); // the PC's timer repeats its last acknowledgement
        QList<probe::Frame> rest;
        while (auto b = m_line->kalderFrame(300)) {
            rest.append(*b);
            if (b->type == 0x97)
                break;
            m_line->send(probe::kalder(b->type == 0x88 ? 0x90 : 0x8B, {}));
        }
        QCOMPARE(dataOf(blocks) + dataOf(rest), m_board->model().structure(5));
    }

    void transferEndsWithFailure()
    {
        BoardFaults f;
        f.abortAfterBlocks = 1;
        m_board->setFaults(f);
        QVERIFY(exchange(0x06));
        const auto blocks = drainPlainTransfer();
        QCOMPARE(blocks.size(), 2);
        QCOMPARE(blocks[0].type, uint8_t(0x88));
        QCOMPARE(blocks[1].type, uint8_t(0x8D));
        QVERIFY(!m_line->kalderFrame(200));
    }

    void recordFilesOfTheWrongLength_data()
    {
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("length");
        QTest::addRow("configuration one short") << -1 << 4 << 331;
        QTest::addRow("calibration one long") << 1 << 6 << 159;
        QTest::addRow("basic calibration, 928 bytes") << 706 << 8 << 928;
    }

    void recordFilesOfTheWrongLength()
    {
        QFETCH(int, delta);
        QFETCH(int, command);
        QFETCH(int, length);
        BoardFaults f;
        f.recordLengthDelta = delta;
        m_board->setFaults(f);
        QVERIFY(exchange(uint8_t(command)));
        const auto blocks = drainPlainTransfer();
        QCOMPARE(blocks.last().type, uint8_t(0x97));
        QCOMPARE(dataOf(blocks).size(), length);
    }

    void noiseBetweenFramesIsOutsideAnyFrame()
    {
        BoardFaults f;
        f.noise = QByteArray::fromHex("FF00AA55");
        m_board->setFaults(f);
        const auto a = exchange(0x00);
        const auto b = exchange(0x13, QByteArray(1, 5));
        QVERIFY(a && a->crcOk && b && b->crcOk);
        QCOMPARE(a->before, f.noise);
        QCOMPARE(b->before, f.noise);
    }

    // How close the pacing comes to the line's own speed, and how much faster the unpaced board
    // answers, are measured by the benchmarks; a busy test machine only ever adds time.
    void pacedOutputTakesTheTimeOf9600Baud()
    {
        BoardFaults f;
        f.pace = true;
        m_board->setFaults(f);
        QElapsedTimer t;
        t.start();
        const auto paced = exchange(0x13, QByteArray(1, 0));
        const qint64 ms = t.elapsed();
        QVERIFY(paced && paced->crcOk);
        // About 360 bytes on the line at 1.04 ms each.
        const double expected = paced->wire.size() * 1.0417;
        QVERIFY2(ms >= expected * 0.95, qPrintable(QString::number(ms)));
    }
};

QTEST_GUILESS_MAIN(TestBoardFaults)
#include "TestBoardFaults.moc"
