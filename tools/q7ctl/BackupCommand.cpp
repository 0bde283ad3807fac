// q7ctl backup: the backup of the existing board as the program runs it, with the technician's
// answers given as options.
#include "Backup.h"
#include "CtlCommand.h"
#include "WorkflowConsole.h"

namespace {

const QString kUsage =
    QStringLiteral("--port DEV [--data DIR] --licence TEXT --operator NAME --hw-revision TEXT "
                   "[--sfo TEXT] [--comment LINE]... [--yes] [--fast]");

int backup(q7ctl::Args& args, q7ctl::Io& io)
{
    q7ctl::WorkflowAnswers answers = q7ctl::WorkflowAnswers::take(args);
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!args.positional().isEmpty() || answers.port.isEmpty() || answers.licence.isEmpty() ||
        answers.operatorName.isEmpty() || answers.hardwareRevision[0].isEmpty())
        return q7ctl::fail(io, "usage: q7ctl backup " + kUsage, q7ctl::Usage);
    q7ctl::WorkflowConsole console(io, std::move(answers));
    return console.run([](Workbench& bench) { return collectCcsData(bench); });
}

q7ctl::Register r{{"backup", kUsage, &backup}};

} // namespace
