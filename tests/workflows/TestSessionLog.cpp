#include "AppFolders.h"
#include "Clock.h"
#include "ManualVolumeWatch.h"
#include "Ports.h"
#include "Q7Port.h"
#include "ScriptedOperator.h"
#include "SessionLog.h"
#include "SiteSelection.h"
#include "WholeFile.h"
#include "Workbench.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The wall clock stands still unless the test moves it, so every stamp is known.
class StillClock : public FastClock
{
public:
    QDateTime currentDateTime() const override { return at; }
    QDateTime at = QDateTime(QDate(2024, 3, 5), QTime(9, 7, 11));
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSessionLog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedOperator m_op;
    StillClock m_clock;
    SerialPorts m_ports{{}, SerialPorts::System::Excluded};
    ManualVolumeWatch m_volumes;
    std::unique_ptr<AppFolders> m_folders;

    std::unique_ptr<Workbench> makeBench()
    {
        return std::make_unique<Workbench>(WorkbenchServices{m_op, m_clock, m_ports, m_volumes, *m_folders,
                                                             m_dir->filePath("Q7UpgradeUtility.ini")});
    }
    QString dataRoot() const { return m_dir->filePath("roaming/Q7UpgradeUtility/Data/"); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(m_dir->filePath("roaming")));
        m_folders = std::make_unique<AppFolders>(m_dir->filePath("roaming"));
        m_op = ScriptedOperator();
        m_clock.at = QDateTime(QDate(2024, 3, 5), QTime(9, 7, 11));
    }

    // A short session: what happens before the site is known waits for it, then everything the
    // technician saw and answered, the link's faults and the files written arrive as lines.
    void scriptedSession()
    {
        QVERIFY(QDir().mkpath(dataRoot() + "site_7"));
        auto bench = makeBench();
        bench->setOperatorName("Jo Bloggs");
        Q7Port link(m_clock);
        bench->connectLinkEvents(link);
        const QString logPath = dataRoot() + "site_7/" + SessionLog::kFileName;

        bench->sessionLog().workflowStarted("Backup");
        m_op.answerLicense(QStringLiteral("site.7")).answer(Operator::Answer::Yes);
        QVERIFY(selectSite(*bench));
        QVERIFY(QFile::exists(logPath));

        m_clock.at = m_clock.at.addSecs(2);
        {
            auto progress = bench->op().createProgress();
            progress->setProgress("Backup", "Reading configuration", 10);
            progress->setProgress("Backup", "Reading configuration", 60);
            progress->setProgress("Backup", "Reading calibration", 80);
        }
        link.OnPortDebugEvent(link, QStringLiteral("file:Q7Port line: 412"));
        bench->op().setStatus(QStringLiteral("Board found"));

        // The bytes of a configuration record would hold the access codes; only the digest of
        // the file may reach the log.
        QByteArray record(332, '\0');
        record[106] = char(0x67);
        record[107] = char(0x12);
        QVERIFY(writeWholeFile(bench->siteDataDir + "CONFIG.BIN", record).ok);
        QVERIFY(writeWholeFile(bench->siteDataDir + "CONFIG.BIN", record).ok); // the same again
        QVERIFY(!writeWholeFile(bench->siteDataDir + "missing/CONFIG.BIN", record).ok);
        QCOMPARE(bench->op().message("Backup completed.", "", Operator::Buttons::Ok, Operator::Icon::None),
                 Operator::Answer::Ok);
        bench->sessionLog().workflowEnded(true);

        const QByteArray digest = QCryptographicHash::hash(record, QCryptographicHash::Sha256).toHex();
        const QByteArray expected =
            "2024-03-05 09:07:11  Program started\r\n"
            "2024-03-05 09:07:11  Operator: \"Jo Bloggs\"\r\n"
            "2024-03-05 09:07:11  Backup started\r\n"
            "2024-03-05 09:07:11  Site licence -> \"site.7\"\r\n"
            "2024-03-05 09:07:11  Message \"Warning\": Directory exists, files will be "
            "over written. / Are you sure you want to continue? -> Yes\r\n"
            "2024-03-05 09:07:11  Site selected: SITE_7\r\n"
            "2024-03-05 09:07:13  Step: Backup - Reading configuration\r\n"
            "2024-03-05 09:07:13  Step: Backup - Reading calibration\r\n"
            "2024-03-05 09:07:13  Link fault: file:Q7Port line: 412\r\n"
            "2024-03-05 09:07:13  Status: Board found\r\n"
            "2024-03-05 09:07:13  File written: site_7/CONFIG.BIN, 332 bytes, SHA-256 " +
            digest +
            "\r\n"
            "2024-03-05 09:07:13  Message: Backup completed. -> OK\r\n"
            "2024-03-05 09:07:13  Backup succeeded\r\n";
        const QByteArray log = readAll(logPath);
        QCOMPARE(log, expected);
        QCOMPARE(log.count('\n'), log.count("\r\n"));
        QVERIFY(!log.contains("4711"));
        QCOMPARE(bench->sessionLog().pendingLines(), 0);
        // The link fault reached the status line once, as before.
        QCOMPARE(m_op.statusTexts(), QStringList({"file:Q7Port line: 412", "Board found"}));
    }

    // A later run at the same site adds to the log; the earlier lines stay as they were.
    void laterRunAppends()
    {
        const QString logPath = dataRoot() + "site_7/" + SessionLog::kFileName;
        QVERIFY(QDir().mkpath(dataRoot() + "site_7"));
        const QByteArray earlier = "2024-03-04 17:00:00  Restore failed\r\n";
        QVERIFY(writeWholeFile(logPath, earlier).ok);

        auto bench = makeBench();
        m_op.answerLicense(QStringLiteral("site_7")).answer(Operator::Answer::Yes);
        QVERIFY(selectSite(*bench));
        bench->sessionLog().workflowStarted("Restore");
        bench->sessionLog().workflowEnded(false);
        // A routine line waits a moment for company, then reaches the file on its own.
        bench->op().setStatus("No board");
        QCOMPARE(bench->sessionLog().pendingLines(), 1);
        QTRY_COMPARE(bench->sessionLog().pendingLines(), 0);

        const QList<QByteArray> lines = readAll(logPath).split('\n');
        QVERIFY(lines.size() > 4);
        QCOMPARE(lines.first() + '\n', earlier);
        QCOMPARE(lines.at(lines.size() - 4), QByteArray("2024-03-05 09:07:11  Restore started\r"));
        QCOMPARE(lines.at(lines.size() - 3), QByteArray("2024-03-05 09:07:11  Restore failed\r"));
        QCOMPARE(lines.at(lines.size() - 2), QByteArray("2024-03-05 09:07:11  Status: No board\r"));
        QCOMPARE(lines.last(), QByteArray());
    }

    // Without a site nothing is written anywhere; the lines wait in memory.
    void noSiteNoFile()
    {
        auto bench = makeBench();
        m_op.answerLicense(std::nullopt);
        QVERIFY(!selectSite(*bench));
        bench->op().setStatus("No board");
        QVERIFY(bench->sessionLog().pendingLines() >= 2);
        QCOMPARE(QDir(dataRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSessionLog)
#include "TestSessionLog.moc"
