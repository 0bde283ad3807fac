#include "AppFolders.h"
#include "Clock.h"
#include "FileBrowser.h"
#include "ManualVolumeWatch.h"
#include "PtyPeer.h"
#include "Q7Port.h"
#include "ScriptedOperator.h"
#include "SummaryLogWriter.h"
#include "TQ7UpgradeUtilityMainForm.h"
#include "TVaComm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Kind = ScriptedOperator::Kind;

namespace {

class RecordingFileBrowser : public FileBrowser
{
public:
    bool openFolder(const QString& folder) override
    {
        opened << folder;
        return true;
    }
    QStringList opened;
};

class FailingSummaryLog : public SummaryLogWriter
{
public:
    explicit FailingSummaryLog(int failures) : m_failures(failures) {}
    SummaryLogWriterResult writeSummaryLine(Workbench&) override
    {
        ++attempts;
        if (attempts > m_failures)
            return {true, {}, {}};
        return {false, QStringLiteral("log held open %1").arg(attempts), {}};
    }
    int attempts = 0;

private:
    int m_failures;
};

const QString kCancel = QStringLiteral("<cancel>");

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedOperator m_op;
    FastClock m_clock;
    std::unique_ptr<AppFolders> m_folders;
    RecordingFileBrowser m_browser;
    ManualVolumeWatch m_volumes;

    QString userData() const { return m_dir->filePath("roaming"); }
    QString settingsPath() const { return m_dir->filePath("Q7UpgradeUtility.ini"); }

    std::unique_ptr<TQ7UpgradeUtilityMainForm> makeWindow(SummaryLogWriter* log = nullptr)
    {
        return std::make_unique<TQ7UpgradeUtilityMainForm>(
            MainFormServices{m_op, m_clock, *m_folders, m_browser, m_volumes, settingsPath(), log});
    }

    // The text each operator-name prompt was filled with.
    QStringList initials() const
    {
        QStringList out;
        for (const auto& shown : m_op.shown(Kind::Input))
            out << shown.initial;
        return out;
    }

    static QStringList texts(const QList<QAction*>& actions)
    {
        QStringList out;
        for (const QAction* action : actions)
            out << action->text();
        return out;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkdir(userData()));
        m_folders = std::make_unique<AppFolders>(userData());
        m_op = ScriptedOperator();
    }

    void firstRunThenSecondRun()
    {
        const QString appFolder = userData() + "/Q7UpgradeUtility";
        {
            auto window = makeWindow();
            QVERIFY(QFileInfo(appFolder + "/Data").isDir());
            QCOMPARE(window->bench().dataFolderRoot, appFolder + "/Data/");
            QCOMPARE(window->bench().siteDataDir, window->bench().dataFolderRoot);
            QVERIFY(window->autoDetectQ7());
            QVERIFY(!window->openReportOnCompletion());
            QCOMPARE(window->bench().operatorName, QString());
            QVERIFY(m_op.shown().isEmpty());
            QVERIFY2(m_volumes.isStarted(), "the window registers for volume notifications");
            QVERIFY(!QFile::exists(settingsPath()));

            window->findChild<QAction*>("AutoDetectQ7")->trigger();
            window->bench().operatorName = "Ann";
            window->findChild<QAction*>("Exit1")->trigger();
        }
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("[Defaults]\r\nComport=\r\nAutoDetectQ7=0\r\nOpenReportOnCompletion=0\r\n"
                            "OperatorName=Ann\r\n"));

        QFile marker(appFolder + "/Data/site.txt");
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        auto second = makeWindow();
        QVERIFY2(marker.exists(), "existing folders are used as they are");
        QCOMPARE(QDir(userData()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"Q7UpgradeUtility"});
        QCOMPARE(QDir(appFolder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"Data"});
        QVERIFY(!second->autoDetectQ7());
        QCOMPARE(second->bench().operatorName, QString("Ann"));
        QVERIFY(m_op.shown().isEmpty());
    }

    void folderFailures_data()
    {
        QTest::addColumn<QString>("blocked"); // path, below the user data folder, taken by a file
        QTest::addColumn<QStringList>("messages");

        QTest::addRow("application folder")
            << "Q7UpgradeUtility" << QStringList{"unable to create directory"};
        QTest::addRow("data folder") << "Q7UpgradeUtility/Data" << QStringList{};
    }

    void folderFailures()
    {
        QFETCH(QString, blocked);
        QFETCH(QStringList, messages);
        QDir().mkpath(QFileInfo(userData() + "/" + blocked).absolutePath());
        QFile file(userData() + "/" + blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        try {
            makeWindow();
            QFAIL("the window was built without its data folder");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QString(error.what()), QString("Cannot create data directory."));
        }
        QCOMPARE(m_op.texts(Kind::Message), messages);
    }

    void menuAsTabled()
    {
        auto window = makeWindow();
        const QList<QAction*> top = window->menuBar()->actions();
        QCOMPARE(texts(top), (QStringList{"File", "-", "Settings", "-", "Upgrade", "-", "Manual Functions",
                                          "-", "Open Explorer"}));
        for (int i = 1; i < top.size(); i += 2)
            QVERIFY(top[i]->isSeparator());
        QCOMPARE(texts(top[0]->menu()->actions()), QStringList{"Exit"});
        QCOMPARE(texts(top[2]->menu()->actions()),
                 (QStringList{"Auto Detect Q7", "Open Report On Completion"}));
        QCOMPARE(texts(top[4]->menu()->actions()),
                 (QStringList{"Fully Automated Upgrade", "Backup Site using SD Card only ",
                              "Manual Configuration Upgrade"}));
        QCOMPARE(texts(top[6]->menu()->actions()),
                 (QStringList{"Collect CCS data from Existing Q7 board",
                              "Send CC data to Replacement Q7 board ", "Collect log files from SDCARD",
                              "Send log files to SD Card", "Add Images to Data Folder", "Generate Report"}));
        QVERIFY(!window->findChild<QAction*>("ManualConfigurationUpgradeAuto1")->isVisible());
        QVERIFY(window->findChild<QAction*>("AutoDetectQ7")->isCheckable());
        QVERIFY(window->findChild<QAction*>("OpenReportOnCompletion")->isCheckable());
        QCOMPARE(window->windowTitle(), QString("Q7 Upgrade Utility"));
    }

    void operatorPrompt_data()
    {
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QStringList>("answers"); // kCancel for Cancel, otherwise OK with the text
        QTest::addColumn<QStringList>("initials");
        QTest::addColumn<QString>("name");

        QTest::addRow("cancel and empty OK ask again")
            << "" << QStringList{kCancel, "", "Bob"} << QStringList{"", "", ""} << "Bob";
        QTest::addRow("blanks accepted as typed") << "" << QStringList{"   "} << QStringList{""} << "   ";
        QTest::addRow("loaded name offered and kept")
            << "Ann" << QStringList{kCancel, "Ann"} << QStringList{"Ann", "Ann"} << "Ann";
        QTest::addRow("empty OK clears the loaded name")
            << "Ann" << QStringList{"", "Carol"} << QStringList{"Ann", ""} << "Carol";
    }

    void operatorPrompt()
    {
        QFETCH(QString, loaded);
        QFETCH(QStringList, answers);
        if (!loaded.isEmpty()) {
            QFile file(settingsPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Defaults]\r\nOperatorName=" + loaded.toUtf8() + "\r\n");
        }
        for (const QString& answer : answers)
            m_op.answerText(answer == kCancel ? std::nullopt : std::optional<QString>(answer));

        auto window = makeWindow();
        auto* button = window->findChild<QPushButton*>("UpgradeBtn");
        window->show();
        QVERIFY(!button->isVisible());
        QTRY_VERIFY(button->isVisible());
        QVERIFY(m_op.scriptDone());
        QTEST(initials(), "initials");
        QTEST(window->bench().operatorName, "name");
        QCOMPARE(button->text(), QString("Start Full Auto Upgrade"));
        for (const auto& shown : m_op.shown()) {
            QCOMPARE(shown.caption, QString("Operator Name"));
            QCOMPARE(shown.text, QString("Please enter you name"));
        }
        // Once per run.
        QVERIFY(!window->findChild<QTimer*>("StartupTimer")->isActive());
        window->hide();
        window->show();
        QTest::qWait(250);
        QCOMPARE(initials().size(), answers.size());
    }

    void indicatorsRedForOnePeriodAfterTraffic()
    {
        auto window = makeWindow();
        auto* rx = window->findChild<QFrame*>("RxLed");
        auto* tx = window->findChild<QFrame*>("TxLed");
        const QColor red(255, 0, 0), green(0, 128, 0);
        auto colour = [](QFrame* led) { return led->palette().color(QPalette::Window); };
        QCOMPARE(colour(rx), green);
        QCOMPARE(colour(tx), green);

        window->onRxEvent();
        window->LedTimerTimer();
        QCOMPARE(colour(rx), red);
        QCOMPARE(colour(tx), green);
        window->LedTimerTimer();
        QCOMPARE(colour(rx), green);

        // With the window's own timer: continuous traffic stays red, then one period to green.
        auto* timer = window->findChild<QTimer*>("LedTimer");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 100);
        QTimer traffic;
        connect(&traffic, &QTimer::timeout, window.get(), &TQ7UpgradeUtilityMainForm::onTxEvent);
        traffic.start(20);
        QTRY_COMPARE(colour(tx), red);
        QTest::qWait(250);
        QCOMPARE(colour(tx), red);
        traffic.stop();
        QTRY_COMPARE_WITH_TIMEOUT(colour(tx), green, 250);
        QCOMPARE(colour(rx), green);
    }

    void statusLineAndOpenExplorer()
    {
        auto window = makeWindow();
        window->onPortDebugEvent("file:Q7Port line: 12");
        QCOMPARE(window->findChild<QLabel*>("StatusTxt")->text(), QString("file:Q7Port line: 12"));
        window->findChild<QAction*>("OpenExplorer1")->trigger();
        QCOMPARE(m_browser.opened, QStringList{window->bench().dataFolderRoot});
    }

    // The port name "Com0" asks the technician for the line settings; the port chosen there
    // is the one opened.
    void com0OpensThePortConfiguration()
    {
        auto window = makeWindow();
        PtyPeer board;
        QVERIFY(board.isOpen());
        Q7Port link(m_clock);
        window->bench().connectLinkEvents(link);
        m_op.answerPort(board.slavePath(), true);
        QVERIFY(link.OpenPort("Com0"));
        QVERIFY(link.portOpen);
        QCOMPARE(m_op.texts(ScriptedOperator::Kind::PortConfig), QStringList{QString()});
        QCOMPARE(link.comm().PortName, board.slavePath());
    }

    void closingWritesTheSummaryLineOnlyWhenDue_data()
    {
        QTest::addColumn<bool>("touched");
        QTest::addColumn<bool>("logged");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QStringList>("messages");

        QTest::addRow("nothing collected") << false << false << 0 << QStringList{};
        QTest::addRow("already logged") << true << true << 0 << QStringList{};
        QTest::addRow("due, retried until written")
            << true << false << 3 << QStringList{"log held open 1", "log held open 2"};
    }

    void closingWritesTheSummaryLineOnlyWhenDue()
    {
        QFETCH(bool, touched);
        QFETCH(bool, logged);
        FailingSummaryLog log(2);
        auto window = makeWindow(&log);
        window->bench().siteState.siteDataTouched = touched;
        window->bench().siteState.summaryLogged = logged;
        window->close();
        QTEST(log.attempts, "attempts");
        QTEST(m_op.texts(Kind::Message), "messages");
        QVERIFY2(QFile::exists(settingsPath()), "settings are saved on every close");
        QCOMPARE(window->bench().siteState.summaryLogged, touched);
    }
};

QTEST_MAIN(TestMainForm)
#include "TestMainForm.moc"
