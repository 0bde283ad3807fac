#include "SiteSelection.h"
#include "WorkflowBench.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using Answer = Operator::Answer;

namespace {
const QString kCaptionPrefix = "Q7 Upgrade Utility   Site License/Data Directory = ";
const QString kFolderExists =
    "Directory exists, files will be over written.\nAre you sure you want to continue?";
} // namespace

class TestSiteSelection : public QObject
{
    Q_OBJECT

    std::unique_ptr<WorkflowBench> m_wb;

    Workbench& bench() { return m_wb->bench(); }

private slots:
    void init()
    {
        m_wb = std::make_unique<WorkflowBench>();
        QString error;
        QVERIFY2(m_wb->start(&error), qPrintable(error));
    }
    void cleanup() { m_wb.reset(); }

    void licenceNamesAFolderUnderTheRoot_data()
    {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("licence");
        QTest::addRow("typed") << "ab.c 1"
                               << "ab_c1"
                               << "AB_C1";
        QTest::addRow("pasted parent folder") << "../x"
                                              << "__x"
                                              << "__X";
        QTest::addRow("pasted sub folder") << "a/b"
                                           << "ab"
                                           << "AB";
    }
    void licenceNamesAFolderUnderTheRoot()
    {
        QFETCH(QString, entered);
        QFETCH(QString, folder);
        QFETCH(QString, licence);
        bench().siteState.setStep(SiteState::IMAGES_ADDED);
        m_wb->op().answerLicense(entered);
        QVERIFY(selectSite(bench()));
        QCOMPARE(bench().siteLicense, licence);
        QCOMPARE(bench().siteDataDir, bench().dataFolderRoot + folder + "/");
        QCOMPARE(QDir(bench().dataFolderRoot).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{folder});
        QCOMPARE(m_wb->view().captions, QStringList{kCaptionPrefix + licence});
        QCOMPARE(m_wb->view().siteItems.last(), true);
        QVERIFY2(!bench().siteState.stepSet(SiteState::IMAGES_ADDED), "a fresh site state");

        // Once selected, the site stays: nothing is asked and nothing cleared.
        bench().siteState.setStep(SiteState::BACKUP_CC);
        QVERIFY(selectSite(bench()));
        QVERIFY(bench().siteState.stepSet(SiteState::BACKUP_CC));
        QCOMPARE(m_wb->shownOf(ScriptedOperator::Kind::License).size(), 1);
    }

    void noSite_data()
    {
        QTest::addColumn<QString>("entered"); // empty: dialog cancelled
        QTest::addColumn<bool>("folderExists");
        QTest::addRow("cancelled") << QString() << false;
        QTest::addRow("nothing the filter keeps") << "/ -" << false;
        QTest::addRow("No to the overwrite question") << "s1" << true;
    }
    void noSite()
    {
        QFETCH(QString, entered);
        QFETCH(bool, folderExists);
        if (folderExists) {
            QVERIFY(QDir().mkdir(bench().dataFolderRoot + entered));
            m_wb->op().answerLicense(entered).answer(Answer::No);
        } else {
            m_wb->op().answerLicense(entered.isEmpty() ? std::nullopt : std::optional<QString>(entered));
        }
        QVERIFY(!selectSite(bench()));
        QVERIFY(m_wb->op().scriptDone());
        QVERIFY(bench().siteLicense.isEmpty());
        QVERIFY(!m_wb->view().siteItems.isEmpty() && !m_wb->view().siteItems.last());
        QVERIFY(m_wb->view().captions.isEmpty());
        QCOMPARE(m_wb->op().texts(ScriptedOperator::Kind::Message),
                 folderExists ? QStringList{kFolderExists} : QStringList());
    }

    void yesKeepsTheFolderAsItIs()
    {
        const QString folder = bench().dataFolderRoot + "s1/";
        QVERIFY(QDir().mkdir(folder));
        QFile earlier(folder + "backup_conf.bin");
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("kept") == 4);
        earlier.close();
        m_wb->op().answerLicense("s1").answer(Answer::Yes);
        QVERIFY(selectSite(bench()));
        QCOMPARE(m_wb->shownOf(ScriptedOperator::Kind::Message).first().caption, QString("Warning"));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("kept"));
    }

    void folderTheFileSystemCannotTake()
    {
        m_wb->op().answerLicense(QString(300, 'a'));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, selectSite(bench()));
        QVERIFY(bench().siteLicense.isEmpty());
        QVERIFY(!m_wb->view().siteItems.isEmpty() && !m_wb->view().siteItems.last());
    }
};

QTEST_GUILESS_MAIN(TestSiteSelection)
#include "TestSiteSelection.moc"
