#include "SimBench.h"

#include <QDir>
#include <QtTest>

SimBench::SimBench(std::vector<sim::BoardModel> boards)
{
    if (!m_dir.isValid() || !QDir(m_dir.path()).mkdir(QStringLiteral("roaming"))) {
        QTest::qFail("the bench's temporary folder cannot be made", __FILE__, __LINE__);
        m_ready = false;
    }
    m_folders = std::make_unique<AppFolders>(path(QStringLiteral("roaming")));
    for (sim::BoardModel& model : boards) {
        auto board = std::make_unique<sim::SimulatedBoard>(std::move(model));
        QString error;
        if (!board->start(&error)) {
            QTest::qFail(qPrintable(QStringLiteral("a simulated board did not start: ") + error), __FILE__,
                         __LINE__);
            m_ready = false;
        }
        m_ports.addExtraDevice(board->devicePath());
        m_boards.push_back(std::move(board));
    }
}

SimBench::~SimBench()
{
    // Links first: a port must be closed before its board stops serving the terminal.
    m_links.clear();
    m_workbench.reset();
    for (auto& board : m_boards)
        board->stop();
}

QString SimBench::path(const QString& name) const
{
    return name.isEmpty() ? m_dir.path() : m_dir.filePath(name);
}

Workbench& SimBench::workbench()
{
    if (!m_workbench) {
        m_workbench = std::make_unique<Workbench>(
            WorkbenchServices{m_op, m_clock, m_ports, m_volumes, *m_folders, settingsPath(), m_summaryLog});
        m_workbench->setView(&m_view);
    }
    return *m_workbench;
}

void SimBench::setSummaryLog(SummaryLogWriter* writer)
{
    m_summaryLog = writer;
    if (m_workbench)
        m_workbench->setSummaryLog(writer);
}

Q7Port& SimBench::openPort(int index)
{
    auto& link = m_links.emplace_back(std::make_unique<Q7Port>(m_clock));
    workbench().connectLinkEvents(*link);
    if (!link->OpenPort(devicePath(index), 9600))
        QTest::qFail(qPrintable(QStringLiteral("the link did not open ") + devicePath(index)), __FILE__,
                     __LINE__);
    return *link;
}

QString SimBench::makeCard(const QString& name)
{
    const QString root = path(QStringLiteral("cards/") + name);
    if (!QDir().mkpath(root))
        QTest::qFail(qPrintable(QStringLiteral("the card folder cannot be made: ") + root), __FILE__,
                     __LINE__);
    return root;
}
