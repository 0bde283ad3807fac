#include "SimulatedBoard.h"
#include "ToolRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// q7ctl report against a simulated board: the bench engineer's way to a site report.
class TestReportCommand : public QObject
{
    Q_OBJECT

    static ToolRun q7ctl(const QStringList& arguments)
    {
        return runTool(QString(Q7_BINARY_DIR) + "/q7ctl", QStringList{"report"} + arguments, 120'000);
    }

    std::unique_ptr<sim::SimulatedBoard> m_board;
    QTemporaryDir m_folder;

    void startBoard(sim::BoardModel model)
    {
        m_board = std::make_unique<sim::SimulatedBoard>(std::move(model));
        QString error;
        QVERIFY2(m_board->start(&error), qPrintable(error));
    }

private slots:
    void cleanup() { m_board.reset(); }

    void writesTheReportWithTheGivenAnswers_data()
    {
        QTest::addColumn<QString>("firmware");
        QTest::addRow("structure path") << "0052";
        QTest::addRow("register path") << "0051";
    }
    void writesTheReportWithTheGivenAnswers()
    {
        QFETCH(QString, firmware);
        sim::BoardModel model = sim::BoardModel::existing();
        model.firmware = firmware;
        startBoard(model);
        const QString out = m_folder.filePath(firmware);
        QVERIFY(QDir().mkpath(out));
        const ToolRun run = q7ctl({"--port", m_board->devicePath(), "--out", out, "--title",
                                   "Pre Upgrade Report ", "--licence", "A123", "--operator", "Jo", "--sfo",
                                   "SFO 12345 6789", "--comment", "first line", "--comment", "second line"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList pdfs = QDir(out).entryList({"Pre Upgrade Report _A123_*.pdf"}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);
        QCOMPARE(run.out.trimmed(), QDir(out).absoluteFilePath(pdfs.first()));
        QFile pdf(QDir(out).absoluteFilePath(pdfs.first()));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.readAll().startsWith("%PDF-"));
    }

    void silentBoardWritesNothing()
    {
        startBoard(sim::BoardModel::existing());
        sim::BoardFaults faults;
        faults.silent = true;
        m_board->setFaults(faults);
        const ToolRun run = q7ctl({"--port", m_board->devicePath(), "--out", m_folder.path()});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("the board did not send its configuration record"), qPrintable(run.err));
        QVERIFY(QDir(m_folder.path()).entryList({"*.pdf"}, QDir::Files).isEmpty());
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addRow("no port") << QStringList{"--out", "/tmp"};
        QTest::addRow("no folder") << QStringList{"--port", "/dev/null"};
        QTest::addRow("unknown option")
            << QStringList{"--port", "/dev/null", "--out", "/tmp", "--colour", "red"};
    }
    void usage()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(q7ctl(arguments).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestReportCommand)
#include "TestReportCommand.moc"
