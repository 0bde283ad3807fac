#include "ToolRun.h"

#include <QTemporaryDir>
#include <QtTest>

// q7ctl diff as a support engineer runs it over two record files.
class TestDiffCommand : public QObject
{
    Q_OBJECT

    QString writeFile(const QByteArray& bytes) { return m_inputs.write(bytes); }

    QTemporaryDir m_dir;
    ToolInputs m_inputs{m_dir.path()};

private slots:
    void exitStatus_data()
    {
        QTest::addColumn<int>("firstSize");
        QTest::addColumn<int>("secondSize");
        QTest::addColumn<int>("changedOffset"); // in the second file; -1: none
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("marked"); // the one row marked as differing
        QTest::addRow("identical calibrations") << 158 << 158 << -1 << 0 << "";
        QTest::addRow("coil current differs") << 158 << 158 << 14 << 1 << "* Coil Current";
        QTest::addRow("reserved byte differs") << 158 << 158 << 150 << 0 << "";
        QTest::addRow("gate control differs") << 332 << 332 << 278 << 1 << "* Gate Control";
        QTest::addRow("basic calibration differs") << 222 << 222 << 168 << 1 << "* Battery Safety Limit";
        QTest::addRow("different kinds") << 332 << 158 << -1 << 2 << "";
        QTest::addRow("not a record") << 928 << 928 << -1 << 2 << "";
    }
    void exitStatus()
    {
        QFETCH(int, firstSize);
        QFETCH(int, secondSize);
        QFETCH(int, changedOffset);
        QFETCH(int, exitCode);
        QFETCH(QString, marked);
        const QByteArray first(firstSize, '\x11');
        QByteArray second(secondSize, '\x11');
        if (changedOffset >= 0)
            second[changedOffset] = '\x12';
        const ToolRun run =
            runTool(QString(Q7_BINARY_DIR) + "/q7ctl", {"diff", writeFile(first), writeFile(second)});
        QCOMPARE(run.exitCode, exitCode);
        const QStringList marks = run.out.split('\n').filter(QRegularExpression("^\\* "));
        if (marked.isEmpty()) {
            QCOMPARE(marks, QStringList{});
        } else {
            QCOMPARE(marks.size(), 1);
            QVERIFY2(marks.first().startsWith(marked), qPrintable(marks.first()));
            QVERIFY(marks.first().contains(" | "));
        }
        if (exitCode == 2)
            QVERIFY(run.err.contains("q7ctl: "));
    }

    void usage()
    {
        const ToolRun run =
            runTool(QString(Q7_BINARY_DIR) + "/q7ctl", {"diff", writeFile(QByteArray(158, 0))});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("usage: q7ctl diff FILE FILE"));
    }

    void accessCodesStayMasked()
    {
        QByteArray first(332, 0);
        first[106] = 0x39, first[107] = 0x30; // 12345
        QByteArray second = first;
        second[106] = 0x3A;
        const ToolRun run =
            runTool(QString(Q7_BINARY_DIR) + "/q7ctl", {"diff", writeFile(first), writeFile(second)});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(!run.out.contains("12345") && !run.out.contains("12346"));
        QVERIFY(run.out.contains("* Access Codes                  = (masked) | (masked)"));
    }
};

QTEST_GUILESS_MAIN(TestDiffCommand)
#include "TestDiffCommand.moc"
