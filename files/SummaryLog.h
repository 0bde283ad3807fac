#pragma once

#include "SummaryLogWriter.h"

#include <QDateTime>
#include <QString>

// SummaryLog.csv in the data-folder root: one header line, one 38-field line per upgrade.
// The file is replaced whole or not at all, so a crash or a log held open elsewhere never costs
// the lines already in it.
class SummaryLog : public SummaryLogWriter
{
public:
    // Tries once and shows nothing; the message is for the caller to show.
    SummaryLogWriterResult writeSummaryLine(Workbench& bench) override;

    static QString fileName() { return QStringLiteral("SummaryLog.csv"); }
    static QString header();
    // The site's record as it is written at now, without its line end.
    static QString recordLine(const Workbench& bench, const QDateTime& now);
};

// The flows' single attempt: on failure the message has been shown and the caller decides
// whether to try again; on success the site's line is marked as written.
SummaryLogWriterResult writeSummaryLog(Workbench& bench);
