#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The temporaries a writer cut short leaves beside its target: told apart from the files of
// the site, and cleared by the next write into the folder, which must touch nothing else and
// no temporary still being written.
class TestWholeFile : public QObject
{
    Q_OBJECT

    static bool write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

private slots:
    void leftTemporaryNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("left");
        QTest::addRow("record") << "backup_conf.bin~q7-PuSW8V.tmp" << true;
        QTest::addRow("report") << "Pre Upgrade Report _K1_11_Dec_2026 11_31_13.pdf~q7-tVehzP.tmp" << true;
        QTest::addRow("technician's copy") << "FLOWLOG.CSV.backup" << false;
        QTest::addRow("another program's temporary") << "conf.bin.PuSWRV" << false;
        QTest::addRow("five letters") << "conf.bin~q7-AbCdE.tmp" << false;
        QTest::addRow("seven letters") << "conf.bin~q7-AbCdEfG.tmp" << false;
        QTest::addRow("not a letter") << "conf.bin~q7-AbC-Ef.tmp" << false;
        QTest::addRow("nothing before it") << "~q7-AbCdEf.tmp" << false;
        QTest::addRow("a target") << "Session Log.txt" << false;
    }
    void leftTemporaryNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, left);
        QCOMPARE(isLeftTemporaryName(name), left);
    }

    void aWriteClearsWhatEarlierWritersLeft()
    {
        QTemporaryDir dir;
        const QStringList leftovers{"conf.bin~q7-PuSW8V.tmp", "FLOWLOG.CSV~q7-QKkpFj.tmp"};
        const QStringList kept{"conf.bin", "conf.bin.backup", "notes.txt.ddqZUF", "IMG[1].JPG",
                               "Session Log.txt"};
        for (const QString& name : leftovers + kept)
            QVERIFY(write(dir.filePath(name), "earlier"));
        // A transfer streaming into the folder while another file of it is written.
        WholeFileWriter streaming(dir.filePath("backup_cal.bin"));
        QVERIFY(streaming.open().ok);
        QVERIFY(streaming.write("half", 4));

        QVERIFY(writeWholeFile(dir.filePath("conf.bin"), "new").ok);
        QVERIFY(streaming.write(" and whole", 10));
        QVERIFY(streaming.commit().ok);

        QStringList expected = kept + QStringList{"backup_cal.bin"};
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
        for (const auto& [name, bytes] :
             {std::pair{"conf.bin", "new"}, {"backup_cal.bin", "half and whole"}}) {
            QFile written(dir.filePath(name));
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll(), QByteArray(bytes));
        }
    }

    void aCancelledWriterLeavesTheTargetAndNoTemporary()
    {
        QTemporaryDir dir;
        QVERIFY(write(dir.filePath("cal.bin"), "good"));
        {
            WholeFileWriter writer(dir.filePath("cal.bin"));
            QVERIFY(writer.open().ok);
            QVERIFY(writer.write("half", 4));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"cal.bin"});
        QFile kept(dir.filePath("cal.bin"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("good"));
    }
};

QTEST_GUILESS_MAIN(TestWholeFile)
#include "TestWholeFile.moc"
