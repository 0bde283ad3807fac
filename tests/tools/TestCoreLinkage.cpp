// q7ctl is the proof that the core runs without a GUI: it must not load Qt Widgets or Qt
// PrintSupport, and it renders a report with no display and no platform plugin.
#include "ToolRun.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestCoreLinkage : public QObject
{
    Q_OBJECT

    static QStringList neededLibraries(const QString& binary)
    {
        const ToolRun run = runTool("readelf", {"-d", binary});
        if (run.exitCode != 0)
            return {"<readelf failed: " + run.err + ">"};
        QStringList needed;
        static const QRegularExpression entry(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
        for (auto it = entry.globalMatch(run.out); it.hasNext();)
            needed << it.next().captured(1);
        return needed;
    }

private slots:
    void noWidgetsInTheCore_data()
    {
        QTest::addColumn<QString>("binary");
        QTest::addRow("q7ctl") << "q7ctl";
        // The workbench, the link, the report and the test support together.
        QTest::addRow("a workbench test") << "TestWorkbench";
    }

    void noWidgetsInTheCore()
    {
        QFETCH(QString, binary);
        const QStringList needed = neededLibraries(QString(Q7_BINARY_DIR) + "/" + binary);
        QVERIFY2(needed.contains("libQt6Core.so.6"), qPrintable(needed.join(' ')));
        for (const QString& library : needed) {
            QVERIFY2(!library.startsWith("libQt6Widgets"), qPrintable(needed.join(' ')));
            QVERIFY2(!library.startsWith("libQt6PrintSupport"), qPrintable(needed.join(' ')));
        }
    }

    void q7ctlRendersWithoutADisplay()
    {
        QTemporaryDir dir;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        process.setProcessEnvironment(env);
        process.start(
            QString(Q7_BINARY_DIR) + "/q7ctl",
            {"render-rows", QString(Q7_TEST_DATA_DIR) + "/reportengine/site.rows", "--out", dir.path()});
        QVERIFY(process.waitForFinished(60'000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, qPrintable(err));
        QCOMPARE(QDir(dir.path()).entryList({"*.pdf"}, QDir::Files).size(), 1);
    }
};

QTEST_MAIN(TestCoreLinkage)
#include "TestCoreLinkage.moc"
