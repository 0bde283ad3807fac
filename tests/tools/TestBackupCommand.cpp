#include "SimulatedBoard.h"
#include "ToolRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// q7ctl backup against a simulated board: the backup as a script runs it.
class TestBackupCommand : public QObject
{
    Q_OBJECT

    std::unique_ptr<sim::SimulatedBoard> m_board;
    std::unique_ptr<QTemporaryDir> m_folder;

    QString dataRoot() const { return m_folder->filePath("d"); }

    ToolRun backup(const QStringList& extra)
    {
        return runTool(QString(Q7_BINARY_DIR) + "/q7ctl",
                       QStringList{"backup", "--port", m_board->devicePath(), "--data", dataRoot(),
                                   "--licence", "A1", "--operator", "Jo", "--hw-revision", "R1"} +
                           extra,
                       120'000);
    }

private slots:
    void init()
    {
        m_board = std::make_unique<sim::SimulatedBoard>(sim::BoardModel::existing());
        QString error;
        QVERIFY2(m_board->start(&error), qPrintable(error));
        m_folder = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { m_board.reset(); }

    void backsUpAndListsTheFiles()
    {
        const ToolRun run = backup({"--sfo", "SFO 12345 6789", "--comment", "Seal renewed."});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QString site = dataRoot() + "/A1/";
        QStringList listed = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(listed.first(), site + "backup_conf.bin"); // in the order they were written
        listed.sort();
        const QStringList pdfs = QDir(site).entryList({"Pre Upgrade Report _A1_*.pdf"}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        QCOMPARE(listed, QStringList({site + "Backup_Totalisers.bin", site + pdfs.first(),
                                      site + "Totalisers Log - 40123456.txt", site + "backup.sha256",
                                      site + "backup_BasicCal.bin", site + "backup_cal.bin",
                                      site + "backup_conf.bin"}));
        // Every text whole, as the technician would have read it, with the answer given.
        QVERIFY2(
            run.err.contains("[Backup Existing board] Please check Existing Q7 is powered up and USB comms "
                             "cable is securely connected.\nPress OK to continue\n  -> OK\n"),
            qPrintable(run.err));
        QVERIFY(run.err.contains("[Q7 Communications] Initialising Communications 20 %\n"));
        QVERIFY(run.err.contains("[caption] Q7 Upgrade Utility   Site License/Data Directory = A1\n"));
        QVERIFY(run.err.contains("[Q7 Hardware Revision] Please enter the Hardware Revision number for the "
                                 "Existing Q7 board. Ie: R1.?\n  -> R1\n"));
        QVERIFY(run.err.endsWith("CCS information from Existing Q7 board collected successfully\n"));
    }

    void existingFolderNeedsYes_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addRow("without --yes") << false;
        QTest::addRow("with --yes") << true;
    }
    void existingFolderNeedsYes()
    {
        QFETCH(bool, yes);
        QVERIFY(QDir().mkpath(dataRoot() + "/A1"));
        const ToolRun run = backup(yes ? QStringList{"--yes"} : QStringList());
        QCOMPARE(run.exitCode, yes ? 0 : 1);
        QVERIFY2(
            run.err.contains("[Warning] Directory exists, files will be over written.\nAre you sure you want "
                             "to continue?\n  -> " +
                             QString(yes ? "Yes" : "No")),
            qPrintable(run.err));
        QCOMPARE(QFile::exists(dataRoot() + "/A1/backup_conf.bin"), yes);
        if (!yes)
            QVERIFY(run.err.endsWith("Failed to collect CCS information from Existing Q7 board\n"));
    }

    void silentBoard()
    {
        sim::BoardFaults faults;
        faults.silent = true;
        m_board->setFaults(faults);
        const ToolRun run = backup({});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("Failed to establish communications with Q7 Flowmeter board\n"),
                 qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addRow("no hardware revision")
            << QStringList{"--port", "/dev/null", "--licence", "A1", "--operator", "Jo"};
        QTest::addRow("no licence") << QStringList{"--port", "/dev/null",     "--operator",
                                                   "Jo",     "--hw-revision", "R1"};
        QTest::addRow("unknown option")
            << QStringList{"--port", "/dev/null",     "--licence", "A1",       "--operator",
                           "Jo",     "--hw-revision", "R1",        "--colour", "red"};
    }
    void usage()
    {
        QFETCH(QStringList, arguments);
        const ToolRun run = runTool(QString(Q7_BINARY_DIR) + "/q7ctl", QStringList{"backup"} + arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBackupCommand)
#include "TestBackupCommand.moc"
