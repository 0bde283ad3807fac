#include "SingleInstance.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The lock across real processes: it is what a second start of the program meets.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Starts a holder and waits for its verdict.
    std::unique_ptr<QProcess> startHolder(const QString& name, QByteArray& verdict)
    {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(Q7_BINARY_DIR "/single_instance_holder"), {name, m_dir.path()});
        if (!process->waitForStarted(5000))
            return process;
        while (!process->canReadLine() && process->state() == QProcess::Running)
            process->waitForReadyRead(100);
        verdict = process->readLine().trimmed();
        if (verdict.isEmpty())
            verdict = process->readAllStandardOutput().trimmed();
        return process;
    }

    static int finish(QProcess& process)
    {
        process.closeWriteChannel();
        process.waitForFinished(5000);
        return process.exitCode();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void secondProcessIsRefusedWhileTheFirstRuns()
    {
        QByteArray first, second;
        auto holder = startHolder("running", first);
        QCOMPARE(first, QByteArray("held"));
        auto contender = startHolder("running", second);
        QCOMPARE(second, QByteArray("busy"));
        QVERIFY(contender->waitForFinished(5000));
        QCOMPARE(contender->exitCode(), 3);

        QCOMPARE(finish(*holder), 0);
        QVERIFY2(!QFile::exists(m_dir.filePath("running.lock")), "a clean exit removes the lock");
        auto next = startHolder("running", second);
        QCOMPARE(second, QByteArray("held"));
        QCOMPARE(finish(*next), 0);
    }

    void lockOfAKilledProcessIsTakenOver()
    {
        QByteArray verdict;
        auto holder = startHolder("crashed", verdict);
        QCOMPARE(verdict, QByteArray("held"));
        holder->kill();
        QVERIFY(holder->waitForFinished(5000));
        QVERIFY2(QFile::exists(m_dir.filePath("crashed.lock")), "a killed process leaves its lock behind");

        auto next = startHolder("crashed", verdict);
        QCOMPARE(verdict, QByteArray("held"));
        QCOMPARE(finish(*next), 0);
    }

    void oldLockOfALiveProcessStillBlocks()
    {
        // A program left running over lunch keeps its lock however old the file is.
        QByteArray verdict;
        auto holder = startHolder("longrun", verdict);
        QCOMPARE(verdict, QByteArray("held"));
        QFile lock(m_dir.filePath("longrun.lock"));
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(
            lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        lock.close();

        auto contender = startHolder("longrun", verdict);
        QCOMPARE(verdict, QByteArray("busy"));
        contender->waitForFinished(5000);
        QCOMPARE(finish(*holder), 0);
    }

    void sameProcessHoldsOnceAndReleases()
    {
        SingleInstance first("inproc", m_dir.path());
        SingleInstance second("inproc", m_dir.path());
        QVERIFY(first.tryAcquire());
        QVERIFY(first.tryAcquire());
        QVERIFY(!second.tryAcquire());
        first.release();
        QVERIFY(second.tryAcquire());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
