#include "BoardDetector.h"

#include "Clock.h"
#include "Operator.h"
#include "Q7Port.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

namespace {
const char* const kNoBoard =
    "No Q7 boards detected.\nPlease make sure Comms cable is connected between PC and Powered Q7 board.";

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

BoardDetector::BoardDetector(Clock& clock, Operator& op) : m_clock(clock), m_operator(op) {}

QStringList BoardDetector::availablePorts(const QStringList& extraPorts, bool includeSystemPorts)
{
    QStringList names;
    if (includeSystemPorts) {
        auto infos = QSerialPortInfo::availablePorts();
        std::sort(infos.begin(), infos.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
            return a.portName().size() != b.portName().size() ? a.portName().size() < b.portName().size()
                                                              : a.portName() < b.portName();
        });
        for (const auto& info : infos)
            names << platformName(info);
    }
    for (const QString& extra : extraPorts)
        if (!names.contains(extra))
            names << extra;
    QStringList open;
    for (const QString& name : names)
        if (opensExclusively(name))
            open << name;
    return open;
}

void BoardDetector::listComPorts()
{
    comPortNames = availablePorts(extraPorts, includeSystemPorts);
}

bool BoardDetector::detectBoard(Progress* progress, QString& portName)
{
    listComPorts();
    bool found = false;
    for (const QString& name : comPortNames) {
        Q7Port probe(m_clock);
        probe.OnRxEvent = onRxEvent;
        probe.OnTxEvent = onTxEvent;
        if (probe.OpenPort(name, 9600) && probe.sendNullCommand()) {
            portName = name;
            found = true;
        }
    }
    if (!found) {
        if (progress)
            progress->hide();
        for (int i = 0; i < 3; ++i)
            m_clock.processEvents();
        m_operator.message(QString::fromLatin1(kNoBoard));
    }
    return found;
}
