#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Clock;
class Operator;
class Ports;
class Progress;
class Q7Port;

// Finds the port a board answers on: every port the Ports list is probed with the null
// command, and the last one that answers wins.
class BoardDetector
{
public:
    BoardDetector(Clock& clock, Operator& op, const Ports& ports);

    // The main window's indicators, given to every probe so they flicker while ports are tried.
    std::function<void(Q7Port&)> onRxEvent;
    std::function<void(Q7Port&)> onTxEvent;

    QStringList comPortNames;

    // Fills comPortNames.
    void listComPorts();
    // True when a board answered; portName then names the port (it is left alone otherwise).
    bool detectBoard(Progress* progress, QString& portName);

private:
    Clock& m_clock;
    Operator& m_operator;
    const Ports& m_ports;
};
