// q7ctl restore, upgrade and sd-upgrade, run as a separate program against simulated boards
// the way a support engineer's script runs them.
#include "SimulatedBoard.h"
#include "ToolRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

ToolRun q7ctl(const QStringList& args)
{
    return runTool(QStringLiteral(Q7_BINARY_DIR "/q7ctl"), args);
}

sim::BoardModel quick(sim::BoardModel model, const QString& tray)
{
    model.rebootSilenceMs = 50;
    model.sdCardDir = tray;
    return model;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestRestoreCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString folder(const QString& name) const
    {
        QDir().mkpath(path(name));
        return path(name);
    }
    QStringList site(const QString& licence) const
    {
        return {"--data", path("data"), "--licence", licence, "--operator", "Tom", "--fast"};
    }

private slots:
    void usage_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addRow("restore without a port") << QStringList{
            "restore", "--data", "d", "--licence", "A", "--operator", "T", "--hw-revision", "R1"};
        QTest::addRow("upgrade without the new port")
            << QStringList{"upgrade", "--port",        "p",  "--old-card",        "o", "--new-card",
                           "n",       "--data",        "d",  "--licence",         "A", "--operator",
                           "T",       "--hw-revision", "R1", "--new-hw-revision", "R2"};
        QTest::addRow("sd-upgrade with nine totals") << QStringList{"sd-upgrade",
                                                                    "--new-port",
                                                                    "p",
                                                                    "--old-card",
                                                                    "o",
                                                                    "--new-card",
                                                                    "n",
                                                                    "--totals",
                                                                    "1,2,3,4,5,6,7,8,9",
                                                                    "--data",
                                                                    "d",
                                                                    "--licence",
                                                                    "A",
                                                                    "--operator",
                                                                    "T",
                                                                    "--hw-revision",
                                                                    "R1",
                                                                    "--new-hw-revision",
                                                                    "R2"};
        QTest::addRow("unknown option")
            << QStringList{"restore", "--port",        "p",  "--data",   "d", "--licence", "A", "--operator",
                           "T",       "--hw-revision", "R1", "--colour", "x"};
    }
    void usage()
    {
        QFETCH(QStringList, words);
        const ToolRun r = q7ctl(words);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains("q7ctl: "));
    }

    void upgradeCarriesTheOldBoardOver()
    {
        sim::SimulatedBoard oldBoard(quick(sim::BoardModel::existing(), folder("old-tray")));
        sim::SimulatedBoard newBoard(quick(sim::BoardModel::replacement(), folder("new-tray")));
        QVERIFY(oldBoard.start() && newBoard.start());
        const QString oldCard = folder("old-card");
        sim::BoardModel withCard = sim::BoardModel::existing();
        withCard.sdCardDir = oldCard;
        QVERIFY(withCard.fillCard());
        const QString newCard = folder("new-card");

        const ToolRun r =
            q7ctl(QStringList{"upgrade", "--port", oldBoard.devicePath(), "--new-port", newBoard.devicePath(),
                              "--old-card", oldCard, "--new-card", newCard, "--hw-revision", "r1",
                              "--new-hw-revision", "r2", "--sfo", "S-OLD", "--new-sfo", "S-NEW"} +
                  site("AB1"));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err.right(2000)));
        QCOMPARE(newBoard.model().structures[sim::BoardModel::kCal],
                 oldBoard.model().structures[sim::BoardModel::kCal]);
        QCOMPARE(newBoard.model().totals, oldBoard.model().totals);
        QCOMPARE(QDir(newCard).entryList({"*.csv", "*.CSV"}, QDir::Files),
                 QDir(oldCard).entryList({"*.CSV"}));
        QVERIFY(r.out.contains("Restore Record.txt"));
        QVERIFY(fileBytes(path("data/AB1/Restore Record.txt")).endsWith("Read-back: identical\r\n"));
        // One line after the header, written by the flow and not again at the end of the run.
        QCOMPARE(fileBytes(path("data/SummaryLog.csv")).count("\r\n"), 2);
        QVERIFY(r.err.contains("S-NEW"));
        oldBoard.stop();
        newBoard.stop();
    }

    void sdUpgradeTypesTheTotals()
    {
        sim::SimulatedBoard newBoard(quick(sim::BoardModel::replacement(), folder("sd-new-tray")));
        QVERIFY(newBoard.start());
        const QString oldCard = folder("sd-old-card");
        sim::BoardModel withCard = sim::BoardModel::existing();
        withCard.sdCardDir = oldCard;
        QVERIFY(withCard.fillCard());

        const ToolRun r =
            q7ctl(QStringList{"sd-upgrade", "--new-port", newBoard.devicePath(), "--old-card", oldCard,
                              "--new-card", folder("sd-new-card"), "--totals", "1,2,3,4,5,6,7,8,9,10.5",
                              "--hw-revision", "r1", "--new-hw-revision", "r2"} +
                  site("AB2"));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err.right(2000)));
        QCOMPARE(newBoard.model().structures[sim::BoardModel::kCal], fileBytes(oldCard + "/CALIB.BIN"));
        const std::array<float, 10> typed{1, 2, 3, 4, 5, 6, 7, 8, 9, 10.5f};
        QCOMPARE(newBoard.model().totals, typed);
        newBoard.stop();
    }

    void restoreAddsThePhotographs()
    {
        sim::SimulatedBoard newBoard(quick(sim::BoardModel::replacement(), folder("r-tray")));
        QVERIFY(newBoard.start());
        const QString siteDir = folder("data/AB3");
        const sim::BoardModel old = sim::BoardModel::existing();
        for (const auto& [name, bytes] :
             {std::pair{"backup_conf.bin", old.structures[sim::BoardModel::kConfig]},
              std::pair{"backup_cal.bin", old.structures[sim::BoardModel::kCal]},
              std::pair{"Backup_Totalisers.bin", QByteArray(40, '\0')},
              std::pair{"site.jpg", QByteArray("JPEG")}}) {
            QFile f(QString(name) == "site.jpg" ? path(name) : siteDir + '/' + name);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        const ToolRun r = q7ctl(QStringList{"restore", "--port", newBoard.devicePath(), "--hw-revision", "r2",
                                            "--image", path("site.jpg"), "--yes"} +
                                site("AB3"));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err.right(2000)));
        QCOMPARE(fileBytes(siteDir + "/site.jpg"), QByteArray("JPEG"));
        QVERIFY(r.err.contains("A total of 1 images were copied to the data folder"));
        newBoard.stop();
    }
};

QTEST_GUILESS_MAIN(TestRestoreCommands)
#include "TestRestoreCommands.moc"
