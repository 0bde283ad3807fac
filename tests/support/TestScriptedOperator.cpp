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

#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* const kChildVariable = "Q7_SCRIPTED_OPERATOR_CHILD";

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
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildVariable, "1");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer elapsed;
        elapsed.start();
        process.start(QCoreApplication::applicationFilePath(), {child});
        QVERIFY(process.waitForFinished(30'000));
        const QString output = QString::fromUtf8(process.readAll());
        QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QString("took %1 ms").arg(elapsed.elapsed())));
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() != 0, qPrintable(output));
        QVERIFY2(output.contains(message), qPrintable(output));
    }

    void childWithEmptyScript()
    {
        if (!qEnvironmentVariableIsSet(kChildVariable))
            QSKIP("run by unansweredQuestionEndsTheTestAtOnce");
        ScriptedOperator op;
        showMainWindow(op);
    }

    void childWithLicenceAnswer()
    {
        if (!qEnvironmentVariableIsSet(kChildVariable))
            QSKIP("run by unansweredQuestionEndsTheTestAtOnce");
        ScriptedOperator op;
        op.answerLicense("A123");
        showMainWindow(op);
    }
};

QTEST_MAIN(TestScriptedOperator)
#include "TestScriptedOperator.moc"
