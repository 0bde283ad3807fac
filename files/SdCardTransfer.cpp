#include "SdCardTransfer.h"

#include "Clock.h"
#include "Operator.h"
#include "SdCardWatch.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <algorithm>
#include <memory>

namespace {

const QString kCaption = QStringLiteral("File Transfer");
constexpr std::int64_t kCardWaitMs = 30000;
constexpr std::int64_t kCopyWaitMs = 60000;
constexpr int kAttempts = 3;

enum class Outcome
{
    Cancelled,
    TimedOut,
    Copied
};

void startAttempt(Workbench& bench, bool toCard)
{
    bench.transferStarted = false;
    bench.transferToCard = toCard;
    bench.transferDone = false;
    bench.sdWatchActive = true;
}

// Asks for the card and waits until the copy step has copied from or to one. progress stays
// with the caller, which closes it after its own end message.
Outcome waitForCard(Workbench& bench, const QString& caption, std::unique_ptr<Progress>& progress)
{
    Operator& op = bench.op();
    if (op.message(QStringLiteral("Press OK button and immediately insert SD Card into PC"), caption,
                   Operator::Buttons::OkCancel) != Operator::Answer::Ok)
        return Outcome::Cancelled;

    Clock& clock = bench.clock();
    progress = op.createProgress();
    progress->setProgress(kCaption, QString(), 0);
    progress->show();
    std::int64_t deadline = clock.msecs() + kCardWaitMs;
    bool startedSeen = false;
    // transferDone first: a copy that ends after the deadline still counts.
    while (!bench.transferDone && clock.msecs() < deadline) {
        // The volume notifications and the copy step run in here, and wake the wait at once;
        // otherwise it sleeps until the shown second can next change.
        clock.waitForEvents(int(untilNextWholeSecond(deadline - clock.msecs())));
        if (bench.transferStarted) {
            if (!startedSeen) {
                startedSeen = true;
                deadline = clock.msecs() + kCopyWaitMs;
                progress->hide();
                progress->repaint();
                clock.processEvents();
            }
        } else {
            const std::int64_t elapsed = kCardWaitMs / 1000 - (deadline - clock.msecs()) / 1000;
            progress->setProgress(kCaption, QStringLiteral("Waiting to detect SDCard"),
                                  int(std::clamp<std::int64_t>(elapsed * 100 / 30, 0, 100)));
        }
    }
    return bench.transferDone ? Outcome::Copied : Outcome::TimedOut;
}

// Clears the watch however the guided transfer ends, an error included.
struct WatchActive
{
    Workbench& bench;
    ~WatchActive() { bench.sdWatchActive = false; }
};

// The rest of an attempt begun with startAttempt: the card asked for and waited for, then the
// attempt's end message; true when the card was copied.
bool cardAttempt(Workbench& bench, const QString& caption, const QString& doneText, SiteState::Step step)
{
    std::unique_ptr<Progress> progress;
    const Outcome outcome = waitForCard(bench, caption, progress);
    if (outcome == Outcome::Copied) {
        bench.op().message(doneText);
        bench.siteState.setStep(step);
        return true;
    }
    if (outcome == Outcome::TimedOut)
        bench.op().message(QStringLiteral("Failed to detect SDCARD"));
    return false;
}

} // namespace

bool collectSdLogFiles(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("Copy data files from SD card"));
    SdCardWatch watch(bench);
    WatchActive active{bench};
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        startAttempt(bench, false);
        bench.op().message(
            QStringLiteral("Please power down the Existing Q7 board.\nRemove SD Card from tray.\nOnce "
                           "completed press OK to continue."));
        if (cardAttempt(bench, QStringLiteral("Transfering Data files to SD Card"),
                        QStringLiteral("Remove SD Card from PC and insert back into Existing Q7 board."),
                        SiteState::BACKUP_DATAFILES))
            return logged.result(true);
    }
    return false;
}

bool sendSdLogFiles(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("Copy files to SD card"));
    SdCardWatch watch(bench);
    WatchActive active{bench};
    bench.op().message(QStringLiteral(
        "Remove SD Card from tray of Replacement board.\nOnce completed press OK to continue."));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        startAttempt(bench, true);
        if (cardAttempt(bench, QStringLiteral("Transfering Data files"),
                        QStringLiteral("Remove SD Card from PC and insert back into Upgrade board."),
                        SiteState::RESTORE_DATAFILES))
            return logged.result(true);
    }
    return false;
}
