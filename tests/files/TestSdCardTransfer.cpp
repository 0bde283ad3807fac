#include "BackupDigests.h"
#include "FilesBench.h"
#include "Flows.h"
#include "SdCardTransfer.h"

#include <QFileInfo>
#include <QtTest>

namespace {

const QString kPowerDown = "Please power down the Existing Q7 board.\nRemove SD Card from tray.\nOnce "
                           "completed press OK to continue.";
const QString kRemoveTray =
    "Remove SD Card from tray of Replacement board.\nOnce completed press OK to continue.";
const QString kInsert = "Press OK button and immediately insert SD Card into PC";
const QString kBackInExisting = "Remove SD Card from PC and insert back into Existing Q7 board.";
const QString kBackInUpgrade = "Remove SD Card from PC and insert back into Upgrade board.";
const QString kNotDetected = "Failed to detect SDCARD";

QString collected(int n)
{
    return QString("Copied a total of %1 data files from the SD Card.").arg(n);
}

} // namespace

class TestSdCardTransfer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FilesBench> b;

    // Answers the next OK/Cancel box with OK and runs action once the wait has begun.
    void insertOnOk(std::int64_t atMs, std::function<void()> action)
    {
        b->op.before([this, atMs, action] { b->duringWait(atMs, action); }).answer(Operator::Answer::Ok);
    }
    void insertOnOk(const QString& card)
    {
        insertOnOk(0, [this, card] { b->volumes.insert(card); });
    }
    QStringList messages() const { return b->op.texts("message"); }

private slots:
    void init() { b = std::make_unique<FilesBench>(); }
    void cleanup() { b.reset(); }

    void collectionTakesTheCsvFilesOfTheCardRoot()
    {
        const QString card =
            b->card("E", {"b.csv", "A.CSV", "c.Csv", "notes.txt", "CONFIG.BIN", ".hidden.csv", "sub/d.csv"});
        QDir().mkdir(card + "/folder.csv");
        FilesBench::write(b->site() + "c.Csv", "earlier copy");
        insertOnOk(card);

        QVERIFY(collectSdLogFiles(*b->bench));

        QCOMPARE(FilesBench::files(b->site()), QStringList({"A.CSV", "b.csv", "c.Csv"}));
        QCOMPARE(FilesBench::read(b->site() + "c.Csv"), QByteArray("c.Csv"));
        QCOMPARE(messages(), QStringList({kPowerDown, kInsert, collected(3), kBackInExisting}));
        QCOMPARE(b->op.shown().at(1).caption, QString("Transfering Data files to SD Card"));
        QVERIFY(b->bench->siteState.stepSet(SiteState::BACKUP_DATAFILES));
        QVERIFY(!b->bench->sdWatchActive);
        QVERIFY(b->bench->sdCardPaths.isEmpty());
        // Files in alphabetical order without regard to letter case, a third of the bar each.
        QList<int> bar;
        for (const auto& shown : b->op.shown())
            if (shown.kind == "progress" && shown.text == "Tranferring Files")
                bar << shown.percent;
        QCOMPARE(bar, QList<int>({33, 66, 100}));
    }

    void collectionWithoutTheBoardTakesTheCardsRecords_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("backups");
        QTest::addRow("both") << QStringList{"CONFIG.BIN", "calib.bin"}
                              << QStringList{"backup_cal.bin", "backup_conf.bin"};
        QTest::addRow("no calibration") << QStringList{"config.bin"} << QStringList{"backup_conf.bin"};
    }
    void collectionWithoutTheBoardTakesTheCardsRecords()
    {
        QFETCH(QStringList, records);
        QFETCH(QStringList, backups);
        const QString card = b->card("E", QStringList{"a.csv", "b.csv", "c.csv"} + records);
        b->bench->totalsFromQuery = true;
        insertOnOk(card);

        QVERIFY(collectSdLogFiles(*b->bench));

        QStringList found;
        for (const QString& name : FilesBench::files(b->site()))
            if (name.endsWith(".bin"))
                found << name;
        QCOMPARE(found, backups);
        for (const QString& record : records) {
            const QString backup =
                record.startsWith("config", Qt::CaseInsensitive) ? "backup_conf.bin" : "backup_cal.bin";
            QCOMPARE(FilesBench::read(b->site() + backup), record.toUtf8());
            QCOMPARE(BackupDigests::matches(b->site(), backup), std::optional<bool>(true));
        }
        QVERIFY(messages().contains(collected(3)));
        QVERIFY(!b->bench->totalsFromQuery);
    }

    void sendingWritesTheSiteCsvFilesOntoTheCard_data()
    {
        QTest::addColumn<QStringList>("siteFiles");
        QTest::addColumn<int>("count");
        QTest::addRow("two, one replacing the card's")
            << QStringList{"log1.csv", "log2.CSV", "backup_conf.bin"} << 2;
        QTest::addRow("none") << QStringList{"backup_conf.bin"} << 0;
    }
    void sendingWritesTheSiteCsvFilesOntoTheCard()
    {
        QFETCH(QStringList, siteFiles);
        QFETCH(int, count);
        for (const QString& name : siteFiles)
            FilesBench::write(b->site() + name, name.toUtf8());
        const QString card = b->card("F", {"old.txt"});
        FilesBench::write(card + "/log1.csv", "the card's own");
        insertOnOk(card);

        QVERIFY(sendSdLogFiles(*b->bench));

        QCOMPARE(messages(),
                 QStringList({kRemoveTray, kInsert,
                              QString("Copied a total of %1 data files to the SD Card.").arg(count),
                              kBackInUpgrade}));
        QCOMPARE(b->op.shown().at(1).caption, QString("Transfering Data files"));
        QVERIFY(b->bench->siteState.stepSet(SiteState::RESTORE_DATAFILES));
        if (count) {
            QCOMPARE(FilesBench::read(card + "/log1.csv"), QByteArray("log1.csv"));
            QCOMPARE(FilesBench::read(card + "/log2.CSV"), QByteArray("log2.CSV"));
        }
        QVERIFY(!QFile::exists(card + "/backup_conf.bin"));
    }

    void twoDrivesInOneWaitAreBothCopied()
    {
        const QString e = b->card("E", {"e.csv"});
        const QString f = b->card("F", {"f1.csv", "f2.csv"});
        insertOnOk(0, [this, e, f] {
            b->volumes.insert(e);
            b->volumes.insert(f);
        });

        QVERIFY(collectSdLogFiles(*b->bench));

        QCOMPARE(FilesBench::files(b->site()), QStringList({"e.csv", "f1.csv", "f2.csv"}));
        QCOMPARE(messages(), QStringList({kPowerDown, kInsert, collected(1), collected(2), kBackInExisting}));
    }

    void aCardRemovedDuringTheWaitIsForgotten()
    {
        const QString pulled = b->card("E", {"pulled.csv"});
        const QString kept = b->card("F", {"kept.csv"});
        insertOnOk(0, [this, pulled, kept] {
            b->volumes.insert(pulled);
            b->volumes.remove(pulled);
            b->volumes.insert(kept);
        });

        QVERIFY(collectSdLogFiles(*b->bench));

        QCOMPARE(FilesBench::files(b->site()), QStringList({"kept.csv"}));
        QCOMPARE(messages(), QStringList({kPowerDown, kInsert, collected(1), kBackInExisting}));
    }

    // The copy step begins about 3 s after the card is reported; it must begin before the 30 s
    // are up.
    void theCardMustBeReportedWellBeforeTheDeadline_data()
    {
        QTest::addColumn<int>("reportedAtMs");
        QTest::addColumn<bool>("taken");
        QTest::addRow("20 s") << 20000 << true;
        QTest::addRow("29 s") << 29000 << false;
    }
    void theCardMustBeReportedWellBeforeTheDeadline()
    {
        QFETCH(int, reportedAtMs);
        QFETCH(bool, taken);
        b->realCopyDelay();
        const QString card = b->card("E", {"a.csv"});
        insertOnOk(reportedAtMs, [this, card] { b->volumes.insert(card); });
        if (!taken)
            b->op.answer(Operator::Answer::Cancel).answer(Operator::Answer::Cancel);

        QCOMPARE(collectSdLogFiles(*b->bench), taken);

        QCOMPARE(QFile::exists(b->site() + "a.csv"), taken);
        QCOMPARE(messages().contains(kNotDetected), !taken);
        QVERIFY(b->op.scriptDone());
    }

    void aCardThatCannotBeReadIsWaitedForAMinute_data()
    {
        QTest::addColumn<bool>("secondCard");
        QTest::addRow("nothing else") << false;
        QTest::addRow("a readable card within the minute") << true;
    }
    void aCardThatCannotBeReadIsWaitedForAMinute()
    {
        QFETCH(bool, secondCard);
        const QString gone = b->dir.filePath("cards/not-mounted");
        const QString card = b->card("F", {"a.csv"});
        insertOnOk(0, [this, gone, card, secondCard] {
            b->volumes.insert(gone);
            // Well after the copy step found nothing to read.
            QTimer::singleShot(300, [this, card, secondCard] {
                b->clock.advance(secondCard ? 50000 : 61000);
                if (secondCard)
                    b->volumes.insert(card);
            });
        });
        if (!secondCard)
            b->op.answer(Operator::Answer::Cancel).answer(Operator::Answer::Cancel);

        QCOMPARE(collectSdLogFiles(*b->bench), secondCard);

        QStringList expected{kPowerDown, kInsert, collected(1), kBackInExisting};
        if (!secondCard)
            expected =
                QStringList{kPowerDown, kInsert, kNotDetected, kPowerDown, kInsert, kPowerDown, kInsert};
        QCOMPARE(messages(), expected);
    }

    void aSourceThatCannotBeReadLeavesTheEarlierCopy()
    {
        const QString card = b->card("E", {"a.csv", "c.csv"});
        // Reading the process's own memory file from its start fails with an I/O error.
        QVERIFY(QFile::link("/proc/self/mem", card + "/b.csv"));
        FilesBench::write(b->site() + "b.csv", "copied on an earlier day");
        insertOnOk(card);

        QVERIFY(collectSdLogFiles(*b->bench));

        QCOMPARE(FilesBench::read(b->site() + "b.csv"), QByteArray("copied on an earlier day"));
        QCOMPARE(FilesBench::read(b->site() + "c.csv"), QByteArray("c.csv"));
        QCOMPARE(messages(), QStringList({kPowerDown, kInsert, "Failed to read/copy files", collected(2),
                                          kBackInExisting}));
        QCOMPARE(b->bench->filesCopied, 2);
        QCOMPARE(b->bench->fileTotal, 3);
    }

    void cancelEndsEachAttempt_data()
    {
        QTest::addColumn<bool>("sending");
        QTest::addColumn<QStringList>("expected");
        QTest::addRow("collection") << false << QStringList{kPowerDown, kInsert,    kPowerDown,
                                                            kInsert,    kPowerDown, kInsert};
        QTest::addRow("sending") << true << QStringList{kRemoveTray, kInsert, kInsert, kInsert};
    }
    void cancelEndsEachAttempt()
    {
        QFETCH(bool, sending);
        QFETCH(QStringList, expected);
        for (int i = 0; i < 3; ++i)
            b->op.answer(Operator::Answer::Cancel);

        QVERIFY(!(sending ? sendSdLogFiles(*b->bench) : collectSdLogFiles(*b->bench)));

        QCOMPARE(messages(), expected);
        QVERIFY(!b->bench->sdWatchActive);
        QVERIFY(!b->bench->siteState.stepSet(sending ? SiteState::RESTORE_DATAFILES
                                                     : SiteState::BACKUP_DATAFILES));
    }

    void noCardWithinTheWaitFailsTheAttempt()
    {
        b->op.before([this] { b->duringWait(31000, [] {}); }).answer(Operator::Answer::Ok);
        b->op.answer(Operator::Answer::Cancel).answer(Operator::Answer::Cancel);

        QVERIFY(!collectSdLogFiles(*b->bench));

        QCOMPARE(messages(),
                 QStringList({kPowerDown, kInsert, kNotDetected, kPowerDown, kInsert, kPowerDown, kInsert}));
        QVERIFY(b->op.texts("progress").contains("Waiting to detect SDCard"));
    }

    void cardsOutsideATransferAreIgnored()
    {
        b->volumes.insert(b->card("E", {"a.csv"}));
        b->clock.delay(10);
        QVERIFY(b->bench->sdCardPaths.isEmpty());
        QVERIFY(!b->bench->FileCopyTimer->isActive());
    }

    // The menu's actions select the site first and stop quietly when there is none.
    void menuActionsNeedASite_data()
    {
        QTest::addColumn<bool>("folderBlocked");
        QTest::addColumn<QStringList>("errors");
        QTest::addRow("licence cancelled") << false << QStringList{};
        QTest::addRow("folder cannot be made") << true << QStringList{"Cannot create data directory."};
    }
    void menuActionsNeedASite()
    {
        QFETCH(bool, folderBlocked);
        QFETCH(QStringList, errors);
        using Action = void (*)(Workbench&);
        for (Action action : {Action(Flows::collectLogFiles), Action(Flows::sendLogFiles),
                              Action(Flows::addImagesToFolder)}) {
            b = std::make_unique<FilesBench>();
            b->bench->siteLicense.clear();
            if (folderBlocked) {
                FilesBench::write(b->bench->dataFolderRoot + "BLOCKED", "a file where the folder would be");
                b->op.answerLicense("BLOCKED");
            } else {
                b->op.answerLicense(std::nullopt);
            }
            action(*b->bench);
            QCOMPARE(b->op.texts("error"), errors);
            QCOMPARE(messages(), QStringList());
            QVERIFY(b->bench->siteLicense.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestSdCardTransfer)
#include "TestSdCardTransfer.moc"
