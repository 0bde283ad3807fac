#pragma once

#include <QString>

// Appends the selected site's line to the summary log. The main window calls it on closing
// when site data was touched and the line is still missing.
class SummaryLogWriter
{
public:
    virtual ~SummaryLogWriter() = default;
    // True when the line was written; otherwise message says why, for the technician, who
    // may close the program that holds the log open and try again.
    virtual bool writeSummaryLine(QString& message) = 0;
};
