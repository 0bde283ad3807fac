#pragma once

#include "SummaryLogWriter.h"

// SummaryLog.csv in the data-folder root: one header line, one 38-field line per upgrade.
class SummaryLog : public SummaryLogWriter
{
public:
    SummaryLogWriterResult writeSummaryLine(Workbench& bench) override;
};

// The same as a plain call, under the name the flows use.
SummaryLogWriterResult writeSummaryLog(Workbench& bench);
