// "Generate Report" and "Collect CCS data from Existing Q7 board": the manual functions that
// read a board into the site folder.
#include "Backup.h"
#include "Flows.h"
#include "LinkOpening.h"
#include "Operator.h"
#include "Q7Port.h"
#include "SiteSelection.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

namespace {

LinkWorkflowEnd reportBoard(Workbench& bench, Q7Port& link, std::unique_ptr<Progress>& progress)
{
    if (!selectSite(bench, progress.get())) {
        bench.op().message(QStringLiteral(
            "Must have a Valid Site License to create Data Directory structure, process cancelled"));
        return LinkWorkflowEnd::Failed;
    }
    if (!fetchRecords(link, *progress, bench.siteDataDir,
                      {"conf.bin", "cal.bin", "BasicCal.bin", {25, 50, 75}}))
        return LinkWorkflowEnd::Failed;
    progress->setProgress(QLatin1String(kCommsCaption), QStringLiteral("Retrieving Current Status"), 90);
    progress.reset();

    // Any board, any time: its report changes nothing in the site state, built or not.
    if (!produceSiteReport(bench, link, QStringLiteral("Q7 Report ")))
        return LinkWorkflowEnd::ReportFailed;
    return LinkWorkflowEnd::Succeeded;
}

} // namespace

namespace Flows {

void backupSite(Workbench& bench)
{
    bench.setUpgradeButton(false, false);
    collectCcsData(bench);
}

bool generateReport(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("Generate Report"));
    bench.setUpgradeButton(false, false);
    const LinkWorkflowEnd end = runOverLink(bench, {10, 15, 20}, [&bench](Q7Port& link, auto& progress) {
        return reportBoard(bench, link, progress);
    });
    return logged.result(tellLinkWorkflowEnd(bench, end, QStringLiteral("Report generated successfully"),
                                             QStringLiteral("Failed to generate report")));
}

} // namespace Flows
