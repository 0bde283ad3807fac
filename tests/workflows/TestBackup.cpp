#include "Backup.h"
#include "BackupDigests.h"
#include "Flows.h"
#include "Q7Data.h"
#include "SettingsFile.h"
#include "Totalisers.h"
#include "SessionLog.h"
#include "WorkflowBench.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

using Answer = Operator::Answer;

namespace {

const QString kPowered = "Please check Existing Q7 is powered up and USB comms cable is securely connected.\n"
                         "Press OK to continue";
const QString kSucceeded = "CCS information from Existing Q7 board collected successfully";
const QString kFailed = "Failed to collect CCS information from Existing Q7 board";
const QString kNoAnswer = "Failed to establish communications with Q7 Flowmeter board";
const QString kNoBoard =
    "No Q7 boards detected.\nPlease make sure Comms cable is connected between PC and Powered Q7 board.";
const QString kCommentsQuestion = "Would you like to add some comments to the report?";
const QString kCancel = "<cancel>";
const QString kFolderExists =
    "Directory exists, files will be over written.\nAre you sure you want to continue?";

// What the technician saw, one line per box, dialog or progress step, in order.
QStringList seen(const ScriptedOperator& op)
{
    QStringList out;
    for (const ScriptedOperator::Shown& s : op.shown()) {
        // The window's showing and hiding are not steps the technician reads.
        if (s.kind == ScriptedOperator::Kind::ProgressShown ||
            s.kind == ScriptedOperator::Kind::ProgressHidden)
            continue;
        QString line = ScriptedOperator::kindName(s.kind) + " | " + s.caption + " | " + s.text;
        if (s.kind == ScriptedOperator::Kind::Progress)
            line += " | " + QString::number(s.percent);
        out << line;
    }
    return out;
}

// The boxes and the error box only, with their texts.
QStringList messages(const ScriptedOperator& op)
{
    QStringList out;
    for (const ScriptedOperator::Shown& s : op.shown())
        if (s.kind == ScriptedOperator::Kind::Message || s.kind == ScriptedOperator::Kind::Error)
            out << s.text;
    return out;
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

    std::unique_ptr<WorkflowBench> m_wb;

    void startBench(sim::BoardModel model = sim::BoardModel::existing())
    {
        m_wb = std::make_unique<WorkflowBench>(std::move(model));
        QString error;
        QVERIFY2(m_wb->start(&error), qPrintable(error));
    }

    QString siteFile(const QString& name) const { return m_wb->bench().siteDataDir + name; }

    enum Setup
    {
        CancelFirstBox,
        PortDialogCancelled,
        NoBoardDetected,
        PortCannotOpen,
        BoardSilent,
        LicenceCancelled,
        LicenceTooLong,
        CalTransferFails,
        BasicCalTransferFails,
        TotaliserLogCannotBeWritten,
        ReportCannotCollect,
    };

private slots:
    void cleanup() { m_wb.reset(); }

    void backupLeavesTheBoardInTheSiteFolder()
    {
        startBench();
        m_wb->op()
            .answer(Answer::Ok)
            .answerLicense("a1")
            .answerText("r1.2")
            .answerSfo("SFO 12345 6789")
            .answer(Answer::Yes)
            .answerComments(QStringList{"Seal renewed."});
        QVERIFY(collectCcsData(m_wb->bench()));
        QVERIFY(m_wb->op().scriptDone());

        const sim::BoardModel board = m_wb->board().model();
        QCOMPARE(readAll(siteFile("backup_conf.bin")), board.structure(sim::BoardModel::kConfig));
        QCOMPARE(readAll(siteFile("backup_cal.bin")), board.structure(sim::BoardModel::kCal));
        QCOMPARE(readAll(siteFile("backup_BasicCal.bin")), board.structure(sim::BoardModel::kBasicCal));
        QCOMPARE(readAll(siteFile("Backup_Totalisers.bin")),
                 bytesOf(Q7Data::Totalisers::fromValues(board.totals)));

        const QList<QByteArray> log = readAll(siteFile("Totalisers Log - 40123456.txt")).split('\n');
        const QList<QByteArray> expectedLog = {
            "MeterID             \t= 40123456\r",
            "Totaliser readings  \t= 8 Dec 2026 14:05:09\r",
            "ForwardTotal        \t= 1234567.875\r",
            "ReverseTotal        \t= 2345.500\r",
            "NettTotal           \t= 1232222.375\r",
            "PeakForwardTotal    \t= 812345.250\r",
            "OffPeakForwardTotal \t= 422222.625\r",
            "PeakReverseTotal    \t= 1500.250\r",
            "OffPeakReverseTotal \t= 845.250\r",
            "ForwardYTDTotal     \t= 98765.500\r",
            "ReverseYTDTotal     \t= 120.750\r",
            "NettYTDTotal       \t= 98644.750\r",
            "",
        };
        QCOMPARE(log, expectedLog);

        const QStringList pdfs = QDir(m_wb->bench().siteDataDir).entryList({"*.pdf"}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        QVERIFY2(pdfs.first().startsWith("Pre Upgrade Report "), qPrintable(pdfs.first()));

        // A support engineer's check of the folder, with the tool they would use.
        QProcess check;
        check.setWorkingDirectory(m_wb->bench().siteDataDir);
        check.start("sha256sum", {"-c", BackupDigests::kFileName});
        QVERIFY(check.waitForFinished(10'000));
        const QString checked = QString::fromUtf8(check.readAllStandardOutput());
        QCOMPARE(check.exitCode(), 0);
        QCOMPARE(checked.split('\n', Qt::SkipEmptyParts),
                 QStringList({"backup_conf.bin: OK", "backup_cal.bin: OK", "backup_BasicCal.bin: OK",
                              "Backup_Totalisers.bin: OK"}));

        const Workbench& bench = m_wb->bench();
        const SiteState& state = bench.siteState;
        QVERIFY(state.siteDataTouched);
        QCOMPARE(state.stepDone, (std::array<std::uint8_t, 10>{1, 1, 0, 1, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(state.meterId, 40123456u);
        QCOMPARE(SiteState::firmwareText(state.firmwareVersion[0]), QString("0052"));
        QCOMPARE(state.resetCount, board.resets);
        QCOMPARE(state.systemFault[0], board.live.systemFaults);
        QCOMPARE(state.selfTest[0], board.live.selfTest);
        QCOMPARE(state.forwardTotal[0], board.totals[0]);
        QVERIFY(state.boardTime[0].value() != 0);
        QCOMPARE(bench.hardwareRevision[0], QString("R1.2"));
        QCOMPARE(bench.sfoNumber[0], QString("SFO 12345 6789"));

        const QString comms = "progress | Q7 Communications | ";
        const QString report = "progress | Generating Report | ";
        const QStringList expected = {
            "message | Backup Existing board | " + kPowered,
            comms + "Searching for Q7 board | 0",
            comms + "Initialising Communications | 10",
            comms + "Initialising Communications | 15",
            comms + "Initialising Communications | 20",
            "license | Site License Dialog | Enter Site License",
            "input | Q7 Hardware Revision | Please enter the Hardware Revision number for the Existing Q7 "
            "board. "
            "Ie: R1.?",
            comms + "Retrieving Configuration data | 25",
            comms + "Retrieving Calibration data | 40",
            comms + "Retrieving Basic Calibration data | 50",
            comms + "Retrieving Totaliser Values | 75",
            comms + "Retrieving Current Status  | 80",
            report + "Establishing Communications | 0",
            report + "Reading Firmware Version | 10",
            report + "Reading Site Information | 20",
            "sfo | SFO Number Dialog | ",
            report + "Reading Totalisers | 40",
            report + "Reading Diagnostics | 60",
            report + "Reading Configuration | 80",
            "message | Add Comments | " + kCommentsQuestion,
            "comments | Memo Dialog | ",
            "message |  | " + kSucceeded,
        };
        QCOMPARE(seen(m_wb->op()), expected);

        // The session log accounts for every file the backup left, those the link streamed in
        // included, by the digest of the bytes now on disk.
        m_wb->bench().sessionLog().flush();
        const QByteArray sessionLog = readAll(siteFile(SessionLog::kFileName));
        QVERIFY(sessionLog.contains("  Backup started\r\n"));
        QVERIFY(sessionLog.endsWith("  Backup succeeded\r\n"));
        const QDir site(bench.siteDataDir);
        for (const QString& name : site.entryList(QDir::Files)) {
            if (name == SessionLog::kFileName)
                continue;
            const QByteArray bytes = readAll(siteFile(name));
            const QByteArray line = "File written: " + site.dirName().toUtf8() + '/' + name.toUtf8() + ", " +
                                    QByteArray::number(bytes.size()) + " bytes, SHA-256 " +
                                    QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() +
                                    "\r\n";
            QVERIFY2(sessionLog.contains(line), line.constData());
        }
    }

    void failures_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("ccSaved");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");

        const QStringList records = {"backup_conf.bin", "backup_cal.bin", "backup_BasicCal.bin"};
        QTest::addRow("cancel on the first box")
            << int(CancelFirstBox) << QStringList{kPowered} << false << QStringList() << QStringList();
        QTest::addRow("port dialog cancelled")
            << int(PortDialogCancelled) << QStringList{kPowered} << false << QStringList() << QStringList();
        QTest::addRow("no board detected") << int(NoBoardDetected) << QStringList{kPowered, kNoBoard} << false
                                           << QStringList() << QStringList();
        QTest::addRow("OpenPort fails") << int(PortCannotOpen) << QStringList{kPowered, kFailed} << false
                                        << QStringList() << QStringList();
        QTest::addRow("null command fails") << int(BoardSilent) << QStringList{kPowered, kNoAnswer, kFailed}
                                            << false << QStringList() << QStringList();
        QTest::addRow("no site selected") << int(LicenceCancelled) << QStringList{kPowered, kFailed} << false
                                          << QStringList() << QStringList();
        QTest::addRow("site folder cannot be made")
            << int(LicenceTooLong) << QStringList{kPowered, "Cannot create data directory."} << false
            << QStringList() << QStringList();
        QTest::addRow("calibration transfer fails")
            << int(CalTransferFails) << QStringList{kPowered, kFolderExists, kFailed} << false
            << QStringList{"backup_conf.bin"} << QStringList{"backup_cal.bin", "backup_BasicCal.bin"};
        QTest::addRow("basic calibration transfer fails")
            << int(BasicCalTransferFails) << QStringList{kPowered, kFolderExists, kFailed} << false
            << QStringList{"backup_conf.bin", "backup_cal.bin"} << QStringList{"backup_BasicCal.bin"};
        QTest::addRow("totaliser log fails")
            << int(TotaliserLogCannotBeWritten)
            << QStringList{kPowered, kFolderExists, kCommentsQuestion, kSucceeded} << true << records
            << QStringList{"Backup_Totalisers.bin"};
        QTest::addRow("report returns false")
            << int(ReportCannotCollect)
            << QStringList{kPowered, kFolderExists, kCommentsQuestion,
                           "Failed to collect data from Q7 connection", kSucceeded}
            << true << (records + QStringList{"Backup_Totalisers.bin"}) << QStringList();
    }
    void failures()
    {
        QFETCH(int, setup);
        QFETCH(QStringList, shown);
        QFETCH(bool, ccSaved);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);

        startBench();
        Workbench& bench = m_wb->bench();
        ScriptedOperator& op = m_wb->op();
        sim::BoardFaults faults;
        // A site whose folder is there already, so the failing step's folder can be looked at.
        const auto existingSite = [&] {
            QVERIFY(QDir().mkpath(bench.dataFolderRoot + "a1"));
            op.answer(Answer::Ok).answerLicense("a1").answer(Answer::Yes).answerText("R1");
        };
        switch (Setup(setup)) {
        case CancelFirstBox:
            op.answer(Answer::Cancel);
            break;
        case PortDialogCancelled:
            bench.autoDetectQ7 = false;
            op.answer(Answer::Ok).answerPort(m_wb->devicePath(), false);
            break;
        case NoBoardDetected:
            faults.silent = true;
            op.answer(Answer::Ok);
            break;
        case PortCannotOpen:
            bench.autoDetectQ7 = false;
            op.answer(Answer::Ok).answerPort(m_wb->devicePath() + "-gone", true);
            break;
        case BoardSilent:
            bench.autoDetectQ7 = false;
            faults.silent = true;
            op.answer(Answer::Ok).answerPort(m_wb->devicePath(), true);
            break;
        case LicenceCancelled:
            op.answer(Answer::Ok).answerLicense(std::nullopt);
            break;
        case LicenceTooLong:
            op.answer(Answer::Ok).answerLicense(QString(300, 'a'));
            break;
        case CalTransferFails:
            faults.ignore = {6};
            existingSite();
            break;
        case BasicCalTransferFails:
            faults.ignore = {8};
            existingSite();
            break;
        case TotaliserLogCannotBeWritten:
            // The log's name taken by a folder: the log cannot be written, the backup goes on.
            QVERIFY(QDir().mkpath(bench.dataFolderRoot + "a1/Totalisers Log - 40123456.txt"));
            existingSite();
            op.answerSfo("SFO 12345 6789").answer(Answer::No);
            break;
        case ReportCannotCollect:
            // The report's own structure reads go unanswered; the backup's record files do not.
            faults.ignore = {0x13};
            existingSite();
            op.answer(Answer::No);
            break;
        }
        m_wb->board().setFaults(faults);

        QVERIFY(!collectCcsData(bench) || ccSaved);
        QVERIFY(op.scriptDone());
        QCOMPARE(messages(op), shown);
        QCOMPARE(bench.siteState.stepSet(SiteState::BACKUP_CC), ccSaved);
        for (const QString& name : present)
            QVERIFY2(QFile::exists(bench.dataFolderRoot + "a1/" + name), qPrintable(name));
        for (const QString& name : absent)
            QVERIFY2(!QFile::exists(bench.dataFolderRoot + "a1/" + name), qPrintable(name));
        if (setup == LicenceTooLong) {
            QVERIFY(bench.siteLicense.isEmpty());
            QCOMPARE(QDir(bench.dataFolderRoot).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList());
        }
        if (setup == PortDialogCancelled) {
            // The dialog remembers the port it showed, Cancel included.
            QCOMPARE(SettingsFile(m_wb->settingsPath()).comport(), m_wb->devicePath());
        }
        if (setup == CancelFirstBox || setup == PortDialogCancelled)
            QVERIFY2(m_wb->board().requestsReceived().isEmpty(), "no link was opened");
    }

    void hardwareRevisionHasNoWayPastWithoutAnAnswer_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("stored");
        QTest::addRow("lower case stored in upper case") << QStringList{"r1.2"} << "R1.2";
        QTest::addRow("cancel and empty ask again") << QStringList{kCancel, QString(), "R2"} << "R2";
        QTest::addRow("a single blank is an answer") << QStringList{" "} << " ";
    }
    void hardwareRevisionHasNoWayPastWithoutAnAnswer()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, stored);
        startBench();
        for (const QString& a : answers)
            m_wb->op().answerText(a == kCancel ? std::nullopt : std::optional<QString>(a));
        askHardwareRevision(m_wb->bench(), 1);
        QCOMPARE(m_wb->bench().hardwareRevision[1], stored);
        QVERIFY(m_wb->bench().hardwareRevision[0].isEmpty());
        const auto prompts = m_wb->shownOf(ScriptedOperator::Kind::Input);
        QCOMPARE(prompts.size(), answers.size());
        QCOMPARE(prompts.first().text,
                 QString("Please enter the Hardware Revision number for the Replacement Q7 board. Ie: R1.?"));
    }

    void generateReport_data()
    {
        QTest::addColumn<bool>("licensed");
        QTest::addColumn<QStringList>("shown");
        QTest::addRow("any board, into the site folder")
            << true << QStringList{kCommentsQuestion, "Report generated successfully"};
        QTest::addRow("licence dialog cancelled")
            << false
            << QStringList{
                   "Must have a Valid Site License to create Data Directory structure, process cancelled",
                   "Failed to generate report"};
    }
    void generateReport()
    {
        QFETCH(bool, licensed);
        QFETCH(QStringList, shown);
        startBench(sim::BoardModel::replacement());
        if (licensed)
            m_wb->op().answerLicense("a1").answerSfo("SFO 12345 6789").answer(Answer::No);
        else
            m_wb->op().answerLicense(std::nullopt);

        QCOMPARE(Flows::generateReport(m_wb->bench()), licensed);
        QVERIFY(m_wb->op().scriptDone());
        QCOMPARE(messages(m_wb->op()), shown);
        const Workbench& bench = m_wb->bench();
        QCOMPARE(bench.siteState.siteDataTouched, false);
        QVERIFY2(!m_wb->view().upgradeButton.last().first && !m_wb->view().upgradeButton.last().second,
                 "the handler hides the button first");
        if (!licensed)
            return;
        const sim::BoardModel board = m_wb->board().model();
        QCOMPARE(readAll(siteFile("conf.bin")), board.structure(sim::BoardModel::kConfig));
        QCOMPARE(readAll(siteFile("cal.bin")), board.structure(sim::BoardModel::kCal));
        QCOMPARE(readAll(siteFile("BasicCal.bin")), board.structure(sim::BoardModel::kBasicCal));
        QCOMPARE(QDir(bench.siteDataDir).entryList({"Q7 Report *.pdf"}, QDir::Files).size(), 1);
        QVERIFY(!QFile::exists(siteFile("backup_conf.bin")));
        QVERIFY(!QFile::exists(siteFile(BackupDigests::kFileName)));
        const auto steps = m_wb->shownOf(ScriptedOperator::Kind::Progress);
        QCOMPARE(steps[4].text, QString("Retrieving Configuration data"));
        QCOMPARE(steps[4].percent, 25);
        QCOMPARE(steps[6].percent, 75);
        QCOMPARE(steps[7].text, QString("Retrieving Current Status"));
        QCOMPARE(steps[7].percent, 90);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "TestBackup.moc"
