#pragma once

#include <QString>

class Workbench;

// Appends the selected site's line to the summary log. The end of a run writes it when site
// data was touched and the line is still missing; the upgrade flows write it when they finish.
struct SummaryLogWriterResult
{
    bool written = false;
    // Why not, for the technician, who may close the program that holds the log open and try
    // again.
    QString message;
    // The line that was to be written, so a front end that cannot retry can still show it.
    QString line;
};

class SummaryLogWriter
{
public:
    virtual ~SummaryLogWriter() = default;
    virtual SummaryLogWriterResult writeSummaryLine(Workbench& bench) = 0;
};
