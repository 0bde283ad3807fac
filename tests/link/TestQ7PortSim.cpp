// The link against the simulated board over its pseudo-terminal: the board's side of every
// exchange is written independently of the link, so agreement here means the wire is right.
#include "Clock.h"
#include "Q7Port.h"
#include "SimulatedBoard.h"
#include "TimeWarp.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct SimLink
{
    explicit SimLink(sim::BoardModel model = sim::BoardModel::existing()) : board(std::move(model))
    {
        port.OnPortDebugEvent = [this](Q7Port&, const QString& t) { faults << t; };
    }
    ~SimLink() { board.stop(); }
    bool open()
    {
        QString error;
        if (!board.start(&error)) {
            qWarning() << error;
            return false;
        }
        return port.OpenPort(board.devicePath(), 9600);
    }
    QList<sim::Request> kalderRequests(std::uint8_t type) const
    {
        QList<sim::Request> out;
        for (const auto& r : board.requestsReceived())
            if (r.framing == sim::Request::Framing::Kalder && r.type == type)
                out << r;
        return out;
    }
    QList<int> ackTypes() const
    {
        QList<int> out;
        for (const auto& r : board.requestsReceived())
            if (r.framing == sim::Request::Framing::Kalder && r.type != 0x80)
                out << r.type;
        return out;
    }
    // The link's timers expire without the test waiting for them.
    void skipTime(int step) { warp = std::make_unique<TimeWarp>(clock, step); }

    FastClock clock;
    sim::SimulatedBoard board;
    Q7Port port{clock};
    QStringList faults;
    std::unique_ptr<TimeWarp> warp;
};

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
QByteArray structureBytes(const Q7Port& port, int id)
{
    return QByteArray(reinterpret_cast<const char*>(port.structures[id].data()),
                      static_cast<qsizetype>(port.structures[id].size()));
}
} // namespace

class TestQ7PortSim : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void retriesAfterDroppedReplies()
    {
        SimLink link;
        QVERIFY(link.open());
        sim::BoardFaults f;
        f.dropFrames = {1, 2};
        link.board.setFaults(f);
        QVERIFY(link.port.sendNullCommand());
        QCOMPARE(link.kalderRequests(0x80).size(), 3);
    }

    void replyToAnotherCommandEndsTheWait()
    {
        SimLink link;
        QVERIFY(link.open());
        sim::BoardFaults f;
        f.echoOverride = 0x13;
        link.board.setFaults(f);
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.port.setState(0));
        QVERIFY(t.elapsed() < 5000);
    }

    void registersAndException()
    {
        SimLink link;
        QVERIFY(link.open());
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        QVERIFY(link.port.readRegisters(116, 40, buffer, length, 2));
        QCOMPARE(length, std::uint16_t(81));
        QCOMPARE(buffer[0], std::uint8_t(80));

        Q7Data::Totalisers totals;
        QVERIFY(link.port.readTotals(&totals));
        const auto model = link.board.model();
        for (std::size_t k = 0; k < 10; ++k)
            QCOMPARE(totals.values()[k], model.totals[k]);

        QVERIFY(!link.port.readRegisters(0xFFF0, 1, buffer, length, 2));
        QCOMPARE(length, std::uint16_t(1));
        QCOMPARE(buffer[0], std::uint8_t(2));

        // The same read over RTU: no byte count, one CRC byte after the registers.
        QVERIFY(link.port.readRegistersRTU(116, 2, buffer, length, 2));
        QCOMPARE(length, std::uint16_t(5));
    }

    void embeddedSetTime()
    {
        SimLink link;
        QVERIFY(link.open());
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        const auto at = Q7Data::TDateTime::fromDateTime(QDate(2016, 3, 7), QTime(14, 5, 9));
        QVERIFY(link.port.setTime(at, buffer, length, 2, Q7Data::ptEmbedded));
        QCOMPARE(link.kalderRequests(0x80).last().payload,
                 QByteArray::fromHex("510141100307") + QByteArray::fromHex("0E0509"));
        QCOMPARE(link.board.model().boardClock().date(), QDate(2016, 3, 7));
        // The same over ASCII and RTU.
        QVERIFY(link.port.setTime(at, buffer, length, 2, Q7Data::ptAscii));
        QVERIFY(link.port.setTime(at, buffer, length, 2, Q7Data::ptRtu));
    }

    void accessCodesAndSerialNumber()
    {
        SimLink link;
        QVERIFY(link.open());
        QVERIFY(link.port.getStucture(5));
        QVERIFY(link.port.getStucture(1));
        const auto& config = link.port.structures[5];
        const auto code = static_cast<std::uint16_t>(config[108] | config[109] << 8);

        const int before = link.board.requestsReceived().size();
        std::uint16_t unknown = 1;
        while (unknown == code || unknown == (config[106] | config[107] << 8) ||
               unknown == (config[110] | config[111] << 8))
            ++unknown;
        QCOMPARE(link.port.loggin(unknown), std::uint16_t(0));
        QTest::qWait(50);
        QCOMPARE(link.board.requestsReceived().size(), before);

        QCOMPARE(link.port.loggin(code), std::uint16_t(2));
        QCOMPARE(link.board.model().accessLevel, std::uint8_t(2));
        QCOMPARE(link.port.logout(), std::uint16_t(0));
        QCOMPARE(link.board.model().accessLevel, std::uint8_t(0));

        QVERIFY(link.port.verifySerialNumber());
        link.port.structures[1][0] ^= 0xFF;
        QVERIFY(!link.port.verifySerialNumber());
    }

    void structuresRoundTrip()
    {
        SimLink link;
        QVERIFY(link.open());
        const auto model = link.board.model();
        QVERIFY(link.port.getStucture(0));
        QCOMPARE(structureBytes(link.port, 0), model.structure(0));
        QVERIFY(std::abs(link.port.clockOffsetSeconds - model.clockOffsetSecs) <= 1);
        QVERIFY(link.port.getStucture(6));
        link.port.structures[6][10] ^= 0x01;
        QVERIFY(link.port.putStucture(6));
        QCOMPARE(link.board.model().structureWrites.last().bytes, structureBytes(link.port, 6));
    }

    void recordFilesStreamPlain()
    {
        SimLink link;
        QVERIFY(link.open());
        const auto model = link.board.model();
        QVERIFY(link.port.getConfigFile(path("conf.bin")));
        QCOMPARE(fileBytes(path("conf.bin")), model.structure(5));
        QCOMPARE(structureBytes(link.port, 5), model.structure(5));
        QVERIFY(link.port.getCalFile(path("cal.bin")));
        QVERIFY(link.port.getBasicCalFile(path("BasicCal.bin")));
        QCOMPARE(fileBytes(path("BasicCal.bin")), model.structure(6));
        QCOMPARE(link.ackTypes().first(), 0x8B);
        QVERIFY(link.ackTypes().contains(0x90));
    }

    void logStreamsWindowed()
    {
        SimLink link;
        QVERIFY(link.open());
        const auto model = link.board.model();
        const sim::BoardLog& log = model.logs.first();
        QVERIFY(link.port.getLogFile(log.name.toLatin1(), path("log.csv"), true));
        QCOMPARE(fileBytes(path("log.csv")), log.content());
        QCOMPARE(link.port.fileSize, std::uint32_t(log.content().size()));
        const QList<int> acks = link.ackTypes();
        QCOMPARE(acks.mid(0, 2), (QList<int>{0x8B, 0x94}));
        QVERIFY(!link.kalderRequests(0x94).isEmpty());
        QCOMPARE(link.kalderRequests(0x94).first().payload, QByteArray(1, '\x04'));
    }

    void corruptedBlockIsResent()
    {
        SimLink link;
        QVERIFY(link.open());
        sim::BoardFaults f;
        f.corruptFrames = {3};
        link.board.setFaults(f);
        link.skipTime(1000);
        QVERIFY(link.port.getConfigFile(path("resent.bin")));
        QCOMPARE(fileBytes(path("resent.bin")), link.board.model().structure(5));
        QVERIFY(link.faults.contains("file:Q7Port line: 443"));
    }

    void abortAnswersTheNextBlockWithStop()
    {
        sim::BoardModel model = sim::BoardModel::existing();
        model.blockSize = 64;
        SimLink link(model);
        QVERIFY(link.open());
        QFile keep(path("abort.bin"));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("earlier");
        keep.close();
        link.port.OnDownLoadEvent = [&](Q7Port& p, int, int downloaded, int) {
            if (downloaded > 0)
                p.abortFileTransfer();
        };
        QVERIFY(!link.port.getConfigFile(path("abort.bin")));
        QTRY_COMPARE(link.ackTypes().last(), 0x8E);
        QCOMPARE(fileBytes(path("abort.bin")), QByteArray("earlier"));
    }

    void failuresKeepTheEarlierFile_data()
    {
        QTest::addColumn<int>("stallAfter");
        QTest::addColumn<int>("abortAfter");
        QTest::addRow("board stops the transfer") << -1 << 1;
        QTest::addRow("board falls silent") << 1 << -1;
    }
    void failuresKeepTheEarlierFile()
    {
        QFETCH(int, stallAfter);
        QFETCH(int, abortAfter);
        SimLink link;
        QVERIFY(link.open());
        QFile keep(path("keep.bin"));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("earlier backup");
        keep.close();
        sim::BoardFaults f;
        f.stallAfterBlocks = stallAfter;
        f.abortAfterBlocks = abortAfter;
        link.board.setFaults(f);
        link.skipTime(1000);
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.port.getConfigFile(path("keep.bin")));
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(fileBytes(path("keep.bin")), QByteArray("earlier backup"));
    }

    void emptyFileEndsAtOnce()
    {
        sim::BoardModel model = sim::BoardModel::existing();
        model.sdCardDir = m_dir.path() + "/card";
        QDir().mkpath(model.sdCardDir);
        QFile empty(model.sdCardDir + "/EMPTY.CSV");
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        SimLink link(model);
        QVERIFY(link.open());
        QVERIFY(link.port.getLogFile("EMPTY.CSV", path("empty.csv"), false));
        QCOMPARE(fileBytes(path("empty.csv")), QByteArray());
    }

    void recordOfTheWrongLengthIsRefused()
    {
        SimLink link;
        QVERIFY(link.open());
        sim::BoardFaults f;
        f.recordLengthDelta = -1;
        link.board.setFaults(f);
        link.port.structures[4].assign(158, 0x33);
        QVERIFY(!link.port.getCalFile(path("short.bin")));
        // A short record is not a backup: it is never put in place.
        QVERIFY(!QFile::exists(path("short.bin")));
        QCOMPARE(structureBytes(link.port, 4), QByteArray(158, '\x33'));
    }

    void splitRepliesAndPacing()
    {
        SimLink link;
        QVERIFY(link.open());
        sim::BoardFaults f;
        f.fragmentSize = 3;
        f.fragmentGapMs = 5;
        f.pace = true;
        link.board.setFaults(f);
        QVERIFY(link.port.getStucture(0));
        // Bytes 2-7 are the board's running clock.
        const QByteArray expected = link.board.model().structure(0);
        QCOMPARE(structureBytes(link.port, 0).mid(8), expected.mid(8));
    }
};

QTEST_GUILESS_MAIN(TestQ7PortSim)
#include "TestQ7PortSim.moc"
