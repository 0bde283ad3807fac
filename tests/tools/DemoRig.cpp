#include "DemoRig.h"

#include "SimulationBench.h"

DemoRig::DemoRig(const QString& folder) : m_folder(folder), m_session(folder + QStringLiteral("/demo")) {}

DemoRig::~DemoRig()
{
    m_window.reset();
}

bool DemoRig::start(const Options& options, QString* error)
{
    if (!m_session.start(error))
        return false;
    m_folders = std::make_unique<AppFolders>(m_session.root());
    m_ports =
        std::make_unique<SerialPorts>(QStringList{m_session.devicePath()}, SerialPorts::System::Excluded);
    MainFormServices services{options.op, options.clock,       *m_folders,
                              m_browser,  m_session.volumes(), m_folder + QStringLiteral("/q7-demo.ini")};
    services.ports = m_ports.get();
    services.summaryLog = options.summaryLog;
    m_window = std::make_unique<TQ7UpgradeUtilityMainForm>(services);
    m_bench = new SimulationBench(m_session, options.op, options.benchClock, m_window.get());
    m_bench->addMenuTo(*m_window);
    return true;
}
