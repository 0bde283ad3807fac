#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Clock;
class Operator;
class Progress;
class Q7Port;

// Finds the port a board answers on: every listed port is probed with the null command, and
// the last one that answers wins. Ports are the platform's serial ports plus any device paths
// the caller adds (a simulator's pseudo-terminal); a port another program holds cannot be
// opened exclusively and is neither listed nor probed.
class BoardDetector
{
public:
    BoardDetector(Clock& clock, Operator& op);

    // Device paths listed after the platform's ports, in this order.
    QStringList extraPorts;
    // Off in tests, so only the extra ports take part.
    bool includeSystemPorts = true;
    // The main window's indicators, given to every probe so they flicker while ports are tried.
    std::function<void(Q7Port&)> onRxEvent;
    std::function<void(Q7Port&)> onTxEvent;

    QStringList comPortNames;

    // Fills comPortNames.
    void listComPorts();
    // True when a board answered; portName then names the port (it is left alone otherwise).
    bool detectBoard(Progress* progress, QString& portName);

    // The ports that can be opened now, in listing order.
    static QStringList availablePorts(const QStringList& extraPorts, bool includeSystemPorts = true);

private:
    Clock& m_clock;
    Operator& m_operator;
};
