// scripts/run on a machine without a display (a server, an ssh session): instead of a window
// that cannot open, a whole fully automated upgrade on simulated boards, told as it happens,
// then every file it produced with its path. Run on this build's programs.
#include "ToolRun.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Programs still running whose command line names folder: what a run left behind.
QStringList runningIn(const QString& folder)
{
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile cmdline("/proc/" + pid + "/cmdline");
        if (pid.toInt() > 0 && cmdline.open(QIODevice::ReadOnly)) {
            const QByteArray args = cmdline.readAll();
            if (args.contains(QFile::encodeName(folder)))
                found << pid + ": " + QString::fromLocal8Bit(args).replace(QChar(0), ' ');
        }
    }
    return found;
}

} // namespace

class TestRunScript : public QObject
{
    Q_OBJECT

private slots:
    void withoutADisplayItRehearsesAnUpgradeAndListsItsFiles()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("Q7_RUN_PREBUILT", Q7_BINARY_DIR);
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));

        const ToolRun run = runTool("bash", {QStringLiteral(Q7_SOURCE_DIR "/scripts/run")}, 170'000);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        // The simulated boards end with the run.
        QTRY_VERIFY2_WITH_TIMEOUT(runningIn(tmp.path()).isEmpty(),
                                  qPrintable(runningIn(tmp.path()).join('\n')), 10'000);
        QVERIFY2(run.out.startsWith(
                     "No display: rehearsing a fully automated upgrade on simulated boards in " + tmp.path()),
                 qPrintable(run.out.left(300)));

        // The texts in the order the technician would have seen them, questions with their answers,
        // on standard error as q7ctl prints them.
        qsizetype at = 0;
        for (const char* step :
             {"[Backup Existing board] Please check Existing Q7 is powered up",
              "[Site License Dialog] Enter Site License\n  -> DEMO1",
              "CCS information from Existing Q7 board collected successfully",
              "[Transfering Data files to SD Card] Press OK button and immediately insert SD Card",
              "Copied a total of 2 data files to the SD Card.",
              "[New board installation] Replace Existing Q7 board with Upgrade board",
              "[Q7 Rebooting] Waiting for Reboot process to complete 100 %",
              "CC information updated in Replacement Q7 board successfully",
              "Upgrade process successfully completed."}) {
            const qsizetype next = run.err.indexOf(QString::fromLatin1(step), at);
            QVERIFY2(
                next >= 0,
                qPrintable(QStringLiteral("\"%1\" after offset %2 in:\n%3").arg(step).arg(at).arg(run.err)));
            at = next;
        }

        // Every file listed is where it says, as large as it says.
        const qsizetype listed = run.out.indexOf("Files the upgrade produced:\n");
        QVERIFY2(listed > 0, qPrintable(run.out));
        const QString listing = run.out.mid(listed);
        static const QRegularExpression line(QStringLiteral("^  (/.+) \\((\\d+) bytes\\)$"),
                                             QRegularExpression::MultilineOption);
        QStringList names;
        for (const QRegularExpressionMatch& m : line.globalMatch(listing)) {
            const QFileInfo file(m.captured(1));
            QVERIFY2(file.isFile(), qPrintable(m.captured(1)));
            QCOMPARE(file.size(), m.captured(2).toLongLong());
            QVERIFY2(file.absoluteFilePath().startsWith(tmp.path() + '/'), qPrintable(m.captured(1)));
            names << file.fileName();
        }
        for (const char* expected :
             {"SummaryLog.csv", "backup_conf.bin", "backup_cal.bin", "backup_BasicCal.bin",
              "Backup_Totalisers.bin", "conf.bin", "Restore Record.txt", "Session Log.txt"})
            QVERIFY2(names.contains(QLatin1String(expected)), qPrintable(names.join(", ")));
        QCOMPARE(names.filter(QRegularExpression("^Pre Upgrade Report _DEMO1_.*\\.pdf$")).size(), 1);
        QCOMPARE(names.filter(QRegularExpression("^Post Upgrade Q7 Report _DEMO1_.*\\.pdf$")).size(), 1);
        QCOMPARE(
            names.filter(QRegularExpression("\\.CSV$", QRegularExpression::CaseInsensitiveOption)).size(), 3);
    }
};

QTEST_MAIN(TestRunScript)
#include "TestRunScript.moc"
