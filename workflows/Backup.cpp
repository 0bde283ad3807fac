#include "Backup.h"

#include "BackupDigests.h"
#include "CalRecord.h"
#include "LinkOpening.h"
#include "Operator.h"
#include "Q7Port.h"
#include "Registers.h"
#include "SiteSelection.h"
#include "Totalisers.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <algorithm>

namespace {

// Steps 3 to 11 of the backup over an open link.
LinkWorkflowEnd backUpBoard(Workbench& bench, Q7Port& link, Progress& progress)
{
    if (!selectSite(bench, &progress))
        return LinkWorkflowEnd::Failed;
    progress.hide();
    askHardwareRevision(bench, 0);
    progress.show();

    // Each record is checked in as soon as it is on disk, so a backup that stops half-way
    // still leaves a digest list that vouches for what it did write.
    const QString& folder = bench.siteDataDir;
    if (!fetchRecords(link, progress, folder,
                      {BackupFiles::kConfig, BackupFiles::kCal, BackupFiles::kBasicCal, {25, 40, 50}},
                      [&folder](const QString& name) { BackupDigests::update(folder, name); }))
        return LinkWorkflowEnd::Failed;
    SiteState& state = bench.siteState;
    state.siteDataTouched = true;
    state.setStep(SiteState::BACKUP_CC);

    const QString caption = QLatin1String(kCommsCaption);
    progress.setProgress(caption, QStringLiteral("Retrieving Totaliser Values"), 75);
    if (logTotalisers(bench, link))
        state.setStep(SiteState::BACKUP_TOTALS);

    progress.setProgress(caption, QStringLiteral("Retrieving Current Status "), 80);
    if (const auto cal = CalRecord::fromBytes(link.structures[4]))
        state.meterId = cal->meterId();
    link.readTimeStampRegister(Registers::kBoardDateTime, &state.boardTime[0]);
    readFirmwareVersion(bench, &link, 0);
    link.readUI16Register(Registers::kResets, &state.resetCount);
    link.readUI16Register(Registers::kSystemFault, &state.systemFault[0]);
    link.readF32Register(Registers::kTotals, &state.forwardTotal[0]);
    link.readUI16Register(Registers::kSignalStates, &state.pnfStatus[0]);
    link.readUI16Register(Registers::kSelfTest, &state.selfTest[0]);

    progress.hide();
    const std::optional<SiteReport> report =
        produceSiteReport(bench, link, QStringLiteral("Pre Upgrade Report "));
    if (!report)
        return LinkWorkflowEnd::ReportFailed;
    if (report->built) {
        state.setStep(SiteState::BACKUP_REPORT);
        bench.sfoNumber[0] = report->sfoNumber;
    }
    return LinkWorkflowEnd::Succeeded;
}

} // namespace

bool collectCcsData(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("Backup"));
    WorkflowOperator& op = bench.op();
    if (op.message(QStringLiteral("Please check Existing Q7 is powered up and USB comms cable is securely "
                                  "connected.\nPress OK to continue"),
                   QStringLiteral("Backup Existing board"),
                   Operator::Buttons::OkCancel) != Operator::Answer::Ok)
        return false;

    const LinkWorkflowEnd end = runOverLink(bench, {10, 15, 20}, [&bench](Q7Port& link, auto& progress) {
        return backUpBoard(bench, link, *progress);
    });
    return logged.result(tellLinkWorkflowEnd(
        bench, end, QStringLiteral("CCS information from Existing Q7 board collected successfully"),
        QStringLiteral("Failed to collect CCS information from Existing Q7 board")));
}

QString hardwareRevisionPrompt(int board)
{
    return board == 0
               ? QStringLiteral(
                     "Please enter the Hardware Revision number for the Existing Q7 board. Ie: R1.?")
               : QStringLiteral(
                     "Please enter the Hardware Revision number for the Replacement Q7 board. Ie: R1.?");
}

void askHardwareRevision(Workbench& bench, int board)
{
    const QString prompt = hardwareRevisionPrompt(board);
    QString& revision = bench.hardwareRevision[static_cast<std::size_t>(board)];
    // The revision goes into the summary log: there is no way past without one.
    do {
        revision.clear();
        if (const auto typed =
                bench.op().inputText(QLatin1String(kHardwareRevisionCaption), prompt, revision))
            revision = typed->toUpper();
    } while (revision.isEmpty());
}

bool readFirmwareVersion(Workbench& bench, Q7Port* link, int board)
{
    if (!link || !link->sendNullCommand())
        return false;
    constexpr std::uint16_t kCount = 2;
    for (int attempt = 0; attempt < 4; ++attempt) {
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        // A short reply is a failed read, not a version of zero bytes.
        if (link->readRegisters(Registers::kFirmwareVersion, kCount, buffer, length, 5) &&
            length >= 1 + 2 * kCount) {
            SiteState::FirmwareSlot& slot = bench.siteState.firmwareVersion[static_cast<std::size_t>(board)];
            slot.fill(0);
            std::copy_n(buffer.begin() + 1, 4, slot.begin());
            return true;
        }
    }
    return false;
}
