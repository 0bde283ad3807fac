#include "LinkOpening.h"

#include "BoardDetector.h"
#include "Operator.h"
#include "Ports.h"
#include "Q7Port.h"
#include "SettingsFile.h"
#include "TQ7Report.h"
#include "Workbench.h"
#include "WorkbenchView.h"
#include "WorkflowOperator.h"

#include <exception>

namespace {
const QString kCaption = QLatin1String(kCommsCaption);
const QString kInitialising = QStringLiteral("Initialising Communications");
} // namespace

OpenedLink openLink(Workbench& bench, Progress& progress, const LinkPercentages& percentages)
{
    WorkflowOperator& op = bench.op();
    if (bench.autoDetectQ7) {
        progress.setProgress(kCaption, QStringLiteral("Searching for Q7 board"), 0);
        progress.repaint();
        BoardDetector detector(bench.clock(), op, bench.ports());
        // Only the indicators: a probe's faults are not worth the status line.
        detector.onRxEvent = [&bench](Q7Port&) {
            if (bench.view())
                bench.view()->linkReceived();
        };
        detector.onTxEvent = [&bench](Q7Port&) {
            if (bench.view())
                bench.view()->linkSent();
        };
        if (!detector.detectBoard(&progress, bench.portName)) {
            progress.hide();
            return {};
        }
    } else {
        progress.hide();
        bench.portName = QStringLiteral("Com0");
        SettingsFile settings(bench.settingsPath());
        const Operator::PortChoice choice = op.selectPort(bench.ports().availablePorts(), settings.comport());
        // The dialog remembers its selection however it was closed, Cancel included.
        settings.saveComport(choice.port);
        if (!choice.accepted)
            return {};
        bench.portName = choice.port;
        progress.show();
    }

    OpenedLink opened;
    opened.link = std::make_unique<Q7Port>(bench.clock());
    progress.setProgress(kCaption, kInitialising, percentages.created);
    bench.connectLinkEvents(*opened.link);
    if (!opened.link->OpenPort(bench.portName, 9600)) {
        opened.result = OpenedLink::Result::OpenFailed;
        return opened;
    }
    progress.setProgress(kCaption, kInitialising, percentages.opened);
    if (!opened.link->sendNullCommand()) {
        op.message(QStringLiteral("Failed to establish communications with Q7 Flowmeter board"));
        opened.result = OpenedLink::Result::NoAnswer;
        return opened;
    }
    progress.setProgress(kCaption, kInitialising, percentages.awake);
    opened.result = OpenedLink::Result::Open;
    return opened;
}

void freeLink(OpenedLink& opened)
{
    if (!opened.link)
        return;
    opened.link->abortCommand();
    opened.link.reset();
}

LinkWorkflowEnd runOverLink(Workbench& bench, const LinkPercentages& percentages,
                            const LinkWorkflowBody& body)
{
    std::unique_ptr<Progress> progress = bench.op().createProgress();
    progress->show();
    OpenedLink opened = openLink(bench, *progress, percentages);
    if (opened.result == OpenedLink::Result::NoPort)
        return LinkWorkflowEnd::NoPort;

    LinkWorkflowEnd end = LinkWorkflowEnd::Failed;
    try {
        if (opened.result == OpenedLink::Result::Open)
            end = body(*opened.link, progress);
    } catch (const std::exception& e) {
        freeLink(opened);
        progress.reset();
        bench.op().error(QString::fromStdString(e.what()));
        return LinkWorkflowEnd::Raised;
    }
    freeLink(opened);
    progress.reset();
    return end;
}

bool fetchRecords(Q7Port& link, Progress& progress, const QString& folder, const RecordFetch& fetch,
                  const std::function<void(const QString& name)>& written)
{
    const struct
    {
        const char* step;
        const char* file;
    } records[] = {
        {"Retrieving Configuration data", fetch.configFile},
        {"Retrieving Calibration data", fetch.calFile},
        {"Retrieving Basic Calibration data", fetch.basicCalFile},
    };
    // A call through a member-function pointer taken from this table trips the undefined-behaviour
    // sanitizer's bounds check on g++ 12; naming the three calls keeps the sanitized build quiet.
    const auto get = [&link](std::size_t i, const QString& path) {
        switch (i) {
        case 0:
            return link.getConfigFile(path);
        case 1:
            return link.getCalFile(path);
        default:
            return link.getBasicCalFile(path);
        }
    };
    for (std::size_t i = 0; i < std::size(records); ++i) {
        progress.setProgress(kCaption, QLatin1String(records[i].step), fetch.percents[i]);
        const QString name = QLatin1String(records[i].file);
        if (!get(i, folder + name))
            return false;
        if (written)
            written(name);
    }
    return true;
}

bool tellLinkWorkflowEnd(Workbench& bench, LinkWorkflowEnd end, const QString& succeeded,
                         const QString& failed)
{
    switch (end) {
    case LinkWorkflowEnd::Succeeded:
        bench.op().message(succeeded);
        return true;
    case LinkWorkflowEnd::Failed:
        bench.op().message(failed);
        return false;
    case LinkWorkflowEnd::ReportFailed:
        bench.op().message(QStringLiteral("Failed to generate a report"));
        return false;
    case LinkWorkflowEnd::NoPort:
    case LinkWorkflowEnd::Raised:
        break;
    }
    return false;
}

std::optional<SiteReport> produceSiteReport(Workbench& bench, Q7Port& link, const QString& title)
{
    try {
        TQ7Report report(bench.op(), bench.clock(), bench.openReportOnCompletion, title, bench.siteDataDir,
                         link);
        report.setOperatorName(bench.operatorName);
        report.setSiteLicence(bench.siteLicense);
        SiteReport result;
        result.built = report.BuildReport();
        result.sfoNumber = report.sfoNumber();
        report.FormClose();
        return result;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
