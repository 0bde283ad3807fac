#pragma once

#include "Operator.h"

#include <QString>
#include <QStringList>

#include <optional>

// Pages prepared in memory by the report engine; the preview paints them.
class PagedDocument;

// The questions and the window of the site report, beside every box the link shows.
class ReportOperator : public Operator
{
public:
    // The SFO number dialog: the edit's whole text on OK, nullopt on Cancel.
    virtual std::optional<QString> sfoNumber() = 0;
    // The comments dialog: its lines on OK (empty when nothing was typed), nullopt on Cancel.
    virtual std::optional<QStringList> comments() = 0;
    // The modal, maximised, read-only preview of a prepared report; returns when it is closed.
    virtual void showPreview(const PagedDocument& document, const QString& title) = 0;
};
