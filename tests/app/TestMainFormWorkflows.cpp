#include "AppFolders.h"
#include "Clock.h"
#include "FileBrowser.h"
#include "ManualVolumeWatch.h"
#include "Ports.h"
#include "ScriptedOperator.h"
#include "SimulatedBoard.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using Answer = Operator::Answer;

namespace {
class NoFileBrowser : public FileBrowser
{
public:
    bool openFolder(const QString&) override { return true; }
};
} // namespace

// The main window's menu items run their workflows on the window's own workbench.
class TestMainFormWorkflows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<sim::SimulatedBoard> m_board;
    ScriptedOperator m_op;
    FastClock m_clock;
    std::unique_ptr<AppFolders> m_folders;
    std::unique_ptr<SerialPorts> m_ports;
    NoFileBrowser m_browser;
    ManualVolumeWatch m_volumes;
    std::unique_ptr<TQ7UpgradeUtilityMainForm> m_window;

    QAction* item(const char* name) const { return m_window->findChild<QAction*>(QLatin1String(name)); }
    bool siteItemsEnabled() const
    {
        return item("CopydatafilesfromSDcard1")->isEnabled() && item("CopyfilestoSDCard1")->isEnabled() &&
               item("AddImagestoFolder")->isEnabled();
    }
    bool siteItemsDisabled() const
    {
        return !item("CopydatafilesfromSDcard1")->isEnabled() && !item("CopyfilestoSDCard1")->isEnabled() &&
               !item("AddImagestoFolder")->isEnabled();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkdir(m_dir->filePath("roaming")));
        m_board = std::make_unique<sim::SimulatedBoard>(sim::BoardModel::existing());
        QString error;
        QVERIFY2(m_board->start(&error), qPrintable(error));
        m_op = ScriptedOperator();
        m_folders = std::make_unique<AppFolders>(m_dir->filePath("roaming"));
        m_ports =
            std::make_unique<SerialPorts>(QStringList{m_board->devicePath()}, SerialPorts::System::Excluded);
        m_window = std::make_unique<TQ7UpgradeUtilityMainForm>(
            MainFormServices{m_op, m_clock, *m_folders, m_browser, m_volumes,
                             m_dir->filePath("Q7UpgradeUtility.ini"), nullptr, m_ports.get()});
        m_window->bench().operatorName = "Jo Bloggs";
        m_window->findChild<QPushButton*>("UpgradeBtn")->show();
    }
    void cleanup()
    {
        m_window.reset();
        m_board.reset();
    }

    void collectCcsDataItemRunsTheBackup()
    {
        QVERIFY2(siteItemsDisabled(), "no site is selected at start");
        m_op.answer(Answer::Ok)
            .answerLicense("ab.c 1")
            .answerText("R1")
            .answerSfo("SFO 12345 6789")
            .answer(Answer::No);
        item("BackupSite1")->trigger();
        QVERIFY(m_op.scriptDone());
        QCOMPARE(m_op.texts(ScriptedOperator::Kind::Message).last(),
                 QString("CCS information from Existing Q7 board collected successfully"));
        QCOMPARE(m_window->windowTitle(),
                 QString("Q7 Upgrade Utility   Site License/Data Directory = AB_C1"));
        QVERIFY(siteItemsEnabled());
        QVERIFY(m_window->findChild<QPushButton*>("UpgradeBtn")->isHidden());
        QVERIFY(QFile::exists(m_window->bench().dataFolderRoot + "ab_c1/backup_conf.bin"));
    }

    void generateReportItemRunsTheReport()
    {
        m_op.answerLicense("S2").answerSfo("SFO 12345 6789").answer(Answer::No);
        item("GenerateReport1")->trigger();
        QVERIFY(m_op.scriptDone());
        QCOMPARE(m_op.texts(ScriptedOperator::Kind::Message).last(),
                 QString("Report generated successfully"));
        QVERIFY(m_window->findChild<QPushButton*>("UpgradeBtn")->isHidden());
        QCOMPARE(
            QDir(m_window->bench().dataFolderRoot + "S2").entryList({"Q7 Report *.pdf"}, QDir::Files).size(),
            1);
    }
};

QTEST_MAIN(TestMainFormWorkflows)
#include "TestMainFormWorkflows.moc"
