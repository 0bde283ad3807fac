#pragma once

#include <QString>
#include <QThread>

#include <cstdio>

// One line of the benchmark table. Other tools read these lines by their leading name (P1…P6),
// so the name comes first and every line carries its goal and the machine's core count.
inline void printBenchLine(const char* name, const QString& figure, const QString& goal)
{
    std::printf("%s %s; goal %s; %d cores\n", name, qPrintable(figure), qPrintable(goal),
                QThread::idealThreadCount());
    std::fflush(stdout);
}
