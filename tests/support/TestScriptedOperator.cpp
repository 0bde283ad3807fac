// The scripted operator's promise to every workflow test: a question the script does not
// answer ends the test at once, naming the question, instead of letting the workflow carry on
// with a made-up answer. Each case runs in a child process (this program, one test function),
// because ending the process is exactly what is being checked.
#include "AppFolders.h"
#include "Clock.h"
#include "FileBrowser.h"
#include "ManualVolumeWatch.h"
#include "ScriptedOperator.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include "ToolRun.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class NoFileBrowser : public FileBrowser
{
public:
    bool openFolder(const QString&) override { return false; }
};

} // namespace

class TestScriptedOperator : public QObject
{
    Q_OBJECT

    // The main window asks for the operator's name until it gets one: the loop that used to
    // spin until the test runner gave up when the script ran dry.
    void showMainWindow(ScriptedOperator& op)
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("roaming"));
        FastClock clock;
        AppFolders folders(dir.filePath("roaming"));
        NoFileBrowser browser;
        ManualVolumeWatch volumes;
        TQ7UpgradeUtilityMainForm window(
            MainFormServices{op, clock, folders, browser, volumes, dir.filePath("settings.ini")});
        window.show();
        auto* button = window.findChild<QPushButton*>("UpgradeBtn");
        QTRY_VERIFY_WITH_TIMEOUT(button->isVisible(), 60'000);
    }

private slots:
    void unansweredQuestionEndsTheTestAtOnce_data()
    {
        QTest::addColumn<QString>("child");
        QTest::addColumn<QString>("message");

        QTest::addRow("script ran out")
            << "childWithEmptyScript"
            << "the script has no answer left for a input question: \"Please enter you name\"";
        QTest::addRow("answer of another kind")
            << "childWithLicenceAnswer"
            << "the script's next answer is for a license question, but a input question was asked: "
               "\"Please enter you name\"";
    }

    void unansweredQuestionEndsTheTestAtOnce()
    {
        QFETCH(QString, child);
        QFETCH(QString, message);
        QElapsedTimer elapsed;
        elapsed.start();
        const ToolRun run = runOwnTestFunction(child);
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString("took %1 ms").arg(elapsed.elapsed())));
        QVERIFY2(run.exitCode > 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains(message), qPrintable(run.out));
    }

    void childWithEmptyScript()
    {
        if (!isTestChild())
            QSKIP("run by unansweredQuestionEndsTheTestAtOnce");
        ScriptedOperator op;
        showMainWindow(op);
    }

    void childWithLicenceAnswer()
    {
        if (!isTestChild())
            QSKIP("run by unansweredQuestionEndsTheTestAtOnce");
        ScriptedOperator op;
        op.answerLicense("A123");
        showMainWindow(op);
    }
};

QTEST_MAIN(TestScriptedOperator)
#include "TestScriptedOperator.moc"
