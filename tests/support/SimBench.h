#pragma once

#include "AppFolders.h"
#include "Clock.h"
#include "ManualVolumeWatch.h"
#include "Ports.h"
#include "Q7Port.h"
#include "RecordingView.h"
#include "ScriptedOperator.h"
#include "SimulatedBoard.h"
#include "Workbench.h"

#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <vector>

// A workflow's whole world in one object: simulated boards on pseudo-terminals, a scripted
// operator, the fast clock, a temporary user data folder and settings file, folder SD cards,
// and the workbench over them, recording what it showed its front end. Only the bench's own
// boards are listed as ports, so a test never probes the machine's serial devices.
//
//     SimBench bench;                       // one board, the existing profile
//     bench.op().answerLicense("A123");
//     QVERIFY(selectSite(bench.workbench()));
//     QVERIFY(bench.openPort().getStucture(5));
//     bench.board().swapBoard(sim::BoardModel::replacement());
//
// Construction fails the test (QVERIFY style, through QTest::qFail) when a board does not start.
class SimBench
{
public:
    explicit SimBench(std::vector<sim::BoardModel> boards = {sim::BoardModel::existing()});
    ~SimBench();
    SimBench(const SimBench&) = delete;
    SimBench& operator=(const SimBench&) = delete;

    // False when a board did not start (the failure is recorded already).
    bool isReady() const { return m_ready; }

    int boardCount() const { return static_cast<int>(m_boards.size()); }
    sim::SimulatedBoard& board(int index = 0) { return *m_boards.at(static_cast<std::size_t>(index)); }
    QString devicePath(int index = 0) const
    {
        return m_boards.at(static_cast<std::size_t>(index))->devicePath();
    }

    ScriptedOperator& op() { return m_op; }
    FastClock& clock() { return m_clock; }
    SerialPorts& ports() { return m_ports; }
    ManualVolumeWatch& volumes() { return m_volumes; }
    AppFolders& folders() { return *m_folders; }
    RecordingView& view() { return m_view; }
    // The temporary folder everything of the bench lives in.
    QString path(const QString& name = {}) const;
    QString settingsPath() const { return path(QStringLiteral("Q7UpgradeUtility.ini")); }

    // Made on first use, so a test can write settings or queue answers before it reads them.
    Workbench& workbench();
    void setSummaryLog(SummaryLogWriter* writer);

    // A link of its own on a board's device, opened at 9600 baud (the test fails when it does
    // not open). Its traffic and faults go to the workbench's view and status line.
    Q7Port& openPort(int index = 0);

    // A folder standing for an SD card; insertCard reports it to the workbench's volume watch.
    QString makeCard(const QString& name);
    void insertCard(const QString& root) { m_volumes.insert(root); }
    void removeCard(const QString& root) { m_volumes.remove(root); }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<sim::SimulatedBoard>> m_boards;
    bool m_ready = true;
    ScriptedOperator m_op;
    FastClock m_clock;
    SerialPorts m_ports{{}, SerialPorts::System::Excluded};
    ManualVolumeWatch m_volumes;
    std::unique_ptr<AppFolders> m_folders;
    RecordingView m_view;
    SummaryLogWriter* m_summaryLog = nullptr;
    std::unique_ptr<Workbench> m_workbench;
    std::deque<std::unique_ptr<Q7Port>> m_links;
};
