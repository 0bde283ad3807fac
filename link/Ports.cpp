#include "Ports.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

QString platformName(const QSerialPortInfo& info)
{
#ifdef Q_OS_WIN
    return info.portName();
#else
    return info.systemLocation();
#endif
}

bool opensExclusively(const QString& name)
{
    QSerialPort port;
    port.setPortName(name);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.close();
    return true;
}

} // namespace

SerialPorts::SerialPorts(QStringList extraDevices, System system)
    : m_extra(std::move(extraDevices)), m_system(system)
{
}

void SerialPorts::addExtraDevice(const QString& device)
{
    if (!m_extra.contains(device))
        m_extra << device;
}

QStringList SerialPorts::availablePorts() const
{
    QStringList names;
    if (m_system == System::Included) {
        auto infos = QSerialPortInfo::availablePorts();
        // COM2 before COM10, as a technician counts them.
        std::sort(infos.begin(), infos.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
            return a.portName().size() != b.portName().size() ? a.portName().size() < b.portName().size()
                                                              : a.portName() < b.portName();
        });
        for (const auto& info : infos)
            names << platformName(info);
    }
    for (const QString& extra : m_extra)
        if (!names.contains(extra))
            names << extra;
    QStringList open;
    for (const QString& name : names)
        if (opensExclusively(name))
            open << name;
    return open;
}
