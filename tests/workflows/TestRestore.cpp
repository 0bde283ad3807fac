// The restore into a replacement board on the simulated board: what the board ends up holding,
// what the technician is told, and how each kind of failure ends.
#include "BackupDigests.h"
#include "ConfigRecord.h"
#include "Q7Data.h"
#include "Restore.h"
#include "RestoreRecord.h"
#include "ReplacementBench.h"

#include <QtTest>

namespace {

const QString kReady = "Power up Q7 and check USB comms cable is securely connected.\nPress OK to continue.";
const QString kSucceeded = "CC information updated in Replacement Q7 board successfully";
const QString kFailed = "Failed to update CC information in Replacement Q7 board";
const QString kComments = "Would you like to add some comments to the report?";
const QString kImages = "To Add Photos to the Data Folder.\nPlease first connect camera or insert media card "
                        "containing images.\nOnce media is inserted press OK to continue";
const QString kNoImages = "A total of 0 images were copied to the data folder";

Q7Data::Totalisers backupTotals()
{
    Q7Data::Totalisers t;
    t.ForwardTotal = 1234.5f;
    t.ReverseTotal = 2.25f;
    t.NettYTDTotal = 99.0f;
    return t;
}

QByteArray bytesOf(const Q7Data::Totalisers& t)
{
    const auto b = t.toBytes();
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

// The existing board's backups in the site folder, as the backup leaves them.
void writeBackups(ReplacementBench& w)
{
    const sim::BoardModel old = sim::BoardModel::existing();
    w.selectSite();
    QVERIFY(w.writeSiteFile("backup_conf.bin", old.structures[sim::BoardModel::kConfig]));
    QVERIFY(w.writeSiteFile("backup_cal.bin", old.structures[sim::BoardModel::kCal]));
    QVERIFY(w.writeSiteFile("backup_BasicCal.bin", old.structures[sim::BoardModel::kBasicCal]));
    QVERIFY(w.writeSiteFile("Backup_Totalisers.bin", bytesOf(backupTotals())));
}

// One successful attempt's answers: OK, the revision, the report's SFO and comments, no photographs.
void answerOneAttempt(ScriptedOperator& op)
{
    op.answer(Operator::Answer::Ok)
        .answerText("r1.5")
        .answerSfo("SFO-2")
        .answer(Operator::Answer::No) // no comments
        .answer(Operator::Answer::No);
}

int count(const sim::BoardModel& m, std::initializer_list<int> commands)
{
    int n = 0;
    for (int c : commands)
        n += m.count(uint8_t(c));
    return n;
}

} // namespace

class TestRestore : public QObject
{
    Q_OBJECT
private slots:
    void replacementBoardGetsTheExistingBoardsData()
    {
        ReplacementBench w;
        writeBackups(w);
        const sim::BoardModel fresh = w.board().model();
        answerOneAttempt(w.op());

        QVERIFY(sendCcData(w.workbench()));
        QVERIFY(w.op().scriptDone());
        QCOMPARE(w.op().texts(ScriptedOperator::Kind::Message),
                 (QStringList{kReady, kComments, kImages, kNoImages, kSucceeded}));

        const sim::BoardModel now = w.board().model();
        const sim::BoardModel old = sim::BoardModel::existing();
        QCOMPARE(now.structures[sim::BoardModel::kConfig], restoredConfig(old, fresh));
        QCOMPARE(now.structures[sim::BoardModel::kCal], old.structures[sim::BoardModel::kCal]);
        QCOMPARE(now.structures[sim::BoardModel::kBasicCal], fresh.structures[sim::BoardModel::kBasicCal]);
        QCOMPARE(now.totalsUpdates.size(), 1);
        QCOMPARE(now.totals, backupTotals().values());
        for (const auto& write : now.structureWrites) {
            QVERIFY(write.id == sim::BoardModel::kConfig || write.id == sim::BoardModel::kCal);
            QCOMPARE(write.accessLevel, 3);
            QCOMPARE(write.state, 0);
        }
        QCOMPARE(now.count(0x43), 2);
        QCOMPARE(now.count(0x62), 1);
        QCOMPARE(now.count(0x63), 1);

        // The replacement board's own records as they were before anything was written.
        QCOMPARE(w.siteFile("conf.bin"), fresh.structures[sim::BoardModel::kConfig]);
        QCOMPARE(w.siteFile("cal.bin"), fresh.structures[sim::BoardModel::kCal]);
        QCOMPARE(w.siteFile("BasicCal.bin"), fresh.structures[sim::BoardModel::kBasicCal]);

        const SiteState& s = w.workbench().siteState;
        QVERIFY(s.stepSet(SiteState::RESTORE_TOTALS) && s.stepSet(SiteState::RESTORE_CC) &&
                s.stepSet(SiteState::FINAL_REPORT));
        QVERIFY(s.siteDataTouched);
        QCOMPARE(w.workbench().hardwareRevision[1], "R1.5");
        QCOMPARE(w.workbench().sfoNumber[1], "SFO-2");
        QCOMPARE(s.meterId, CalRecord::fromBytes(old.structures[sim::BoardModel::kCal])->meterId());
        QCOMPARE(s.coilCurrent, CalRecord::fromBytes(old.structures[sim::BoardModel::kCal])->coilCurrent());

        const QString record = QString::fromLocal8Bit(w.siteFile(kRestoreRecordName));
        QVERIFY(record.endsWith("\r\nRead-back: identical\r\n"));
    }

    void aValueStoredOtherwiseIsNamedAndTheRestoreStillSucceeds()
    {
        ReplacementBench w;
        writeBackups(w);
        auto faults = w.board().faults();
        faults.alterStoredStructure = sim::BoardModel::kCal;
        faults.alterStoredOffset = 14; // "Coil Current"
        w.board().setFaults(faults);
        answerOneAttempt(w.op());

        QVERIFY(sendCcData(w.workbench()));
        const QStringList messages = w.op().texts(ScriptedOperator::Kind::Message);
        QCOMPARE(messages.last(), kSucceeded);
        const QString told = messages.value(messages.size() - 2);
        QVERIFY2(told.contains("Coil Current") && !told.contains("Pipe Diameter"), qPrintable(told));
        const QString record = QString::fromLocal8Bit(w.siteFile(kRestoreRecordName));
        QVERIFY2(record.endsWith("\r\nRead-back: differs: Coil Current\r\n"), qPrintable(record.right(200)));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QString>("lastMessage");
        QTest::addColumn<bool>("succeeds");
        QTest::addRow("configuration backup missing")
            << "no conf" << 1 << "backup_conf.bin not found" << false;
        QTest::addRow("calibration backup missing") << "no cal" << 1 << "backup_cal.bin not found" << false;
        QTest::addRow("configuration backup of 928 bytes")
            << "928" << 1 << "backup_conf.bin file is invalid" << false;
        QTest::addRow("calibration changed after the backup")
            << "digest" << 1 << "backup_cal.bin file is invalid" << false;
        QTest::addRow("board refuses the reboot") << "refuse 67" << 3 << kFailed << false;
        QTest::addRow("board stops answering the configuration write")
            << "ignore put" << 2 << kSucceeded << true;
        QTest::addRow("cancelled") << "cancel" << 1 << kReady << false;
    }
    void failures()
    {
        QFETCH(QString, fault);
        QFETCH(int, attempts);
        QFETCH(QString, lastMessage);
        QFETCH(bool, succeeds);
        ReplacementBench w;
        writeBackups(w);
        const QByteArray backupCal = w.siteFile("backup_cal.bin");
        if (fault == "no conf")
            QFile::remove(w.sitePath("backup_conf.bin"));
        if (fault == "no cal")
            QFile::remove(w.sitePath("backup_cal.bin"));
        if (fault == "928")
            QVERIFY(w.writeSiteFile("backup_conf.bin", QByteArray(928, '\x01')));
        if (fault == "digest") {
            for (const char* name : {"backup_conf.bin", "backup_cal.bin", "Backup_Totalisers.bin"})
                QVERIFY(BackupDigests::update(w.workbench().siteDataDir, name));
            QByteArray changed = backupCal;
            changed[14] = char(changed[14] + 1);
            QVERIFY(w.writeSiteFile("backup_cal.bin", changed));
        }
        auto faults = w.board().faults();
        if (fault == "refuse 67")
            faults.refuse = {0x43};
        if (fault == "ignore put")
            faults.ignore = {0x14};
        w.board().setFaults(faults);

        if (fault == "cancel") {
            w.op().answer(Operator::Answer::Cancel);
        } else if (fault == "refuse 67") {
            for (int i = 0; i < 3; ++i)
                w.op().answer(Operator::Answer::Ok).answerText("R1");
        } else if (fault == "ignore put") {
            w.op().answer(Operator::Answer::Ok).answerText("R1");
            // The technician tries again once the board listens again.
            w.op().before([&w] { w.board().setFaults({}); });
            answerOneAttempt(w.op());
        } else {
            w.op().answer(Operator::Answer::Ok).answerText("R1");
        }

        QCOMPARE(sendCcData(w.workbench()), succeeds);
        QVERIFY(w.op().scriptDone());
        const QStringList messages = w.op().texts(ScriptedOperator::Kind::Message);
        QCOMPARE(messages.count(kReady), attempts);
        QVERIFY2(messages.last().endsWith(lastMessage), qPrintable(messages.last()));
        const sim::BoardModel now = w.board().model();
        if (attempts == 1 && !succeeds) {
            // Refused before anything was read from or written to the board.
            QCOMPARE(count(now, {0x04, 0x06, 0x08, 0x13, 0x14, 0x41, 0x43, 0x4B}), 0);
            QVERIFY(!messages.contains(kFailed));
        }
        if (fault == "refuse 67") {
            QVERIFY(w.op().statusTexts().contains("Reboot Command FAILED"));
            // No minute of waiting after a refused reboot, in any of the three attempts.
            QVERIFY(w.clock().skippedMs() < 60000);
            QCOMPARE(now.structureWrites.size(), 0);
        }
        if (fault == "ignore put") {
            // The second attempt read the board's records again before merging.
            QCOMPARE(now.count(0x04), 2);
            QCOMPARE(now.structures[sim::BoardModel::kCal], backupCal);
        }
    }
};

QTEST_GUILESS_MAIN(TestRestore)
#include "TestRestore.moc"
