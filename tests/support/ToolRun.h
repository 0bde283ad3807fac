#pragma once

#include <QString>
#include <QStringList>

// A program run to its end the way a shell user or a script runs it, but with an argument list
// (no shell): the PDF checkers, q7ctl, the simulated board's own program.
struct ToolRun
{
    int exitCode = -1; // -1 when it did not start, crashed or ran out of time
    QString out;
    QString err;
};

ToolRun runTool(const QString& program, const QStringList& arguments, int timeoutMs = 60'000);

// Death tests: runs one test function of the running test program in a child process, where
// isTestChild() is true, so a test can check that a failure ends the process (and how fast).
ToolRun runOwnTestFunction(const QString& function, int timeoutMs = 30'000);
bool isTestChild();
