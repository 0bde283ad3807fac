#include "SummaryLog.h"

#include "Clock.h"
#include "Formats.h"
#include "Operator.h"
#include "WholeFile.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdlib>

namespace {

const QString kFailed =
    QStringLiteral("Failed to save data to Summary log, If file is in use please close file and press OK");

// The board clock against the PC's, as the technician reads them in the line: the board time
// goes through its own text first, so what the text does not show does not count.
qint64 hoursBehind(Q7Data::TDateTime board, const QString& shown, const QDateTime& now)
{
    const QDateTime read = Formats::parseDateTime(shown, board.date())
                               .value_or(board.toDateTime().addMSecs(-board.time().msec()));
    // Both as plain wall-clock values: the difference of two local times, no zone rules.
    const QDateTime boardWall(read.date(), read.time(), Qt::UTC);
    const QDateTime nowWall(now.date(), now.time(), Qt::UTC);
    return std::llabs(boardWall.msecsTo(nowWall)) / 3600000;
}

} // namespace

QString SummaryLog::header()
{
    return QStringLiteral(
        "Site_License,MeterID,Upgrade_Date/Time,Operator,Upgrade_Type,HW_Revision_B,SFO_Num_B,"
        "FW_ver_B,HW_Revision_A,SFO_Num_A,FW_ver_A,DateTime_B,Hours_Diff,RTC_Error,Num_Resets,"
        "BACKUP_CC,BACKUP_TOTALS,BACKUP_DATAFILES,BACKUP_REPORT,RESTORE_CC,RESTORE_TOTALS,"
        "RESTORE_DATAFILES,FINAL_REPORT,UPG_COMPLETED,IMAGES_ADDED,FW_Totals_B,FW_Totals_A,"
        "SystemFault_B,SystemFault_A,selfTest_B,selfTest_A,pnf_B,pnf_A,Coil_Current,PNF_Detection,"
        "Pipe_Diameter,TubeZero,Tube_Factor3,");
}

QString SummaryLog::recordLine(const Workbench& bench, const QDateTime& now)
{
    const SiteState& s = bench.siteState;
    QString line;
    // Every field is followed by a comma, the last one too; nothing is quoted.
    const auto add = [&line](const QString& value) { line += value + QLatin1Char(','); };
    const auto number = [&add](auto value) { add(QString::number(value)); };

    add(bench.siteLicense);
    number(s.meterId);
    add(Formats::dateTime(Q7Data::TDateTime::fromDateTime(now)));
    add(bench.operatorName);
    number(s.upgradeType);
    add(bench.hardwareRevision[0]);
    add(bench.sfoNumber[0]);
    add(SiteState::firmwareText(s.firmwareVersion[0]));
    add(bench.hardwareRevision[1]);
    add(bench.sfoNumber[1]);
    add(SiteState::firmwareText(s.firmwareVersion[1]));
    if (s.boardTime[0].isZero()) {
        // The board clock was never read: one blank in each of its three columns.
        line += QStringLiteral(" , , ,");
    } else {
        const QString shown = Formats::dateTime(s.boardTime[0]);
        const qint64 hours = hoursBehind(s.boardTime[0], shown, now);
        add(shown);
        number(hours);
        add(hours > 12 ? QStringLiteral("1") : QStringLiteral("0"));
    }
    number(s.resetCount);
    for (std::uint8_t step : s.stepDone)
        number(step);
    add(Formats::formatFloat("0.000", s.forwardTotal[0]));
    add(Formats::formatFloat("0.000", s.forwardTotal[1]));
    number(s.systemFault[0]);
    number(s.systemFault[1]);
    number(s.selfTest[0]);
    number(s.selfTest[1]);
    number(s.pnfStatus[0]);
    number(s.pnfStatus[1]);
    number(s.coilCurrent);
    number(s.pnfDetection);
    number(s.pipeDiameter);
    add(Formats::formatFloat("0.00000", s.tubeZero));
    add(Formats::formatFloat("0.00000", s.tubeFactor3));
    return line;
}

SummaryLogWriterResult SummaryLog::writeSummaryLine(Workbench& bench)
{
    const QString line = recordLine(bench, bench.clock().currentDateTime());
    const QString path = bench.dataFolderRoot + fileName();
    const SummaryLogWriterResult failed{false, kFailed, line};

    QByteArray content;
    if (QFileInfo::exists(path)) {
        // Earlier lines are carried as they are, whatever their form: never parsed, never mended.
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            return failed;
        content = old.readAll();
        if (old.error() != QFileDevice::NoError)
            return failed;
        if (!content.isEmpty() && !content.endsWith('\n'))
            content += "\r\n";
    } else {
        content = header().toLocal8Bit() + "\r\n";
    }
    content += line.toLocal8Bit() + "\r\n";
    if (!writeWholeFile(path, content).ok)
        return failed;
    return {true, {}, line};
}

SummaryLogWriterResult writeSummaryLog(Workbench& bench)
{
    const SummaryLogWriterResult result = SummaryLog().writeSummaryLine(bench);
    if (result.written)
        bench.siteState.summaryLogged = true;
    else
        bench.op().message(result.message);
    return result;
}
