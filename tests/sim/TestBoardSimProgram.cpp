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
        sim.start(m_program, {"--profile", "existing", "--firmware", "0051", "--sd-card", dir.filePath("card"),
                              "--link", link});
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

        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
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
