#pragma once

#include "CalRecord.h"
#include "Q7Data.h"
#include "ReportOperator.h"

#include <QString>
#include <QStringList>

#include <optional>

class TVaComm;

// The questions only the workflows ask, beside every box the report and the link show. The
// rules of these dialogs (key filters, range checks, conversions) are plain functions of this
// layer, so the real dialogs, a test's script and q7ctl apply the same ones.
class WorkflowOperator : public ReportOperator
{
public:
    // "Site License Dialog": the edit box's text when closed with OK, nullopt otherwise. The text
    // has been through the licence key filter, typed or pasted.
    virtual std::optional<QString> siteLicense() = 0;
    // "Totalisers Input Query", showing initial: the ten values (slot order) when closed with OK
    // and every box converted; nullopt on Cancel or when a box did not convert.
    virtual std::optional<Q7Data::Totalisers> totalisers(const Q7Data::Totalisers& initial) = 0;
    // "ManualCCForm" over the replacement board's calibration: the five fields are edited in
    // record as they are typed (out-of-range values are refused with their message); true when
    // closed with OK.
    virtual bool manualCc(CalRecord& record) = 0;
    // The open-file dialog with several files selectable; empty when cancelled.
    virtual QStringList openFiles(const QString& title, const QString& filter) = 0;
    // "COM port configuration" for a link opened on the port name "Com0": the technician's
    // choices are written into comm on OK; on Cancel it keeps what it held.
    virtual void configurePort(TVaComm& comm) = 0;
};
