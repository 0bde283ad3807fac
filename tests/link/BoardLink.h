#pragma once

#include "Clock.h"
#include "Q7Port.h"
#include "ScriptedBoard.h"

#include <QElapsedTimer>
#include <QStringList>

// A Q7Port opened on a scripted board, recording its fault reports.
struct BoardLink
{
    FastClock clock;
    ScriptedBoard board;
    Q7Port port{clock};
    QStringList faults;

    BoardLink()
    {
        port.OnPortDebugEvent = [this](Q7Port&, const QString& text) { faults << text; };
    }
    bool open() { return port.OpenPort(board.path(), 9600); }
    void pump(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            clock.waitForEvents(1);
    }
    QList<ScriptedBoard::Frame> kalderFrames() const
    {
        QList<ScriptedBoard::Frame> out;
        for (const auto& f : board.received())
            if (f.kalder)
                out << f;
        return out;
    }
    QList<int> ackTypes() const
    {
        QList<int> out;
        for (const auto& f : kalderFrames())
            if (f.type != 0x80)
                out << f.type;
        return out;
    }
};

inline QByteArray bytesOf(const Q7Port::RequestBuffer& b, int n)
{
    return QByteArray(reinterpret_cast<const char*>(b.data()), n);
}
