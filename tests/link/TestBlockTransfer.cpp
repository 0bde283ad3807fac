// The acknowledgement rules of the file transfer, block by block, without a port.
#include "BlockTransfer.h"

#include <QtTest>

namespace {
QByteArray bytesOf(std::span<const std::uint8_t> bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}
constexpr int kNone = -1;
} // namespace

class TestBlockTransfer : public QObject
{
    Q_OBJECT
private slots:
    void answers_data()
    {
        QTest::addColumn<bool>("fileMode");
        QTest::addColumn<int>("fileRetry");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("stores");
        QTest::addColumn<int>("ack"); // kNone: nothing is sent
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("retryAfter");
        QTest::addColumn<bool>("modeAfter");

        QTest::addRow("first block") << false << 3 << false << 0x87 << true << 0x8B << QByteArray() << 0
                                     << false;
        QTest::addRow("0x8F") << false << 0 << false << 0x8F << true << 0x8B << QByteArray() << 0 << false;
        QTest::addRow("0x88 plain") << false << 0 << false << 0x88 << true << 0x90 << QByteArray() << 0
                                    << false;
        QTest::addRow("0x88 windowed opens a window")
            << true << 0 << false << 0x88 << true << 0x94 << QByteArray("\x04") << 4 << true;
        QTest::addRow("0x91 opens a window")
            << true << 0 << false << 0x91 << true << 0x94 << QByteArray("\x04") << 4 << true;
        QTest::addRow("0x93 inside the window")
            << true << 4 << false << 0x93 << true << kNone << QByteArray() << 3 << true;
        QTest::addRow("0x93 ends the window")
            << true << 1 << false << 0x93 << true << 0x92 << QByteArray("\x04") << 4 << true;
        QTest::addRow("window end while stopping")
            << true << 1 << true << 0x93 << true << 0x8E << QByteArray() << 1 << true;
        QTest::addRow("stop inside the window waits for its end")
            << true << 3 << true << 0x91 << true << kNone << QByteArray() << 2 << true;
        QTest::addRow("plain block while stopping")
            << false << 0 << true << 0x8F << true << 0x8E << QByteArray() << 0 << false;
        QTest::addRow("0x89 leaves windowed mode")
            << true << 2 << false << 0x89 << false << 0x96 << QByteArray() << 2 << false;
        QTest::addRow("0x95 leaves windowed mode")
            << true << 2 << false << 0x95 << false << 0x96 << QByteArray() << 2 << false;
        QTest::addRow("first block in windowed mode")
            << true << 3 << false << 0x87 << true << 0x8B << QByteArray() << 0 << true;
        QTest::addRow("unknown type")
            << false << 0 << false << 0x99 << false << kNone << QByteArray() << 0 << false;
    }
    void answers()
    {
        QFETCH(bool, fileMode);
        QFETCH(int, fileRetry);
        QFETCH(bool, stop);
        QFETCH(int, type);
        QFETCH(int, ack);
        QFETCH(QByteArray, payload);
        BlockTransfer t;
        t.start();
        t.fileMode = fileMode;
        t.fileRetry = fileRetry;
        t.transferStop = stop;
        const auto step = t.onBlock(static_cast<std::uint8_t>(type));
        QTEST(step.storesData, "stores");
        QCOMPARE(step.end, BlockTransfer::End::None);
        QCOMPARE(step.ack ? int(step.ack->type) : kNone, ack);
        if (step.ack)
            QCOMPARE(bytesOf(step.ack->bytes()), payload);
        QCOMPARE(step.unknownBlock, type == 0x99);
        QCOMPARE(step.noAckExists, type == 0x99);
        QTEST(int(t.fileRetry), "retryAfter");
        QTEST(t.fileMode, "modeAfter");
    }

    void endsAreNotAcknowledged()
    {
        BlockTransfer t;
        t.start();
        auto step = t.onBlock(0x97);
        QCOMPARE(step.end, BlockTransfer::End::EndOfFile);
        QVERIFY(!step.ack);
        QVERIFY(!t.transferStop);
        step = t.onBlock(0x8D);
        QCOMPARE(step.end, BlockTransfer::End::BoardStop);
        QVERIFY(!step.ack);
        QVERIFY(t.transferStop);
    }

    // A resend repeats the last acknowledgement; in windowed mode it carries the bytes
    // received since it first went out, low byte first.
    void resends_data()
    {
        QTest::addColumn<bool>("fileMode");
        QTest::addColumn<QByteArray>("payload");
        QTest::addRow("plain") << false << QByteArray();
        QTest::addRow("windowed") << true << QByteArray("\x01\x2C\x01", 3);
    }
    void resends()
    {
        QFETCH(bool, fileMode);
        BlockTransfer t;
        t.start();
        t.fileMode = fileMode;
        t.bytesWritten = 100;
        t.acknowledged(0x94);
        t.bytesWritten = 400;
        const auto ack = t.resend();
        QCOMPARE(int(ack.type), 0x94);
        QTEST(bytesOf(ack.bytes()), "payload");
        QCOMPARE(t.lastReported, 100u);
    }

    void aNewTransferForgetsTheLastOne()
    {
        BlockTransfer t;
        t.bytesWritten = 7;
        t.acknowledged(0x92);
        t.transferStop = true;
        t.fileDone = true;
        t.start();
        QCOMPARE(int(t.lastAck), 0);
        QCOMPARE(t.bytesWritten, 0u);
        QCOMPARE(t.lastReported, 0u);
        QVERIFY(!t.transferStop);
        QVERIFY(!t.fileDone);
    }

    // The timer counts the window down first; only then is the acknowledgement resent.
    void timerCountsTheWindowDown()
    {
        BlockTransfer t;
        t.fileRetry = 3;
        QVERIFY(!t.timerExpired());
        QVERIFY(!t.timerExpired());
        QVERIFY(t.timerExpired());
        QVERIFY(t.timerExpired());
    }
};

QTEST_GUILESS_MAIN(TestBlockTransfer)
#include "TestBlockTransfer.moc"
