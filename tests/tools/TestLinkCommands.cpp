// q7ctl's link commands, run as a separate program against the simulated board.
#include "SimulatedBoard.h"
#include "ToolRun.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
ToolRun q7ctl(const QStringList& args)
{
    return runTool(QStringLiteral(Q7_BINARY_DIR "/q7ctl"), args);
}
} // namespace

class TestLinkCommands : public QObject
{
    Q_OBJECT
private:
    sim::SimulatedBoard m_board;
    QTemporaryDir m_dir;
    QStringList on(QStringList words) const { return QStringList{"--port", m_board.devicePath()} + words; }

private slots:
    void initTestCase() { QVERIFY(m_board.start()); }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("withPort");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("errorText");
        QTest::addRow("ping") << QStringList{"ping"} << true << 0 << QString();
        QTest::addRow("exception") << QStringList{"regs", "65000", "1"} << true << 1 << "exception 2";
        QTest::addRow("refused command")
            << QStringList{"command", "200"} << true << 1 << "command 200 was not accepted";
        QTest::addRow("structure 7 cannot be written")
            << QStringList{"put-structure", "7", "x"} << true << 2 << "only structures";
        QTest::addRow("no port") << QStringList{"ping"} << false << 2 << "--port DEV or --detect";
        QTest::addRow("missing argument") << QStringList{"regs", "116"} << true << 2 << "wrong number";
        QTest::addRow("port that does not exist")
            << QStringList{"--port", "/dev/q7-none", "ping"} << false << 1 << "cannot open port";
    }
    void exitStatus()
    {
        QFETCH(QStringList, words);
        QFETCH(bool, withPort);
        QFETCH(int, status);
        QFETCH(QString, errorText);
        const ToolRun r = q7ctl(withPort ? on(words) : words);
        QCOMPARE(r.exitCode, status);
        if (!errorText.isEmpty())
            QVERIFY2(r.err.contains(errorText), qPrintable(r.err));
    }

    // Run by an ordinary user outside the device's group: the error names the device and the
    // group, with --port and with --detect alike.
    void portThisUserMayNotOpen_data()
    {
        QTest::addColumn<QStringList>("how");
        QTest::addRow("--port") << QStringList{"--port"};
        QTest::addRow("--detect") << QStringList{"--detect", "--extra"};
    }
    void portThisUserMayNotOpen()
    {
        QFETCH(QStringList, how);
        const QString runuser = QStringLiteral("/usr/sbin/runuser");
        if (::geteuid() != 0 || !QFile::exists(runuser) || !::getgrnam("dialout"))
            QSKIP("needs root, runuser and the group dialout, to run q7ctl as nobody on a dialout device");
        sim::SimulatedBoard board;
        QVERIFY(board.start());
        const QByteArray device = QFile::encodeName(board.devicePath());
        QCOMPARE(::chown(device.constData(), 0, ::getgrnam("dialout")->gr_gid), 0);
        QCOMPARE(::chmod(device.constData(), 0660), 0);
        const ToolRun r = runTool(runuser, QStringList{"-u", "nobody", "--", Q7_BINARY_DIR "/q7ctl"} + how +
                                               QStringList{board.devicePath(), "ping"});
        QCOMPARE(r.exitCode, 1);
        for (const QString& part : {QStringLiteral("Permission denied: ") + board.devicePath(),
                                    QStringLiteral("group dialout"), QStringLiteral("log out and in")})
            QVERIFY2(r.err.contains(part), qPrintable(r.err));
    }

    // The board's cable pulled while q7ctl waits for a reply: the command fails at once and
    // says the port went away, instead of trying the null command five times over.
    void boardUnpluggedMidCommand()
    {
        sim::SimulatedBoard board;
        QVERIFY(board.start());
        sim::BoardFaults silent;
        silent.silent = true;
        board.setFaults(silent);
        QProcess run;
        run.start(QStringLiteral(Q7_BINARY_DIR "/q7ctl"), {"--port", board.devicePath(), "ping"});
        QVERIFY(run.waitForStarted());
        QTest::qWait(500);
        QElapsedTimer t;
        t.start();
        board.stop();
        QVERIFY(run.waitForFinished(10'000));
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(run.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(run.readAllStandardError());
        QVERIFY2(err.contains("Serial port " + board.devicePath() + " lost"), qPrintable(err));
    }

    void registersAsHex()
    {
        const ToolRun r = q7ctl(on({"regs", "116", "40"}));
        QCOMPARE(r.exitCode, 0);
        const QStringList bytes = r.out.trimmed().split(' ');
        QCOMPARE(bytes.size(), 81);
        QCOMPARE(bytes.first(), QStringLiteral("50"));
    }

    void fetchWritesTheRecord()
    {
        const QString file = m_dir.filePath("config.bin");
        QCOMPARE(q7ctl(on({"fetch", "config", file})).exitCode, 0);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), m_board.model().structure(5));
    }

    void configDumpHidesTheAccessCodes()
    {
        const ToolRun r = q7ctl(on({"structure", "5"}));
        QCOMPARE(r.exitCode, 0);
        const QString row = r.out.split('\n').value(6); // offsets 0x60-0x6f hold 106-111
        QVERIFY2(row.startsWith("0060") && row.count("**") == 6, qPrintable(row));
    }

    void putStructureRoundTrip()
    {
        const QString file = m_dir.filePath("basiccal.bin");
        QCOMPARE(q7ctl(on({"structure", "6", "--out", file})).exitCode, 0);
        QCOMPARE(q7ctl(on({"put-structure", "6", file})).exitCode, 0);
        QCOMPARE(m_board.model().structureWrites.last().bytes, m_board.model().structure(6));
    }
};

QTEST_GUILESS_MAIN(TestLinkCommands)
#include "TestLinkCommands.moc"
