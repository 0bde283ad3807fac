// A whole fully automated upgrade as a technician rehearses it with q7-demo: the real main
// window and the real dialogs, every one answered by the robot by its title and text, the board
// swapped and the cards inserted with clicks on the bench while the program's question waits.
// The demo's fast clock skips the fixed waits; the board's replies come in real time.
#include "BoardModel.h"
#include "DemoClock.h"
#include "DemoRig.h"
#include "ModalRobot.h"
#include "QtOperator.h"
#include "SimulationBench.h"
#include "SummaryLog.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Between two of the program's windows lie a board's file transfers and reports, at a
// sanitizer's pace on a shared machine; a window that does not come fails the test after this.
constexpr int kWatchdogMs = 20000;

} // namespace

class TestDemoUpgrade : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    DemoClock m_clock{true};
    QtOperator m_op;
    SummaryLog m_summaryLog;
    std::unique_ptr<DemoRig> m_rig;
    DemoSession* m_session = nullptr;
    TQ7UpgradeUtilityMainForm* m_window = nullptr;
    SimulationBench* m_bench = nullptr;

    // A click as the window system delivers it, so a bench blocked by the program's open
    // question would not see it.
    bool clickOnBench(const QString& command)
    {
        auto* button = m_bench->findChild<QToolButton*>(command + "Btn");
        if (!button || !button->isEnabled() || !m_bench->windowHandle())
            return false;
        QTest::mouseClick(m_bench->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(m_bench, button->rect().center()));
        return true;
    }

    // The technician's hand on the bench, then the answer to the question that asked for it.
    std::function<void(QWidget*)> benchThenPress(const QString& command, std::function<bool()> done,
                                                 const QString& button)
    {
        return [this, command, done, button](QWidget* modal) {
            if (!clickOnBench(command) || !done())
                ModalRobot::failAndClose(modal, "the bench did not " + command + " while it was open");
            else if (!ModalRobot::pressButton(modal, button))
                ModalRobot::failAndClose(modal, "it has no button " + button);
        };
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_rig = std::make_unique<DemoRig>(m_dir.path());
        QString error;
        QVERIFY2(m_rig->start({m_op, m_clock, &m_clock, &m_summaryLog}, &error), qPrintable(error));
        m_session = &m_rig->session();
        m_window = &m_rig->window();
        m_bench = &m_rig->bench();
        m_op.setOwner(m_window);
    }

    void cleanup() { m_rig.reset(); }

    void aWholeUpgradeRehearsedOnTheBench()
    {
        const sim::BoardModel existing = m_session->model();
        const QString oldCard = m_session->cardFolder(DemoSession::Card::OldBoard);
        const QString newCard = m_session->cardFolder(DemoSession::Card::Replacement);
        const QStringList logs = QDir(oldCard).entryList({"*.csv", "*.CSV"}, QDir::Files);
        QVERIFY(!logs.isEmpty());
        using Board = DemoSession::Board;
        using Card = DemoSession::Card;

        ModalRobot robot(kWatchdogMs);
        robot.answer("Operator Name", "Please enter you name", "OK", "Jo Bloggs")
            .answer("Backup Existing board", "Please check Existing Q7 is powered up", "OK")
            .answer("Site License Dialog", "", "OK", "DEMO1")
            .answer("Q7 Hardware Revision", "for the Existing Q7 board", "OK", "R1.2")
            .answer("SFO Number Dialog", "Please enter the SFO number", "OK", "123456789")
            .answer("Add Comments", "Would you like to add some comments to the report?", "&No")
            .answer("", "CCS information from Existing Q7 board collected successfully", "OK")
            .answer("", "Please power down the Existing Q7 board.", "OK")
            // The card goes in once OK is pressed, as the box says.
            .expect("Transfering Data files to SD Card", "immediately insert SD Card into PC",
                    [this](QWidget* modal) {
                        if (ModalRobot::pressButton(modal, "OK"))
                            clickOnBench("InsertOldCard");
                    })
            .answer("", QString("Copied a total of %1 data files from the SD Card.").arg(logs.size()), "OK")
            .answer("", "Remove SD Card from PC and insert back into Existing Q7 board.", "OK")
            .answer("", "Remove SD Card from tray of Replacement board.", "OK")
            .expect("Transfering Data files", "immediately insert SD Card into PC",
                    [this](QWidget* modal) {
                        if (ModalRobot::pressButton(modal, "OK"))
                            clickOnBench("InsertReplacementCard");
                    })
            .answer("", QString("Copied a total of %1 data files to the SD Card.").arg(logs.size()), "OK")
            .answer("", "Remove SD Card from PC and insert back into Upgrade board.", "OK")
            .expect(
                "New board installation", "Replace Existing Q7 board with Upgrade board",
                benchThenPress(
                    "SwapToReplacement", [this] { return m_session->board() == Board::Replacement; }, "OK"))
            .answer("Replacement board commisioning", "Power up Q7", "OK")
            .answer("Q7 Hardware Revision", "for the Replacement Q7 board", "OK", "R1.3")
            .answer("SFO Number Dialog", "Please enter the SFO number", "OK", "123456790")
            .answer("Add Comments", "Would you like to add some comments to the report?", "&No")
            .expect("Images", "connect camera or insert media card",
                    benchThenPress(
                        "InsertCameraCard", [this] { return m_session->cameraCardInserted(); }, "&Yes"))
            .expect(
                "Select all images you want to add to Data Folder", "",
                [this](QWidget* modal) {
                    auto* dialog = qobject_cast<QFileDialog*>(modal);
                    if (!dialog || QDir(dialog->directory()).canonicalPath() !=
                                       QDir(m_session->cameraFolder()).canonicalPath())
                        ModalRobot::failAndClose(modal, "it does not open on the camera card");
                    else if (!ModalRobot::type(modal, R"("IMG_0001.JPG" "IMG_0002.JPG" "IMG_0003.JPG")") ||
                             !ModalRobot::pressButton(modal, "&Open"))
                        ModalRobot::failAndClose(modal, "the photographs cannot be chosen");
                })
            .answer("", "A total of 3 images were copied to the data folder", "OK")
            .answer("", "CC information updated in Replacement Q7 board successfully", "OK")
            .answer("", "Upgrade process successfully completed.", "OK");

        QElapsedTimer took;
        took.start();
        m_window->show();
        m_bench->show();
        auto* start = m_window->findChild<QPushButton*>("UpgradeBtn");
        QTRY_VERIFY_WITH_TIMEOUT(start->isVisible(), kWatchdogMs);
        start->click();
        qInfo("the rehearsed upgrade took %lld ms", took.elapsed());
        QVERIFY2(robot.done(), "windows the upgrade should have shown did not come");
        QVERIFY(start->isHidden());
        QVERIFY(m_session->insertedCard() == Card::Replacement);

        // The site folder: the backups as the old board held them, its logs and photographs, both
        // reports, the replacement board's own records, the restore's record and the session log.
        const QString root = m_window->bench().dataFolderRoot;
        const QDir site(root + "DEMO1");
        QCOMPARE(contentOf(site.filePath("backup_conf.bin")), existing.structures[sim::BoardModel::kConfig]);
        QCOMPARE(contentOf(site.filePath("backup_cal.bin")), existing.structures[sim::BoardModel::kCal]);
        QCOMPARE(contentOf(site.filePath("backup_BasicCal.bin")),
                 existing.structures[sim::BoardModel::kBasicCal]);
        for (const char* name : {"Backup_Totalisers.bin", "conf.bin", "cal.bin", "BasicCal.bin",
                                 "Restore Record.txt", "Session Log.txt", "backup.sha256"})
            QVERIFY2(QFileInfo(site.filePath(name)).size() > 0, name);
        QCOMPARE(site.entryList({"Totalisers Log - *.txt"}, QDir::Files).size(), 1);
        QCOMPARE(site.entryList({"Pre Upgrade Report _DEMO1_*.pdf"}, QDir::Files).size(), 1);
        QCOMPARE(site.entryList({"Post Upgrade Q7 Report _DEMO1_*.pdf"}, QDir::Files).size(), 1);
        QVERIFY(contentOf(site.filePath("Restore Record.txt")).contains("Read-back: identical"));
        for (const QString& log : logs) {
            QCOMPARE(contentOf(site.filePath(log)), contentOf(oldCard + '/' + log));
            QCOMPARE(contentOf(newCard + '/' + log), contentOf(oldCard + '/' + log));
        }
        for (const QString& photo : QDir(m_session->cameraFolder()).entryList(QDir::Files))
            QCOMPARE(contentOf(site.filePath(photo)), contentOf(m_session->cameraFolder() + '/' + photo));

        // The replacement board carries the old one's calibration and totals, and its
        // configuration but for the settings a board keeps of its own.
        const sim::BoardModel replacement = m_session->model();
        QCOMPARE(replacement.structures[sim::BoardModel::kCal], existing.structures[sim::BoardModel::kCal]);
        QCOMPARE(replacement.factoryCal, existing.structures[sim::BoardModel::kCal]);
        QCOMPARE(replacement.totals, existing.totals);
        const QByteArray config = replacement.structures[sim::BoardModel::kConfig];
        const QByteArray oldConfig = existing.structures[sim::BoardModel::kConfig];
        QCOMPARE(config.size(), oldConfig.size());
        for (qsizetype at = 0; at < config.size(); ++at)
            if (at < 278 || at > 285)
                QVERIFY2(config[at] == oldConfig[at], qPrintable(QString("configuration byte %1").arg(at)));

        const QList<QByteArray> summary = contentOf(root + "SummaryLog.csv").split('\n');
        QCOMPARE(summary.size(), 3); // the header, the upgrade's line, nothing after the last CR LF
        QVERIFY(summary[1].startsWith("Jo Bloggs,") || summary[1].contains(",Jo Bloggs,"));
        QVERIFY(summary[1].contains(",DEMO1,") || summary[1].startsWith("DEMO1,"));
        QCOMPARE(summary[1].count(','), 38);
    }
};

QTEST_MAIN(TestDemoUpgrade)
#include "TestDemoUpgrade.moc"
