// q7ctl report: the site report of a connected board, collected and written as a PDF exactly
// as a workflow does it, with the technician's answers given as options instead of dialogs.

#include "Clock.h"
#include "ConsoleOperator.h"
#include "CtlCommand.h"
#include "Q7Port.h"
#include "TQ7Report.h"

#include <QDir>

namespace {

// Answers the report's questions from the command line; everything else as any console command.
class OptionsOperator : public ConsoleOperator
{
public:
    OptionsOperator(QTextStream& err, std::optional<QString> sfo, QStringList comments)
        : ConsoleOperator(err), m_sfo(std::move(sfo)), m_comments(std::move(comments))
    {
    }

    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override
    {
        if (buttons == Buttons::YesNo) // a report's only question: add comments?
            return m_comments.isEmpty() ? Answer::No : Answer::Yes;
        return ConsoleOperator::message(text, caption, buttons, icon);
    }
    std::optional<QString> sfoNumber() override { return m_sfo; }
    std::optional<QStringList> comments() override { return m_comments; }

private:
    std::optional<QString> m_sfo;
    QStringList m_comments;
};

int report(q7ctl::Args& args, q7ctl::Io& io)
{
    const auto port = args.option("--port");
    const auto out = args.option("--out");
    const QString title = args.option("--title").value_or(QStringLiteral("Q7 Report "));
    const QString licence = args.option("--licence").value_or(QString());
    const QString operatorName = args.option("--operator").value_or(QString());
    const auto sfo = args.option("--sfo");
    const QStringList comments = args.options("--comment");
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!port || !out || !args.positional().isEmpty())
        return q7ctl::fail(
            io,
            "usage: q7ctl report --port DEV --out DIR [--title T] [--licence L] [--operator O] "
            "[--sfo TEXT] [--comment LINE]...",
            q7ctl::Usage);

    Clock& clock = SystemClock::instance();
    OptionsOperator op(io.err, sfo, comments);
    Q7Port link(clock);
    link.setOperator(&op);
    if (!link.OpenPort(*port, 9600))
        return q7ctl::fail(io, q7ctl::openFailure(*port, link));
    // A workflow fetches the three records before its report; so does this command.
    const struct
    {
        StructureId id;
        const char* name;
    } records[] = {{StructureId::Config, "configuration"},
                   {StructureId::Cal, "calibration"},
                   {StructureId::BasicCal, "basic calibration"}};
    for (const auto& r : records)
        if (!link.getStucture(Structures::wireId(r.id)))
            return q7ctl::fail(io, QString("the board did not send its %1 record").arg(r.name));

    TQ7Report q7Report(op, clock, false, title, QDir(*out).absolutePath() + QLatin1Char('/'), link);
    q7Report.setOperatorName(operatorName);
    q7Report.setSiteLicence(licence);
    if (!q7Report.BuildReport() || !q7Report.documentPath())
        return q7ctl::Failed; // the reason is already on standard error
    io.out << *q7Report.documentPath() << Qt::endl;
    return q7ctl::Ok;
}

q7ctl::Register r{
    {"report",
     "--port DEV --out DIR [--title T] [--licence L] [--operator O] [--sfo TEXT] [--comment LINE]...",
     &report}};

} // namespace
