#include "ImageImport.h"

#include "Clock.h"
#include "Operator.h"
#include "WholeFile.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <QFileInfo>

namespace {

const QString kCaption = QStringLiteral("Adding Image Files");
const QString kWait = QStringLiteral("Please wait");
// Time for a camera or card reader to be mounted after the technician pressed Yes.
constexpr std::int64_t kMountWaitMs = 5000;

// False when a copy failed; it has been shown, and the copies before it stay in the folder.
bool copyImages(Workbench& bench, const QStringList& files, int& copied)
{
    for (const QString& file : files) {
        const QFileInfo source(file);
        if (source.isFile()) {
            // fileName() alone: a photograph lands directly in the site folder, never beside it.
            const WholeFileResult result = copyWholeFile(file, bench.siteDataDir + source.fileName());
            if (!result.ok) {
                bench.op().error(
                    QStringLiteral("Cannot copy %1 to the data folder: %2").arg(file, result.error));
                return false;
            }
            ++copied;
        }
        bench.siteState.setStep(SiteState::IMAGES_ADDED);
    }
    return true;
}

} // namespace

bool addImages(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("Add images to folder"));
    WorkflowOperator& op = bench.op();
    Clock& clock = bench.clock();
    bench.setUpgradeButton(false, false);
    std::unique_ptr<Progress> progress = op.createProgress();
    progress->setProgress(kCaption, kWait, 0);

    int copied = 0;
    const auto answer =
        op.message(QStringLiteral("To Add Photos to the Data Folder.\nPlease first connect camera or "
                                  "insert media card containing images.\nOnce media is inserted "
                                  "press OK to continue"),
                   QStringLiteral("Images"), Operator::Buttons::YesNo);
    if (answer == Operator::Answer::Yes) {
        progress->show();
        const std::int64_t deadline = clock.msecs() + kMountWaitMs;
        for (std::int64_t remaining = deadline - clock.msecs(); remaining > 0;
             remaining = deadline - clock.msecs()) {
            const std::int64_t elapsed = kMountWaitMs / 1000 - remaining / 1000;
            progress->setProgress(kCaption, kWait, int(elapsed * 20));
            // The window stays responsive in the wait; nothing is shown until the next second.
            clock.delay(untilNextWholeSecond(remaining));
        }
        progress->hide();
        clock.processEvents();

        const QStringList files =
            op.openFiles(QStringLiteral("Select all images you want to add to Data Folder"),
                         QStringLiteral("Image files (*.jpg)|*.JPG"));
        if (!copyImages(bench, files, copied))
            return false;
    }
    progress.reset();
    op.message(QStringLiteral("A total of %1 images were copied to the data folder").arg(copied));
    return logged.result(true);
}
