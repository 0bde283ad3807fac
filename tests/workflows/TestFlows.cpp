// The upgrade flows end to end on two simulated boards: the old board backed up, its card
// carried over, the board behind the cable swapped when the technician is told to install the
// new one, the restore, and the summary line.
#include "CalRecord.h"
#include "ConfigRecord.h"
#include "Flows.h"
#include "SummaryLog.h"
#include "WorkbenchView.h"
#include "ReplacementBench.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

const QString kFailed = "Upgrade process failed.";
const QString kFailedShutDown =
    "Upgrade process failed.\nPlease shut down application before upgrading the next site.";
const QString kCompleted =
    "Upgrade process successfully completed.\nPlease shut down application before upgrading the next site.";
const QString kSdQuestion =
    "Unable to connect to Existing Q7 board.\nDo you wish to Restore Site using SD Card only?";
const QString kComments = "Would you like to add some comments to the report?";
const QString kInsertCard = "Press OK button and immediately insert SD Card into PC";

struct ButtonView : WorkbenchView
{
    bool visible = true;
    bool enabled = true;
    void setCaption(const QString&) override {}
    void setSiteItemsEnabled(bool) override {}
    void setUpgradeButton(bool v, bool e) override
    {
        visible = v;
        enabled = e;
    }
};

Q7Data::Totalisers typedTotals()
{
    Q7Data::Totalisers t;
    t.ForwardTotal = 4321.0f;
    t.NettTotal = 12.5f;
    return t;
}

// A card as the old board leaves it: its logs as CSV files, CONFIG.BIN and CALIB.BIN.
QString oldCard(ReplacementBench& w)
{
    const QString card = w.path("old-card");
    QDir().mkpath(card);
    sim::BoardModel old = sim::BoardModel::existing();
    old.sdCardDir = card;
    if (!old.fillCard())
        return {};
    return card;
}

QString newCard(ReplacementBench& w)
{
    const QString card = w.path("new-card");
    QDir().mkpath(card);
    return card;
}

// The two card transfers and the board installation: the old card is reported inserted when
// the technician is asked for it, then the new card, then the board behind the cable is
// swapped (when a swap is given) as the technician confirms the installation.
void answerCardsAndInstallation(ReplacementBench& w, const QString& card, const QString& replacementCard,
                                Operator::Answer installation, const std::function<void()>& swap = {})
{
    w.op().before([&w, card] { w.volumes().insert(card); }).answer(Operator::Answer::Ok);
    w.op()
        .before([&w, card, replacementCard] {
            w.volumes().remove(card);
            w.volumes().insert(replacementCard);
        })
        .answer(Operator::Answer::Ok);
    w.op()
        .before([&w, replacementCard, swap] {
            w.volumes().remove(replacementCard);
            if (swap)
                swap();
        })
        .answer(installation);
}

// The site's lines of SummaryLog.csv, header left out, split into fields.
QList<QStringList> summaryRecords(ReplacementBench& w)
{
    QFile f(w.workbench().dataFolderRoot + SummaryLog::fileName());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> records;
    const QStringList lines = QString::fromLocal8Bit(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    for (const QString& line : lines.mid(1))
        records << line.split(',');
    return records;
}

void answerRestore(ReplacementBench& w)
{
    w.op()
        .answer(Operator::Answer::Ok)
        .answerText("r2.0")
        .answerSfo("SFO-NEW")
        .answer(Operator::Answer::No) // no comments
        .answer(Operator::Answer::No);
}

} // namespace

class TestFlows : public QObject
{
    Q_OBJECT
private slots:
    void fullyAutomatedUpgrade()
    {
        QElapsedTimer wall;
        wall.start();
        ReplacementBench w(sim::BoardModel::existing());
        ButtonView view;
        w.workbench().setView(&view);
        SummaryLog summaryLog;
        w.workbench().setSummaryLog(&summaryLog);
        const sim::BoardModel old = w.board().model();
        const sim::BoardModel fresh = ReplacementBench::quickBoard(sim::BoardModel::replacement());
        const QString card = oldCard(w);
        const QString replacementCard = newCard(w);

        w.op()
            .answer(Operator::Answer::Ok) // "Backup Existing board"
            .answerLicense("AB1")
            .answerText("r1.1")
            .answerSfo("SFO-OLD")
            .answer(Operator::Answer::No); // no comments
        answerCardsAndInstallation(w, card, replacementCard, Operator::Answer::Ok, [&] {
            auto swapped = fresh;
            swapped.sdCardDir = w.board().model().sdCardDir;
            w.board().swapBoard(swapped);
        });
        answerRestore(w);

        Flows::fullyAutomatedUpgrade(w.workbench());
        QVERIFY(w.op().scriptDone());
        const QStringList expected{
            "Please check Existing Q7 is powered up and USB comms cable is securely connected.\nPress OK to "
            "continue",
            kComments,
            "CCS information from Existing Q7 board collected successfully",
            "Please power down the Existing Q7 board.\nRemove SD Card from tray.\nOnce completed press OK to "
            "continue.",
            kInsertCard,
            "Copied a total of 2 data files from the SD Card.",
            "Remove SD Card from PC and insert back into Existing Q7 board.",
            "Remove SD Card from tray of Replacement board.\nOnce completed press OK to continue.",
            kInsertCard,
            "Copied a total of 2 data files to the SD Card.",
            "Remove SD Card from PC and insert back into Upgrade board.",
            "Replace Existing Q7 board with Upgrade board and connect all wiring.\nWhen done... Press OK to "
            "continue.",
            "Power up Q7 and check USB comms cable is securely connected.\nPress OK to continue.",
            kComments,
            "To Add Photos to the Data Folder.\nPlease first connect camera or insert media card containing "
            "images.\nOnce media is inserted press OK to continue",
            "A total of 0 images were copied to the data folder",
            "CC information updated in Replacement Q7 board successfully",
            kCompleted,
        };
        QCOMPARE(w.op().texts(ScriptedOperator::Kind::Message), expected);
        QVERIFY(!view.visible);

        const sim::BoardModel now = w.board().model();
        QCOMPARE(now.structures[sim::BoardModel::kConfig], restoredConfig(old, fresh));
        QCOMPARE(now.structures[sim::BoardModel::kCal], old.structures[sim::BoardModel::kCal]);
        QCOMPARE(now.structures[sim::BoardModel::kBasicCal], fresh.structures[sim::BoardModel::kBasicCal]);
        QCOMPARE(now.totals, old.totals);

        const SiteState& s = w.workbench().siteState;
        QCOMPARE(s.upgradeType, SiteState::kFullyAutomated);
        QVERIFY(s.stepSet(SiteState::UPG_COMPLETED));
        QCOMPARE(summaryRecords(w).size(), 1);
        QVERIFY(s.summaryLogged);
        QCOMPARE(w.workbench().upgradeFailureCount, 0);
        QVERIFY(
            QString::fromLocal8Bit(w.siteFile("Restore Record.txt")).endsWith("Read-back: identical\r\n"));
        QVERIFY2(wall.elapsed() < 60000, qPrintable(QString::number(wall.elapsed())));
    }

    void sdCardOnlyUpgrade()
    {
        ReplacementBench w;
        ButtonView view;
        w.workbench().setView(&view);
        SummaryLog summaryLog;
        w.workbench().setSummaryLog(&summaryLog);
        const sim::BoardModel old = sim::BoardModel::existing();
        const sim::BoardModel fresh = w.board().model();
        const QString card = oldCard(w);
        const QString replacementCard = newCard(w);

        w.op()
            .answer(Operator::Answer::Ok) // "Warning"
            .answerLicense("AB2")
            .answerText("r1.1")
            .answerTotals(typedTotals());
        answerCardsAndInstallation(w, card, replacementCard, Operator::Answer::Ok);
        answerRestore(w);

        Flows::sdCardOnlyUpgrade(w.workbench());
        QVERIFY(w.op().scriptDone());
        QCOMPARE(w.op().texts(ScriptedOperator::Kind::Message).last(), kCompleted);
        const sim::BoardModel now = w.board().model();
        QCOMPARE(now.structures[sim::BoardModel::kConfig], restoredConfig(old, fresh));
        QCOMPARE(now.structures[sim::BoardModel::kCal], old.structures[sim::BoardModel::kCal]);
        QCOMPARE(now.totals, typedTotals().values());
        QCOMPARE(w.workbench().siteState.upgradeType, SiteState::kSdCardOnly);
        // The existing board's clock was never read: DateTime_B, Hours_Diff and RTC_Error blank.
        const QList<QStringList> records = summaryRecords(w);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().mid(11, 3), (QStringList{" ", " ", " "}));
    }

    // Consecutive failed fully automated upgrades: each case runs the flow once more on the
    // same workbench, the earlier failures already counted.
    void failedUpgrades_data()
    {
        QTest::addColumn<int>("earlierFailures");
        QTest::addColumn<QString>("failAt");
        QTest::addColumn<int>("answerToSdQuestion"); // -1: not asked
        QTest::addColumn<QString>("lastMessage");
        QTest::addColumn<int>("countAfter");
        QTest::addColumn<bool>("buttonShown");
        QTest::addRow("first failure") << 0 << "backup" << -1 << kFailed << 1 << true;
        QTest::addRow("second failure") << 1 << "backup" << -1 << kFailed << 2 << true;
        QTest::addRow("third failure, No")
            << 2 << "backup" << int(Operator::Answer::No) << kSdQuestion << 0 << false;
        QTest::addRow("third failure, Yes")
            << 2 << "backup" << int(Operator::Answer::Yes) << kFailedShutDown << 3 << false;
        QTest::addRow("cancel at new board installation")
            << 0 << "installation" << -1 << kFailed << 1 << true;
    }
    void failedUpgrades()
    {
        QFETCH(int, earlierFailures);
        QFETCH(QString, failAt);
        QFETCH(int, answerToSdQuestion);
        QFETCH(QString, lastMessage);
        QFETCH(int, countAfter);
        QFETCH(bool, buttonShown);
        ReplacementBench w(sim::BoardModel::existing());
        ButtonView view;
        w.workbench().setView(&view);
        w.workbench().upgradeFailureCount = earlierFailures;
        if (failAt == "backup") {
            w.op().answer(Operator::Answer::Cancel); // "Backup Existing board"
        } else {
            const QString card = oldCard(w);
            const QString replacementCard = newCard(w);
            w.op()
                .answer(Operator::Answer::Ok)
                .answerLicense("AB3")
                .answerText("r1.1")
                .answerSfo("SFO")
                .answer(Operator::Answer::No); // no comments
            answerCardsAndInstallation(w, card, replacementCard, Operator::Answer::Cancel);
        }
        if (answerToSdQuestion >= 0)
            w.op().answer(Operator::Answer(answerToSdQuestion));
        if (answerToSdQuestion == int(Operator::Answer::Yes))
            w.op().answer(Operator::Answer::Cancel); // the SD-card-only "Warning"

        Flows::fullyAutomatedUpgrade(w.workbench());
        QVERIFY(w.op().scriptDone());
        const QStringList messages = w.op().texts(ScriptedOperator::Kind::Message);
        QCOMPARE(messages.last(), lastMessage);
        QCOMPARE(w.workbench().upgradeFailureCount, countAfter);
        QCOMPARE(view.visible, buttonShown);
        QCOMPARE(view.enabled, buttonShown);
        QCOMPARE(w.summaryLog.lines, 0);
        if (failAt == "installation") {
            // The backup and both card transfers were done before the Cancel.
            const SiteState& s = w.workbench().siteState;
            QVERIFY(s.stepSet(SiteState::BACKUP_CC) && s.stepSet(SiteState::BACKUP_DATAFILES) &&
                    s.stepSet(SiteState::RESTORE_DATAFILES));
            QCOMPARE(w.board().model().structureWrites.size(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestFlows)
#include "TestFlows.moc"
