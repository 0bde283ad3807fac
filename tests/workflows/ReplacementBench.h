#pragma once

#include "ConfigRecord.h"
#include "SimBench.h"
#include "SummaryLogWriter.h"

#include <QDir>
#include <QFile>

// Counts the summary lines the workflows write, and writes none.
struct CountingSummaryLog : SummaryLogWriter
{
    int lines = 0;
    SummaryLogWriterResult writeSummaryLine(Workbench&) override
    {
        ++lines;
        return {true, {}, {}};
    }
};

// The bench of the restore and the upgrades: one board that restarts in a moment (the fast
// clock skips the PC's wait, not the board's), with a card in its tray to keep its calibration
// on, a volume watch that reports cards as the main window's does, and a summary log the flows
// can write their line to.
class ReplacementBench : public SimBench
{
public:
    explicit ReplacementBench(sim::BoardModel model = sim::BoardModel::replacement())
        : SimBench({quickBoard(std::move(model))})
    {
        const QString tray = makeCard(QStringLiteral("in-tray"));
        board().editModel([tray](sim::BoardModel& m) { m.sdCardDir = tray; });
        volumes().start();
        setSummaryLog(&summaryLog);
    }

    static sim::BoardModel quickBoard(sim::BoardModel model)
    {
        model.rebootSilenceMs = 50;
        return model;
    }

    // A site chosen as the licence dialog would have chosen it.
    void selectSite(const QString& licence = QStringLiteral("AB1"))
    {
        Workbench& bench = workbench();
        bench.siteLicense = licence;
        bench.siteDataDir = bench.dataFolderRoot + licence + QLatin1Char('/');
        QDir().mkpath(bench.siteDataDir);
    }
    QString sitePath(const QString& name) { return workbench().siteDataDir + name; }
    bool writeSiteFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(sitePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QByteArray siteFile(const QString& name)
    {
        QFile f(sitePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    CountingSummaryLog summaryLog;
};

// The configuration a restore leaves on the replacement board: the old board's, except the
// settings the replacement board keeps of its own.
inline QByteArray restoredConfig(const sim::BoardModel& old, const sim::BoardModel& fresh)
{
    QByteArray config = old.structures[sim::BoardModel::kConfig];
    config.replace(ConfigRecord::kBoardOwnOffset, ConfigRecord::kBoardOwnSize,
                   fresh.structures[sim::BoardModel::kConfig].mid(ConfigRecord::kBoardOwnOffset,
                                                                  ConfigRecord::kBoardOwnSize));
    return config;
}
