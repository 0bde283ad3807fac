#include "WorkflowBench.h"

#include <QDir>
#include <QFile>

WorkflowBench::WorkflowBench(sim::BoardModel model, std::unique_ptr<ScriptedOperator> op)
    : m_board(std::make_unique<sim::SimulatedBoard>(std::move(model))),
      m_op(op ? std::move(op) : std::make_unique<ScriptedOperator>())
{
}

bool WorkflowBench::start(QString* error)
{
    if (!m_dir.isValid() || !QDir().mkdir(userData())) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    if (!m_board->start(error))
        return false;
    m_clock.setDateTime(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9)));
    m_folders = std::make_unique<AppFolders>(userData());
    m_ports =
        std::make_unique<SerialPorts>(QStringList{m_board->devicePath()}, SerialPorts::System::Excluded);
    m_bench = std::make_unique<Workbench>(
        WorkbenchServices{*m_op, m_clock, *m_ports, m_volumes, *m_folders, settingsPath(), nullptr});
    m_bench->setView(&m_view);
    m_bench->operatorName = QStringLiteral("Jo Bloggs");
    return true;
}

QList<ScriptedOperator::Shown> WorkflowBench::shownOf(ScriptedOperator::Kind kind) const
{
    QList<ScriptedOperator::Shown> out;
    for (const ScriptedOperator::Shown& s : m_op->shown())
        if (s.kind == kind)
            out << s;
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bytesOf(const Q7Data::Totalisers& totals)
{
    const auto bytes = totals.toBytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}
