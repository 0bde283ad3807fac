#include "ToolRun.h"

#include <QTemporaryDir>
#include <QtTest>

// The decode command as a support engineer runs it: a record file in, its rows out.
class TestDecodeCommand : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode = -1;
        QStringList lines;
        QString err;
    };

    Run decode(const QStringList& arguments)
    {
        const ToolRun run = runTool(QString(Q7_BINARY_DIR) + "/q7ctl", QStringList{"decode"} + arguments);
        return {run.exitCode, run.out.split('\n', Qt::SkipEmptyParts), run.err};
    }

    QString writeFile(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QString("record%1.bin").arg(m_files++));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return {};
        return path;
    }

    QTemporaryDir m_dir;
    int m_files = 0;

private slots:
    void recordFilesByLength_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("first");
        QTest::addRow("configuration") << 332 << 50 << "Site ID                       = 0";
        QTest::addRow("calibration") << 158 << 20 << "Meter ID         = 0";
        QTest::addRow("basic calibration")
            << 222 << 19
            << "Compensation[0]               = Formula(0), Chan{0, 0}, coeffs[0.0, "
               "0.0, 0.0, 0.0, 0.0]";
    }
    void recordFilesByLength()
    {
        QFETCH(int, size);
        QFETCH(int, rows);
        QFETCH(QString, first);
        const Run run = decode({writeFile(QByteArray(size, '\0'))});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines.size(), rows);
        QCOMPARE(run.lines.first(), first);
    }

    void accessCodesNeverAppear()
    {
        // Codes 0x4A4A, 0x4B4B, 0x4C4C ("JJ", "KK", "LL") in an otherwise plain record.
        QByteArray config(332, '\0');
        config.replace(106, 6, "JJKKLL");
        const Run run = decode({writeFile(config)});
        QCOMPARE(run.exitCode, 0);
        const QString all = run.lines.join('\n');
        for (const char* code : {"19018", "19275", "19532", "JJ", "KK", "LL", "4A4A", "4B4B", "4C4C"})
            QVERIFY2(!all.contains(code), code);
    }

    void otherFilesAreRefused_data()
    {
        QTest::addColumn<int>("size");
        QTest::addRow("empty") << 0;
        QTest::addRow("one short of a configuration") << 331;
        QTest::addRow("one over a configuration") << 333;
        QTest::addRow("a status structure") << 351;
        QTest::addRow("large") << (1 << 20);
    }
    void otherFilesAreRefused()
    {
        QFETCH(int, size);
        const Run run = decode({writeFile(QByteArray(size, '\0'))});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.lines.isEmpty());
        QVERIFY2(run.err.contains(QString("%1 bytes is not a board record").arg(size)), qPrintable(run.err));
    }

    void missingFileAndUsage()
    {
        const Run missing = decode({m_dir.filePath("nothing.bin")});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains("cannot open"));
        QCOMPARE(decode({}).exitCode, 2);
        QCOMPARE(decode({"a", "b"}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestDecodeCommand)
#include "TestDecodeCommand.moc"
