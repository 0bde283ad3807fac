// The block protocol that streams a file from the board, against a board played by the test.
#include "BoardLink.h"
#include "TimeWarp.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
using Frame = ScriptedBoard::Frame;

// Serves blocks in answer to the program's acknowledgements: each acknowledgement that asks
// for more (0x8B, 0x90, 0x92, 0x94, 0x96) gets the next entry of the script.
struct FileBoard
{
    struct Block
    {
        std::uint8_t type;
        QByteArray data;
        bool corruptOnce = false;
        int burst = 1; // blocks of this entry sent in a row (windowed mode)
    };
    FileBoard(BoardLink& l, QList<Block> b) : link(l), blocks(std::move(b)) {}

    BoardLink& link;
    QList<Block> blocks;
    int next = 0;
    std::function<void()> afterBlock;

    void serve()
    {
        link.board.answer([this](const Frame& f) {
            if (!f.kalder)
                return;
            if (f.type == 0x80) { // the request that starts the transfer
                link.board.write(wire::kalderReply(static_cast<std::uint8_t>(f.payload[0]), QByteArray()));
                return;
            }
            if (f.type == 0x8E || next >= blocks.size())
                return;
            Block& b = blocks[next];
            if (b.corruptOnce) {
                b.corruptOnce = false;
                QByteArray bad = wire::kalder(b.type, b.data);
                bad[bad.size() - 4] = static_cast<char>(bad[bad.size() - 4] ^ 0x01);
                link.board.write(bad);
                return;
            }
            for (int i = 0; i < b.burst; ++i)
                link.board.write(wire::kalder(b.type, b.data));
            ++next;
            if (afterBlock)
                afterBlock();
        });
    }
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TestQ7PortTransfer : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void plainTransfer()
    {
        BoardLink link;
        QVERIFY(link.open());
        FileBoard board{link,
                        {{0x87, "first-"}, {0x8F, QByteArray("\x10\x10", 2)}, {0x8F, "-last"}, {0x97, {}}}};
        board.serve();
        QList<QList<int>> progress;
        link.port.OnDownLoadEvent = [&](Q7Port&, int size, int done, int temp) {
            progress << QList<int>{size, done, temp};
        };
        QVERIFY(link.port.getLogFile("LOG1.CSV", path("plain.csv"), false));
        QCOMPARE(readFile(path("plain.csv")), QByteArray("first-\x10\x10-last", 13));
        QCOMPARE(link.ackTypes(), (QList<int>{0x8B, 0x8B, 0x8B, 0x8B}));
        QCOMPARE(link.kalderFrames().first().payload, QByteArray("\x02LOG1.CSV", 10));
        // The first acknowledgement, byte for byte, and the progress raised for it.
        QVERIFY(link.board.rawReceived().contains(wire::hex("10 02 01 8B 03 23 10 03")));
        QCOMPARE(progress.first(), (QList<int>{0, 0, 0}));
        QCOMPARE(progress.last(), (QList<int>{0, 13, 13}));
    }

    void windowedTransfer()
    {
        BoardLink link;
        QVERIFY(link.open());
        FileBoard board{link, {{0x91, "a"}, {0x93, "b", false, 4}, {0x97, {}}}};
        board.serve();
        QVERIFY(link.port.getLogFile("LOG2.CSV", path("windowed.csv"), true));
        QCOMPARE(readFile(path("windowed.csv")), QByteArray("abbbb"));
        QCOMPARE(link.ackTypes(), (QList<int>{0x8B, 0x94, 0x92}));
        const auto frames = link.kalderFrames();
        QCOMPARE(frames[2].payload, QByteArray(1, '\x04'));
        QVERIFY(link.board.rawReceived().contains(wire::hex("10 02 01 94 04 C5 62 10 03")));
    }

    void block89EndsWindowedMode()
    {
        BoardLink link;
        QVERIFY(link.open());
        FileBoard board{link, {{0x89, {}}, {0x88, "x"}, {0x97, {}}}};
        board.serve();
        QVERIFY(link.port.getLogFile("LOG3.CSV", path("mode.csv"), true));
        QCOMPARE(link.ackTypes(), (QList<int>{0x8B, 0x96, 0x90}));
        QCOMPARE(readFile(path("mode.csv")), QByteArray("x"));
    }

    void corruptedBlockIsRecoveredByTheTimedResend()
    {
        BoardLink link;
        QVERIFY(link.open());
        FileBoard board{link, {{0x87, "good", true}, {0x97, {}}}};
        board.serve();
        const TimeWarp warp(link.clock, Q7Port::kFileTransferTimerMs, 150);
        QVERIFY(link.port.getLogFile("LOG4.CSV", path("resent.csv"), false));
        QCOMPARE(readFile(path("resent.csv")), QByteArray("good"));
        QVERIFY(link.faults.contains("file:Q7Port line: 443"));
        QVERIFY(link.faults.contains("file:Q7Port line: 1619"));
        QCOMPARE(link.ackTypes().mid(0, 2), (QList<int>{0x8B, 0x8B}));
    }

    // A resend repeats the last acknowledgement as it stood: the bytes counted since that
    // acknowledgement stay counted from it, however often the resend has to be repeated.
    void repeatedResendsReportTheSameCount()
    {
        BoardLink link;
        QVERIFY(link.open());
        link.port.fileMode = true;
        link.port.lastAck = 0x94;
        link.port.lastReported = 1;
        link.port.bytesWritten = 3;
        link.port.fileRetry = 1;
        link.port.fileTransferTimeoutTimerEvent();
        link.port.fileTransferTimeoutTimerEvent();
        link.pump(150);
        const auto frames = link.kalderFrames();
        QCOMPARE(frames.size(), 2);
        for (const auto& f : frames) {
            QCOMPARE(int(f.type), 0x94);
            QCOMPARE(f.payload, wire::hex("01 02 00"));
        }
        QCOMPARE(link.port.lastReported, 1u);
    }

    void abortAndBoardStop()
    {
        BoardLink link;
        QVERIFY(link.open());
        writeFile(path("kept.csv"), "earlier backup");
        FileBoard board{link, {{0x87, "partial"}}};
        board.afterBlock = [&] { QTimer::singleShot(30, [&] { link.port.abortFileTransfer(); }); };
        board.serve();
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.port.getLogFile("LOG5.CSV", path("kept.csv"), false));
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(readFile(path("kept.csv")), QByteArray("earlier backup"));
        // A block that still arrives is answered with the stop.
        link.board.write(wire::kalder(0x8F, "more"));
        link.pump(150);
        QCOMPARE(link.ackTypes().last(), 0x8E);

        // The board ends the transfer itself: also a failure, the earlier file stays.
        BoardLink second;
        QVERIFY(second.open());
        FileBoard stopping{second, {{0x87, "partial"}, {0x8D, {}}}};
        stopping.serve();
        QVERIFY(!second.port.getLogFile("LOG5.CSV", path("kept.csv"), false));
        QCOMPARE(readFile(path("kept.csv")), QByteArray("earlier backup"));
    }

    void silentBoardEndsTheTransfer()
    {
        BoardLink link;
        QVERIFY(link.open());
        FileBoard board{link, {{0x87, "only"}}};
        board.serve();
        const TimeWarp warp(link.clock, 1000);
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.port.getLogFile("LOG6.CSV", path("silent.csv"), false));
        QVERIFY(t.elapsed() < 5000);
        QVERIFY(!QFile::exists(path("silent.csv")));
    }

    void deviceGoneMidTransfer()
    {
        BoardLink link;
        QVERIFY(link.open());
        writeFile(path("unplugged.csv"), "earlier backup");
        FileBoard board{link, {{0x87, "partial"}, {0x8F, "more"}}};
        // Pulled once the second block is on its way; the timer dies with the test's objects.
        QObject timers;
        board.afterBlock = [&] {
            if (board.next == 2)
                QTimer::singleShot(30, &timers, [&] { link.board.peer().hangUp(); });
        };
        board.serve();
        QElapsedTimer t;
        t.start();
        // Without noticing, the transfer would wait out the silent-board countdown.
        QVERIFY(!link.port.getLogFile("LOG5.CSV", path("unplugged.csv"), false));
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(readFile(path("unplugged.csv")), QByteArray("earlier backup"));
        QVERIFY(link.port.linkLost());
    }

    void endOfFileFirst()
    {
        BoardLink link;
        QVERIFY(link.open());
        FileBoard board{link, {{0x97, {}}}};
        board.serve();
        QVERIFY(link.port.getLogFile("EMPTY.CSV", path("empty.csv"), false));
        QCOMPARE(readFile(path("empty.csv")), QByteArray());
    }

    void recordFilesMustHaveTheirExactLength_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("ok");
        QTest::addRow("158 bytes") << 158 << true;
        QTest::addRow("157 bytes") << 157 << false;
        QTest::addRow("159 bytes") << 159 << false;
    }
    void recordFilesMustHaveTheirExactLength()
    {
        QFETCH(int, size);
        QFETCH(bool, ok);
        BoardLink link;
        QVERIFY(link.open());
        const QByteArray record(size, '\x5A');
        FileBoard board{link, {{0x87, record.left(100)}, {0x8F, record.mid(100)}, {0x97, {}}}};
        board.serve();
        link.port.structures[4].assign(158, 0x01);
        // A good backup from an earlier run is only ever replaced by another good one.
        const QByteArray earlier(158, '\x11');
        writeFile(path("cal.bin"), earlier);
        QCOMPARE(link.port.getCalFile(path("cal.bin")), ok);
        QCOMPARE(link.kalderFrames().first().payload, QByteArray(1, '\x06'));
        QCOMPARE(int(link.port.structures[4][0]), ok ? 0x5A : 0x01);
        QCOMPARE(readFile(path("cal.bin")), ok ? record : earlier);
    }

    // A corrupted frame seen before the transfer (a request that was retried and then
    // succeeded) belongs to that exchange: the transfer that follows starts clean.
    void corruptedFrameBeforeTransferDoesNotHoldItBack()
    {
        BoardLink link;
        QVERIFY(link.open());
        QByteArray bad = wire::kalderReply(0x13, "status");
        bad[bad.size() - 4] = static_cast<char>(bad[bad.size() - 4] ^ 0x01);
        link.board.write(bad);
        QTRY_VERIFY_WITH_TIMEOUT(link.port.rxFault, 2000);
        link.port.lastAck = 0x94;

        FileBoard board{link, {{0x87, "fresh"}, {0x97, {}}}};
        board.serve();
        QElapsedTimer t;
        t.start();
        QVERIFY(link.port.getLogFile("LOG7.CSV", path("after-fault.csv"), false));
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(readFile(path("after-fault.csv")), QByteArray("fresh"));
        QCOMPARE(link.ackTypes(), (QList<int>{0x8B, 0x8B}));
    }

    void unwritableTargetIsReported()
    {
        BoardLink link;
        QVERIFY(link.open());
        QVERIFY(!link.port.getFile(path("no-such-folder/file.bin")));
        QCOMPARE(link.faults, QStringList{"file:Q7Port line: 2661"});
        link.pump(20);
        QVERIFY(link.board.rawReceived().isEmpty());
    }

    void overlongLogNameIsRefused()
    {
        BoardLink link;
        QVERIFY(link.open());
        QVERIFY(!link.port.getLogFile(QByteArray(399, 'n'), path("long.csv"), false));
        link.pump(20);
        QVERIFY(link.board.rawReceived().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQ7PortTransfer)
#include "TestQ7PortTransfer.moc"
