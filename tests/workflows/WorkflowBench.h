#pragma once

#include "AppFolders.h"
#include "Clock.h"
#include "ManualVolumeWatch.h"
#include "Ports.h"
#include "RecordingView.h"
#include "ScriptedOperator.h"
#include "SimulatedBoard.h"
#include "Workbench.h"
#include "WorkbenchView.h"

#include <QTemporaryDir>

#include <memory>

// A workflow's whole world for one test: a simulated board behind a pseudo-terminal, the
// scripted technician, the fast clock pinned to a known moment, a user data folder and a
// settings file of the test's own, and the workbench over them. Only the board's device takes
// part in detection and in the port dialog.
class WorkflowBench
{
public:
    // op: a scripted operator of the test's own kind, when it records more than the usual one.
    explicit WorkflowBench(sim::BoardModel model = sim::BoardModel::existing(),
                           std::unique_ptr<ScriptedOperator> op = nullptr);

    // False (and the reason) when the board could not be started.
    bool start(QString* error);

    sim::SimulatedBoard& board() { return *m_board; }
    ScriptedOperator& op() { return *m_op; }
    RecordingView& view() { return m_view; }
    FastClock& clock() { return m_clock; }
    Workbench& bench() { return *m_bench; }
    QString settingsPath() const { return m_dir.filePath(QStringLiteral("Q7UpgradeUtility.ini")); }
    QString userData() const { return m_dir.filePath(QStringLiteral("roaming")); }
    QString devicePath() const { return m_board->devicePath(); }

    // The scripted operator's record of one kind, in order.
    QList<ScriptedOperator::Shown> shownOf(ScriptedOperator::Kind kind) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<sim::SimulatedBoard> m_board;
    std::unique_ptr<ScriptedOperator> m_op;
    RecordingView m_view;
    FastClock m_clock;
    std::unique_ptr<AppFolders> m_folders;
    std::unique_ptr<SerialPorts> m_ports;
    ManualVolumeWatch m_volumes;
    std::unique_ptr<Workbench> m_bench;
};

// A file's whole content; empty when it cannot be read.
QByteArray readAll(const QString& path);
// A totaliser record as its backup file holds it.
QByteArray bytesOf(const Q7Data::Totalisers& totals);
