#pragma once

#include "AppFolders.h"
#include "ConfigRecord.h"
#include "Clock.h"
#include "ManualVolumeWatch.h"
#include "Ports.h"
#include "ScriptedOperator.h"
#include "SimulatedBoard.h"
#include "Workbench.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

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

// A workbench over a simulated board behind a pty, a scripted technician, the fast clock and a
// data folder of its own: what the workflow tests run on.
struct WorkflowBench
{
    explicit WorkflowBench(sim::BoardModel model = sim::BoardModel::replacement())
        : board(quick(std::move(model)))
    {
        // A card in the tray: the board keeps its calibration on it when told to.
        QDir().mkpath(dir.filePath("card-in-tray"));
        board.editModel([this](sim::BoardModel& m) { m.sdCardDir = dir.filePath("card-in-tray"); });
        QString error;
        if (!board.start(&error))
            qFatal("simulated board: %s", qPrintable(error));
        // As the main window starts it: cards are reported from then on.
        volumes.start();
        ports = std::make_unique<SerialPorts>(QStringList{board.devicePath()}, SerialPorts::System::Excluded);
        folders = std::make_unique<AppFolders>(dir.path());
        bench = std::make_unique<Workbench>(WorkbenchServices{op, clock, *ports, volumes, *folders,
                                                              dir.filePath("settings.ini"), &summaryLog});
    }
    ~WorkflowBench() { board.stop(); }

    // The board restarts in a moment instead of seconds: the fast clock skips the PC's wait,
    // not the board's.
    static sim::BoardModel quick(sim::BoardModel model)
    {
        model.rebootSilenceMs = 50;
        return model;
    }

    // A site chosen as the licence dialog would have chosen it.
    void selectSite(const QString& licence = "AB1")
    {
        bench->siteLicense = licence;
        bench->siteDataDir = bench->dataFolderRoot + licence + '/';
        QDir().mkpath(bench->siteDataDir);
    }
    QString sitePath(const QString& name) const { return bench->siteDataDir + name; }
    bool writeSiteFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(sitePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QByteArray siteFile(const QString& name) const
    {
        QFile f(sitePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    FastClock clock;
    ScriptedOperator op;
    sim::SimulatedBoard board;
    std::unique_ptr<SerialPorts> ports;
    ManualVolumeWatch volumes;
    CountingSummaryLog summaryLog;
    std::unique_ptr<AppFolders> folders;
    std::unique_ptr<Workbench> bench;
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
