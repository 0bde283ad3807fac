// render-rows: lays out and writes a site report from row lists in a text file, so the report
// engine can be tried and checked from a shell without a board.
//
// The file holds sections, each a line naming the list in square brackets followed by its
// rows, one a line:
//     [Information]
//     Site Licence = A123
//     [Comments]
//     Replaced the board.
// The lists are Information, Totals, Diagnostics, Configuration, Calibration, HW Calibration
// and Comments (names without regard to case). Lines before the first section, and lines
// starting with "#", are ignored; empty lines count as rows only in Comments.

#include "Clock.h"
#include "ConsoleOperator.h"
#include "CtlCommand.h"
#include "ReportDocument.h"

#include <QFile>
#include <QTextStream>

namespace {

QStringList* listFor(ReportContent& content, const QString& name)
{
    const QString key = name.trimmed().toLower();
    if (key == u"information")
        return &content.information;
    if (key == u"totals")
        return &content.totals;
    if (key == u"diagnostics")
        return &content.diagnostics;
    if (key == u"configuration")
        return &content.configuration;
    if (key == u"calibration")
        return &content.calibration;
    if (key == u"hw calibration")
        return &content.basicCalibration;
    if (key == u"comments")
        return &content.comments;
    return nullptr;
}

int renderRows(q7ctl::Args& args, q7ctl::Io& io)
{
    ReportContent content;
    content.title = args.option("--title").value_or(QStringLiteral("Q7 Report "));
    content.siteLicence = args.option("--licence").value_or(QString());
    content.operatorName = args.option("--operator").value_or(QString());
    bool meterOk = true;
    content.meterId = args.option("--meter").value_or(QStringLiteral("0")).toUInt(&meterOk);
    const std::optional<QString> out = args.option("--out");
    if (auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (!out || args.positional().size() != 1 || !meterOk)
        return q7ctl::fail(
            io, "usage: render-rows FILE --out DIR [--title T] [--licence L] [--operator O] [--meter ID]",
            q7ctl::Usage);

    QFile file(args.positional().first());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return q7ctl::fail(io, "cannot read " + file.fileName() + ": " + file.errorString());
    QTextStream in(&file);
    QStringList* list = nullptr;
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNumber;
        if (line.startsWith(u'[') && line.trimmed().endsWith(u']')) {
            const QString name = line.trimmed().mid(1).chopped(1);
            list = listFor(content, name);
            if (!list)
                return q7ctl::fail(io, QStringLiteral("%1:%2: unknown section \"%3\"")
                                           .arg(file.fileName())
                                           .arg(lineNumber)
                                           .arg(name));
            continue;
        }
        if (!list || line.startsWith(u'#') || (line.isEmpty() && list != &content.comments))
            continue;
        list->append(line);
    }

    ConsoleOperator op(io.err);
    ReportDocument document(content);
    const std::optional<QString> path = document.produce(*out, false, SystemClock::instance(), op);
    if (!path)
        return q7ctl::Failed;
    io.out << *path << Qt::endl;
    return q7ctl::Ok;
}

q7ctl::Register renderRowsCommand{
    {"render-rows", "FILE --out DIR [--title T] [--licence L] [--operator O] [--meter ID]", &renderRows}};

} // namespace
