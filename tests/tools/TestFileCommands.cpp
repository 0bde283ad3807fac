#include "ToolRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// q7ctl sd-collect, sd-send and images: the transfers from a script, a folder standing for the card.
class TestFileCommands : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static ToolRun q7ctl(const QStringList& arguments)
    {
        return runTool(QString(Q7_BINARY_DIR) + "/q7ctl", arguments, 60'000);
    }
    QString data() const { return m_dir.filePath("data"); }
    QString site() const { return data() + "/site9/"; }
    static void write(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QFileInfo(path).fileName().toUtf8());
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(data()));
    }

    void collectThenSendThroughFolderCards()
    {
        write(m_dir.filePath("old/a.csv"));
        write(m_dir.filePath("old/notes.txt"));
        const ToolRun collect =
            q7ctl({"sd-collect", "--data", data(), "--licence", "site9", "--card", m_dir.filePath("old")});
        QVERIFY2(collect.exitCode == 0, qPrintable(collect.err));
        QVERIFY(collect.err.contains("Copied a total of 1 data files from the SD Card."));
        QVERIFY(QFile::exists(site() + "a.csv"));
        QVERIFY(!QFile::exists(site() + "notes.txt"));

        // The site folder exists now: without --yes the run does not overwrite it.
        QDir().mkpath(m_dir.filePath("new"));
        const QStringList send{
            "sd-send", "--data", data(), "--licence", "site9", "--card", m_dir.filePath("new")};
        QCOMPARE(q7ctl(send).exitCode, 1);
        QVERIFY(!QFile::exists(m_dir.filePath("new/a.csv")));
        const ToolRun sent = q7ctl(send + QStringList{"--yes"});
        QVERIFY2(sent.exitCode == 0, qPrintable(sent.err));
        QVERIFY(sent.err.contains("Copied a total of 1 data files to the SD Card."));
        QVERIFY(QFile::exists(m_dir.filePath("new/a.csv")));
    }

    void imagesCopiesTheNamedFiles()
    {
        write(m_dir.filePath("dcim/IMG_1.JPG"));
        write(m_dir.filePath("dcim/IMG_2.JPG"));
        const ToolRun run = q7ctl({"images", "--data", data(), "--licence", "site9", "--yes", "--fast",
                                   m_dir.filePath("dcim/IMG_1.JPG"), m_dir.filePath("dcim/IMG_2.JPG")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(run.err.contains("A total of 2 images were copied to the data folder"));
        QVERIFY(QFile::exists(site() + "IMG_2.JPG"));

        // A photograph that cannot be put in place (a folder of its name is in the way) fails
        // the run: a script must not take a missing photograph for a copied one.
        write(m_dir.filePath("dcim/IMG_3.JPG"));
        QVERIFY(QDir().mkpath(site() + "IMG_3.JPG"));
        const ToolRun failed = q7ctl({"images", "--data", data(), "--licence", "site9", "--yes", "--fast",
                                      m_dir.filePath("dcim/IMG_3.JPG")});
        QCOMPARE(failed.exitCode, 1);
        QVERIFY2(failed.err.contains("Cannot copy " + m_dir.filePath("dcim/IMG_3.JPG")),
                 qPrintable(failed.err));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addRow("no card") << QStringList{"sd-collect", "--data", ".", "--licence", "x"};
        QTest::addRow("card and watch")
            << QStringList{"sd-send", "--data", ".", "--licence", "x", "--card", ".", "--watch"};
        QTest::addRow("no licence") << QStringList{"sd-collect", "--data", ".", "--watch"};
        QTest::addRow("no files") << QStringList{"images", "--data", ".", "--licence", "x"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(q7ctl(arguments).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestFileCommands)
#include "TestFileCommands.moc"
