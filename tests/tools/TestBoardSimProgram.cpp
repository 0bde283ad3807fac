#include "LineProbe.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The standalone board as a newcomer or a technician in training starts it.
class TestBoardSimProgram : public QObject
{
    Q_OBJECT

private:
    const QString m_program = QStringLiteral(Q7_BINARY_DIR "/q7-board-sim");

private slots:
    void servesUntilTerminated()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("q7");
        QProcess sim;
        sim.start(m_program, {"--profile", "existing", "--firmware", "0051", "--sd-card",
                              dir.filePath("card"), "--link", link});
        QVERIFY(sim.waitForStarted());
        QVERIFY(sim.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY2(device.startsWith("/dev/"), qPrintable(device));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);

        probe::Line line(link);
        QVERIFY(line.isOpen());
        line.send(QByteArray::fromHex("10020180001090D61003"));
        const auto reply = line.kalderFrame();
        QVERIFY(reply && reply->crcOk);
        QCOMPARE(reply->payload, QByteArray::fromHex("8000"));
        line.send(probe::ascii(QByteArray::fromHex("0103003E0002")));
        QCOMPARE(*line.asciiFrame(), probe::ascii(QByteArray::fromHex("01030430303531")));
        // The existing board's card holds its logs.
        QVERIFY(!QDir(dir.filePath("card")).entryList({"*.csv"}).isEmpty());
        QVERIFY(QFileInfo(dir.filePath("card/CONFIG.BIN")).size() == 332);
        QVERIFY(QFileInfo(dir.filePath("card/CALIB.BIN")).size() == 158);

        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void traceNeverShowsTheAccessCodes()
    {
        QProcess sim;
        sim.start(m_program, {"--profile", "existing", "--trace"});
        QVERIFY(sim.waitForReadyRead(5000));
        probe::Line line(QString::fromLocal8Bit(sim.readLine()).trimmed());
        line.send(probe::request(0x13, QByteArray(1, 5)));
        const auto config = line.kalderFrame();
        QVERIFY(config && config->payload.size() == 334);
        QCOMPARE(config->payload.mid(2 + 106, 2), QByteArray::fromHex("2B1A")); // the board's first code
        line.send(probe::ascii(QByteArray::fromHex("01441A2B")));               // a login with it
        QVERIFY(line.asciiFrame());
        QTest::qWait(300); // the trace is written every 100 ms
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        const QByteArray trace = sim.readAllStandardError();
        QVERIFY(trace.contains("<Q7 kalder 01 81 80 13"));
        QVERIFY(trace.contains("** **"));
        for (const char* code : {"2b 1a", "1a 2b", "3d 2c", "2c 3d", "4f 3e", "3e 4f"})
            QVERIFY2(!trace.contains(code), code);
    }

    void refusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addRow("unknown profile") << QStringList{"--profile", "spare"};
        QTest::addRow("firmware too long") << QStringList{"--firmware", "00521"};
        QTest::addRow("list that is not numbers") << QStringList{"--refuse", "67,x"};
        QTest::addRow("fragment without a gap") << QStringList{"--fragment", "3"};
        QTest::addRow("noise that is not hex") << QStringList{"--noise", "zz"};
        QTest::addRow("stray argument") << QStringList{"now"};
    }

    void refusesBadArguments()
    {
        QFETCH(QStringList, args);
        QProcess sim;
        sim.start(m_program, args);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBoardSimProgram)
#include "TestBoardSimProgram.moc"
