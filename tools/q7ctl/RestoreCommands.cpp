// q7ctl restore, upgrade and sd-upgrade: the restore into a replacement board and the two
// guided upgrades as the program runs them, with the technician's answers given as options.
#include "CtlCommand.h"
#include "Flows.h"
#include "ManualVolumeWatch.h"
#include "Restore.h"
#include "SummaryLog.h"
#include "Totalisers.h"
#include "Workbench.h"
#include "WorkflowConsole.h"

#include <QLocale>

namespace {

const QString kRestoreUsage =
    QStringLiteral("--port DEV --data DIR --licence TEXT --operator NAME --hw-revision TEXT [--sfo TEXT] "
                   "[--comment LINE]... [--image FILE]... [--yes] [--fast]");
const QString kUpgradeUsage =
    QStringLiteral("--port OLD --new-port NEW --old-card DIR --new-card DIR --data DIR --licence TEXT "
                   "--operator NAME --hw-revision TEXT --new-hw-revision TEXT [--sfo TEXT] [--new-sfo TEXT] "
                   "[--yes] [--fast]");
const QString kSdUpgradeUsage = QStringLiteral(
    "--new-port NEW --old-card DIR --new-card DIR --totals V0,...,V9 --data DIR --licence TEXT "
    "--operator NAME --hw-revision TEXT --new-hw-revision TEXT [--new-sfo TEXT] [--yes] [--fast]");

const QString kInsertCard = QStringLiteral("Press OK button and immediately insert SD Card into PC");

// The OK/Cancel boxes a flow puts up on its way, each answered OK as the technician would;
// "Images" Yes only when photographs were named.
void answerFlowQuestions(q7ctl::ConsoleWorkflowOperator& op, bool images)
{
    op.addRule([images](const QString&, const QString& caption,
                        Operator::Buttons buttons) -> std::optional<Operator::Answer> {
        if (caption == QStringLiteral("Images"))
            return images ? Operator::Answer::Yes : Operator::Answer::No;
        if (buttons != Operator::Buttons::OkCancel)
            return std::nullopt;
        for (const char* known :
             {"Backup Existing board", "Replacement board commisioning", "New board installation",
              "Transfering Data files to SD Card", "Transfering Data files", "Warning"})
            if (caption == QLatin1String(known))
                return Operator::Answer::Ok;
        return std::nullopt;
    });
}

// The card folders reported inserted when the technician is told to insert a card: the old
// board's card for the collection, the new board's for the sending. Before the board swap the
// port dialog gives the old board's port, after it the new board's.
struct CardsAndPorts
{
    QString oldCard;
    QString newCard;
    QString newPort;
    QString newRevision;
    std::optional<QString> newSfo;
    Workbench* bench = nullptr;

    void attach(q7ctl::WorkflowConsole& console)
    {
        console.op().onMessage([this, &console](const QString& text, const QString& caption) {
            if (caption == QStringLiteral("New board installation"))
                console.switchToReplacement(newPort, newSfo);
            if (text != kInsertCard || !bench)
                return;
            auto* volumes = dynamic_cast<ManualVolumeWatch*>(&bench->volumes());
            if (!volumes)
                return;
            volumes->start();
            for (const QString& root : volumes->volumes())
                volumes->remove(root);
            const bool sending = caption == QStringLiteral("Transfering Data files");
            volumes->insert(sending ? newCard : oldCard);
        });
    }
};

bool needed(std::initializer_list<const QString*> values)
{
    for (const QString* v : values)
        if (v->isEmpty())
            return false;
    return true;
}

int restore(q7ctl::Args& args, q7ctl::Io& io)
{
    const QStringList images = args.options(QStringLiteral("--image"));
    q7ctl::WorkflowAnswers answers = q7ctl::WorkflowAnswers::take(args);
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!args.positional().isEmpty() || !needed({&answers.port, &answers.dataRoot, &answers.licence,
                                                 &answers.operatorName, &answers.hardwareRevision[0]}))
        return q7ctl::fail(io, "usage: q7ctl restore " + kRestoreUsage, q7ctl::Usage);
    // The restore asks for the replacement board's revision.
    answers.hardwareRevision[1] = answers.hardwareRevision[0];
    answers.hardwareRevision[0].clear();
    answers.files = images;
    q7ctl::WorkflowConsole console(io, std::move(answers));
    SummaryLog summaryLog;
    console.setSummaryLog(&summaryLog);
    answerFlowQuestions(console.op(), !images.isEmpty());
    return console.run([](Workbench& bench) { return sendCcData(bench); });
}

// The options of the two upgrades beside the common ones.
CardsAndPorts takeCardsAndPorts(q7ctl::Args& args)
{
    CardsAndPorts cards;
    cards.newPort = args.option(QStringLiteral("--new-port")).value_or(QString());
    cards.oldCard = args.option(QStringLiteral("--old-card")).value_or(QString());
    cards.newCard = args.option(QStringLiteral("--new-card")).value_or(QString());
    cards.newRevision = args.option(QStringLiteral("--new-hw-revision")).value_or(QString());
    cards.newSfo = args.option(QStringLiteral("--new-sfo"));
    return cards;
}

// One upgrade as one run of the program; its exit status says whether the upgrade completed.
int runUpgrade(q7ctl::Io& io, q7ctl::WorkflowAnswers answers, CardsAndPorts& cards, void (*flow)(Workbench&))
{
    answers.hardwareRevision[1] = cards.newRevision;
    q7ctl::WorkflowConsole console(io, std::move(answers));
    SummaryLog summaryLog;
    console.setSummaryLog(&summaryLog);
    answerFlowQuestions(console.op(), false);
    cards.attach(console);
    return console.run([&cards, flow](Workbench& bench) {
        cards.bench = &bench;
        flow(bench);
        return bench.siteState.stepSet(SiteState::UPG_COMPLETED);
    });
}

int upgrade(q7ctl::Args& args, q7ctl::Io& io)
{
    CardsAndPorts cards = takeCardsAndPorts(args);
    q7ctl::WorkflowAnswers answers = q7ctl::WorkflowAnswers::take(args);
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!args.positional().isEmpty() ||
        !needed({&answers.port, &cards.newPort, &cards.oldCard, &cards.newCard, &answers.dataRoot,
                 &answers.licence, &answers.operatorName, &answers.hardwareRevision[0], &cards.newRevision}))
        return q7ctl::fail(io, "usage: q7ctl upgrade " + kUpgradeUsage, q7ctl::Usage);
    return runUpgrade(io, std::move(answers), cards, &Flows::fullyAutomatedUpgrade);
}

int sdUpgrade(q7ctl::Args& args, q7ctl::Io& io)
{
    CardsAndPorts cards = takeCardsAndPorts(args);
    const QStringList totals =
        args.option(QStringLiteral("--totals")).value_or(QString()).split(QLatin1Char(','));
    q7ctl::WorkflowAnswers answers = q7ctl::WorkflowAnswers::take(args);
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!args.positional().isEmpty() || totals.size() != qsizetype(Q7Data::Totalisers::kCount) ||
        !needed({&cards.newPort, &cards.oldCard, &cards.newCard, &answers.dataRoot, &answers.licence,
                 &answers.operatorName, &answers.hardwareRevision[0], &cards.newRevision}))
        return q7ctl::fail(io, "usage: q7ctl sd-upgrade " + kSdUpgradeUsage, q7ctl::Usage);
    // Only the replacement board is ever connected, and only its report asks for an SFO number.
    answers.port = cards.newPort;
    answers.sfo = cards.newSfo;
    std::array<QString, Q7Data::Totalisers::kCount> boxes;
    std::copy(totals.begin(), totals.end(), boxes.begin());
    answers.totals = boxes;
    return runUpgrade(io, std::move(answers), cards, &Flows::sdCardOnlyUpgrade);
}

q7ctl::Register r1{{"restore", kRestoreUsage, &restore}};
q7ctl::Register r2{{"upgrade", kUpgradeUsage, &upgrade}};
q7ctl::Register r3{{"sd-upgrade", kSdUpgradeUsage, &sdUpgrade}};

} // namespace
