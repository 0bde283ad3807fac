#include "BoardDetector.h"

#include "Clock.h"
#include "Operator.h"
#include "Ports.h"
#include "Q7Port.h"

namespace {
const char* const kNoBoard =
    "No Q7 boards detected.\nPlease make sure Comms cable is connected between PC and Powered Q7 board.";
} // namespace

BoardDetector::BoardDetector(Clock& clock, Operator& op, const Ports& ports)
    : m_clock(clock), m_operator(op), m_ports(ports)
{
}

void BoardDetector::listComPorts()
{
    comPortNames = m_ports.availablePorts();
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
        // A port left out because this user may not open it is the likelier reason than a
        // cable; the status line says so beside the usual message.
        if (const QStringList problems = m_ports.accessProblems(); !problems.isEmpty())
            m_operator.setStatus(problems.join(QLatin1Char(' ')));
        if (progress)
            progress->hide();
        for (int i = 0; i < 3; ++i)
            m_clock.processEvents();
        m_operator.message(QString::fromLatin1(kNoBoard));
    }
    return found;
}
