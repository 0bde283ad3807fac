#include "ToolRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The support bundle as a support engineer gets it: a zip that any unzip opens, holding one
// site's folder, that site's summary lines and the program's version.
class TestBundleCommand : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_data;
    const QByteArray m_config = QByteArray("\x00\x01\xfe\xff\r\n", 6).repeated(55);

    static ToolRun q7ctl(const QStringList& arguments)
    {
        return runTool(QString(Q7_BINARY_DIR) + "/q7ctl", QStringList{"bundle"} + arguments);
    }

    static bool write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    static const QByteArray kHeader;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_data = m_dir.filePath("Data");
        // The folder is named as the licence was typed; the summary stores it in upper case.
        QVERIFY(write(m_data + "/site_7/CONFIG.BIN", m_config));
        QVERIFY(write(m_data + "/site_7/Session Log.txt", "2024-03-05 09:07:11  Backup started\r\n"));
        QVERIFY(write(m_data + "/site_7/Images/meter.jpg", QByteArray(5000, 'j')));
        // What a writer killed part-way leaves beside its target: no file of the site's.
        QVERIFY(write(m_data + "/site_7/CONFIG.BIN~q7-QKkp7j.tmp", m_config.left(100)));
        QVERIFY(write(m_data + "/OTHER/CONFIG.BIN", "other site"));
        QVERIFY(write(m_dir.filePath("outside.txt"), "not the site's"));
        QVERIFY(QFile::link(m_dir.filePath("outside.txt"), m_data + "/site_7/outside.txt"));
        QVERIFY(write(m_data + "/SummaryLog.csv", kHeader + "SITE_7,101,first,\r\n"
                                                            "OTHER,102,x,\r\n"
                                                            "SITE_77,103,x,\r\n"
                                                            "SITE_7,101,second,\r\n"));
    }

    void siteBundle()
    {
        const QString out = m_dir.filePath("site7.zip");
        // The data folder as typed in a shell: relative to where q7ctl runs.
        const ToolRun run =
            q7ctl({"--data", QDir::current().relativeFilePath(m_data), "--licence", "Site.7", "--out", out});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));

        const ToolRun test = runTool("unzip", {"-t", out});
        QVERIFY2(test.exitCode == 0, qPrintable(test.out + test.err));
        const ToolRun names = runTool("unzip", {"-Z1", out});
        QCOMPARE(names.out.split('\n', Qt::SkipEmptyParts),
                 QStringList({"site_7/CONFIG.BIN", "site_7/Images/meter.jpg", "site_7/Session Log.txt",
                              "SummaryLog.csv", "VERSION.txt"}));

        const auto entry = [&out](const QString& name) {
            QProcess unzip;
            unzip.start("unzip", {"-p", out, name});
            unzip.waitForFinished();
            return unzip.readAllStandardOutput();
        };
        QCOMPARE(entry("site_7/CONFIG.BIN"), m_config);
        QCOMPARE(entry("SummaryLog.csv"), kHeader + "SITE_7,101,first,\r\nSITE_7,101,second,\r\n");
        const QString version = QString::fromLocal8Bit(entry("VERSION.txt"));
        QVERIFY2(version.startsWith("Q7 Upgrade Utility ") && version.contains("\r\nQt: ") &&
                     version.contains("Site licence: SITE_7\r\n"),
                 qPrintable(version));
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");

        const QString data = m_dir.filePath("Data");
        const QString out = m_dir.filePath("refused.zip");
        QTest::addRow("no licence") << QStringList{"--data", data, "--out", out} << 2 << "usage:";
        QTest::addRow("licence without a key")
            << QStringList{"--data", data, "--licence", "-+-", "--out", out} << 2 << "has no letter or digit";
        QTest::addRow("unknown site") << QStringList{"--data", data, "--licence", "SITE_8", "--out", out} << 1
                                      << "no site folder for licence SITE_8";
        QTest::addRow("no data folder")
            << QStringList{"--data", data + "/nowhere", "--licence", "SITE_7", "--out", out} << 1
            << "no such data folder";
        QTest::addRow("output folder missing")
            << QStringList{"--data", data,    "--licence",
                           "SITE_7", "--out", m_dir.filePath("nowhere/refused.zip")}
            << 1 << "cannot write";
    }

    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        const ToolRun run = q7ctl(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        QVERIFY(!QFile::exists(m_dir.filePath("refused.zip")));
        QVERIFY(!QFile::exists(m_dir.filePath("nowhere")));
    }
};

const QByteArray TestBundleCommand::kHeader = "Site_License,MeterID,Upgrade_Date/Time,\r\n";

QTEST_GUILESS_MAIN(TestBundleCommand)
#include "TestBundleCommand.moc"
