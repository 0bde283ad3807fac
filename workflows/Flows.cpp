#include "Flows.h"

#include "Backup.h"
#include "ManualCC.h"
#include "Operator.h"
#include "Restore.h"
#include "SdCardTransfer.h"
#include "SiteSelection.h"
#include "Totalisers.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <exception>
#include <optional>

namespace {

const QString kCompleted = QStringLiteral(
    "Upgrade process successfully completed.\nPlease shut down application before upgrading the next site.");

// An error raised inside a workflow ("Cannot create data directory.") ends the handler and is
// shown in the error box, as the framework would show it.
template <typename Handler> void guarded(Workbench& bench, Handler handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        bench.op().error(QString::fromLocal8Bit(e.what()));
    }
}

bool confirmed(Workbench& bench, const QString& text, const QString& caption)
{
    return bench.op().message(text, caption, Operator::Buttons::OkCancel) == Operator::Answer::Ok;
}

void completed(Workbench& bench, std::uint8_t upgradeType)
{
    bench.siteState.setStep(SiteState::UPG_COMPLETED);
    bench.op().message(kCompleted);
    bench.siteState.upgradeType |= upgradeType;
    bench.writeSummaryLineUntilWritten();
}

void runSdCardOnlyUpgrade(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("SD card only upgrade"));
    bench.setUpgradeButton(false, false);
    const auto steps = [&bench] {
        if (!confirmed(
                bench,
                QStringLiteral("Only use this function if communication with Q7 board is not possible"),
                QStringLiteral("Warning")))
            return false;
        if (!selectSite(bench))
            return false;
        askHardwareRevision(bench, 0);
        bench.siteState.siteDataTouched = true;
        if (!queryTotalisers(bench))
            return false;
        // The card then also gives the configuration and calibration backups.
        bench.totalsFromQuery = true;
        return collectSdLogFiles(bench) && sendSdLogFiles(bench) &&
               confirmed(
                   bench,
                   QStringLiteral("Replace existing Q7 board with Upgrade board and connect all wiring\nOnce "
                                  "completed Press OK to continue"),
                   QStringLiteral("New board installation")) &&
               sendCcData(bench);
    };
    if (logged.result(steps())) {
        completed(bench, SiteState::kSdCardOnly);
        return;
    }
    bench.op().message(QStringLiteral(
        "Upgrade process failed.\nPlease shut down application before upgrading the next site."));
}

} // namespace

namespace Flows {

void fullyAutomatedUpgrade(Workbench& bench)
{
    guarded(bench, [&bench] {
        // Ended before a fall-back to the SD-card-only upgrade begins, which is logged as its own.
        std::optional<LoggedWorkflow> logged(std::in_place, bench.sessionLog(),
                                             QStringLiteral("Fully automated upgrade"));
        bench.setUpgradeButton(false, false);
        const bool upgraded =
            collectCcsData(bench) && collectSdLogFiles(bench) && sendSdLogFiles(bench) &&
            confirmed(
                bench,
                QStringLiteral("Replace Existing Q7 board with Upgrade board and connect all wiring.\nWhen "
                               "done... Press OK to continue."),
                QStringLiteral("New board installation")) &&
            sendCcData(bench);
        if (logged->result(upgraded)) {
            bench.upgradeFailureCount = 0;
            completed(bench, SiteState::kFullyAutomated);
            return;
        }
        const int failures = bench.upgradeFailureCount++;
        if (failures < 2) {
            bench.op().message(QStringLiteral("Upgrade process failed."));
            bench.setUpgradeButton(true, true);
            return;
        }
        const auto answer = bench.op().message(
            QStringLiteral(
                "Unable to connect to Existing Q7 board.\nDo you wish to Restore Site using SD Card only?"),
            QStringLiteral("New board installation"), Operator::Buttons::YesNo);
        logged.reset();
        if (answer == Operator::Answer::Yes)
            runSdCardOnlyUpgrade(bench);
        else
            bench.upgradeFailureCount = 0;
    });
}

void sdCardOnlyUpgrade(Workbench& bench)
{
    guarded(bench, [&bench] { runSdCardOnlyUpgrade(bench); });
}

void manualConfigurationUpgradeClick(Workbench& bench)
{
    guarded(bench, [&bench] {
        bench.setUpgradeButton(false, false);
        if (confirmed(bench,
                      QStringLiteral(
                          "Only use this function if communication with Q7 board is not possible\nand SD "
                          "Card is corrupted"),
                      QStringLiteral("Warning")))
            manualConfigurationUpgrade(bench);
    });
}

void restoreSite(Workbench& bench)
{
    guarded(bench, [&bench] {
        bench.setUpgradeButton(false, false);
        sendCcData(bench);
    });
}

} // namespace Flows
