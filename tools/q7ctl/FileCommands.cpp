// q7ctl sd-collect, sd-send, images: the program's SD-card transfers and photograph import as
// one run of the program each, with the technician's answers given as options.
#include "CtlCommand.h"
#include "ImageImport.h"
#include "ManualVolumeWatch.h"
#include "PlatformVolumeWatch.h"
#include "SdCardTransfer.h"
#include "SiteSelection.h"
#include "SummaryLog.h"
#include "WorkflowConsole.h"

#include <QFileInfo>

#include <memory>

namespace {

const QString kCardUsage = QStringLiteral("--data DIR --licence TEXT [--yes] (--card DIR | --watch)");
const QString kImagesUsage = QStringLiteral("--data DIR --licence TEXT [--yes] FILE...");
const QString kInsertCard = QStringLiteral("Press OK button and immediately insert SD Card into PC");

// --card DIR: the folder is reported as a card each time the technician is told to insert
// one; --watch: the platform's watch reports what is mounted meanwhile.
int transfer(const QString& name, bool (*workflow)(Workbench&), q7ctl::Args& args, q7ctl::Io& io)
{
    q7ctl::WorkflowAnswers answers = q7ctl::WorkflowAnswers::take(args);
    const auto card = args.option(QStringLiteral("--card"));
    const bool watch = args.flag(QStringLiteral("--watch"));
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!args.positional().isEmpty() || answers.dataRoot.isEmpty() || answers.licence.isEmpty() ||
        card.has_value() == watch)
        return q7ctl::fail(io, "usage: q7ctl " + name + ' ' + kCardUsage, q7ctl::Usage);

    q7ctl::WorkflowConsole console(io, std::move(answers));
    ManualVolumeWatch folders;
    std::unique_ptr<VolumeWatch> mounts;
    if (watch) {
        mounts = createPlatformVolumeWatch();
        console.setVolumes(mounts.get());
    } else {
        const QString root = QFileInfo(*card).absoluteFilePath();
        console.setVolumes(&folders);
        console.watchFolder(root);
        console.op().onMessage([&folders, root](const QString& text, const QString&) {
            if (text != kInsertCard)
                return;
            // A fresh insertion for each attempt.
            folders.remove(root);
            folders.insert(root);
        });
    }
    SummaryLog summaryLog;
    console.setSummaryLog(&summaryLog);
    return console.run([workflow](Workbench& bench) { return selectSite(bench) && workflow(bench); });
}

int sdCollect(q7ctl::Args& args, q7ctl::Io& io)
{
    return transfer(QStringLiteral("sd-collect"), collectSdLogFiles, args, io);
}

int sdSend(q7ctl::Args& args, q7ctl::Io& io)
{
    return transfer(QStringLiteral("sd-send"), sendSdLogFiles, args, io);
}

// The files stand for the open-file dialog's selection.
int images(q7ctl::Args& args, q7ctl::Io& io)
{
    q7ctl::WorkflowAnswers answers = q7ctl::WorkflowAnswers::take(args);
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (args.positional().isEmpty() || answers.dataRoot.isEmpty() || answers.licence.isEmpty())
        return q7ctl::fail(io, "usage: q7ctl images " + kImagesUsage, q7ctl::Usage);
    for (const QString& file : args.positional())
        answers.files << QFileInfo(file).absoluteFilePath();

    q7ctl::WorkflowConsole console(io, std::move(answers));
    // Asking to import is why the command was run.
    console.op().addRule(
        [](const QString&, const QString& caption, Operator::Buttons) -> std::optional<Operator::Answer> {
            if (caption == QStringLiteral("Images"))
                return Operator::Answer::Yes;
            return std::nullopt;
        });
    SummaryLog summaryLog;
    console.setSummaryLog(&summaryLog);
    return console.run([](Workbench& bench) { return selectSite(bench) && addImages(bench); });
}

q7ctl::Register collectCommand{{QStringLiteral("sd-collect"), kCardUsage, &sdCollect}};
q7ctl::Register sendCommand{{QStringLiteral("sd-send"), kCardUsage, &sdSend}};
q7ctl::Register imagesCommand{{QStringLiteral("images"), kImagesUsage, &images}};

} // namespace
