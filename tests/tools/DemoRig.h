#pragma once

#include "AppFolders.h"
#include "DemoSession.h"
#include "FileBrowser.h"
#include "Ports.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QString>

#include <memory>

class Clock;
class DemoClock;
class SimulationBench;
class SummaryLogWriter;
class WorkflowOperator;

// The demo's pieces in-process, wired as q7-demo wires them, around the operator and the clock
// a test chooses: the session's board and cards, the main window on them, the bench beside it.
// Only the session's device is probed, never the machine's own serial ports.
class DemoRig
{
public:
    struct Options
    {
        WorkflowOperator& op;
        Clock& clock;
        // The bench's switch for fixed waits; none when null.
        DemoClock* benchClock = nullptr;
        SummaryLogWriter* summaryLog = nullptr;
    };

    // folder: the demo's root and the settings file's folder; must exist.
    explicit DemoRig(const QString& folder);
    ~DemoRig();
    DemoRig(const DemoRig&) = delete;
    DemoRig& operator=(const DemoRig&) = delete;

    bool start(const Options& options, QString* error);

    DemoSession& session() { return m_session; }
    TQ7UpgradeUtilityMainForm& window() { return *m_window; }
    SimulationBench& bench() { return *m_bench; }

private:
    class NoFileBrowser : public FileBrowser
    {
    public:
        bool openFolder(const QString&) override { return true; }
    };

    QString m_folder;
    DemoSession m_session;
    NoFileBrowser m_browser;
    std::unique_ptr<AppFolders> m_folders;
    std::unique_ptr<SerialPorts> m_ports;
    std::unique_ptr<TQ7UpgradeUtilityMainForm> m_window;
    SimulationBench* m_bench = nullptr; // owned by the window
};
