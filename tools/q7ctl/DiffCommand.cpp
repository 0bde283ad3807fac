// q7ctl diff FILE FILE: two record files of one kind side by side, field by field, so a support
// engineer sees at once what a restore or a card copy changed.

#include "CtlCommand.h"

#include "RecordFields.h"

#include <QFile>

namespace {

struct Loaded
{
    QByteArray bytes;
    QString problem;
};

Loaded load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, path + ": cannot open: " + file.errorString()};
    // A record is a few hundred bytes; never read more than it takes to tell it is not one.
    Loaded loaded{file.read(333), {}};
    if (file.error() != QFileDevice::NoError)
        return {{}, path + ": cannot read: " + file.errorString()};
    if (!RecordFields::kindOfSize(loaded.bytes.size()))
        loaded.problem = QString("%1: %2 bytes is not a board record (a configuration record has 332 bytes, "
                                 "a calibration record 158, a basic-calibration record 222)")
                             .arg(path)
                             .arg(file.isSequential() ? loaded.bytes.size() : file.size());
    return loaded;
}

// Like diff(1): 0 the same, 1 different, 2 when the two cannot be compared.
int diff(q7ctl::Args& args, q7ctl::Io& io)
{
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (args.positional().size() != 2)
        return q7ctl::fail(io, "usage: q7ctl diff FILE FILE", q7ctl::Usage);
    const QString first = args.positional().at(0);
    const QString second = args.positional().at(1);
    const Loaded a = load(first);
    if (!a.problem.isEmpty())
        return q7ctl::fail(io, a.problem, q7ctl::Usage);
    const Loaded b = load(second);
    if (!b.problem.isEmpty())
        return q7ctl::fail(io, b.problem, q7ctl::Usage);
    const auto kind = RecordFields::kindOfSize(a.bytes.size());
    if (kind != RecordFields::kindOfSize(b.bytes.size()))
        return q7ctl::fail(io, first + " and " + second + " are records of different kinds", q7ctl::Usage);

    const auto comparison = RecordFields::compare(*kind, {a.bytes, b.bytes}, 0, 1);
    io.out << "[" << RecordFields::kindName(*kind) << "] " << first << " | " << second << '\n';
    for (const QString& row : comparison.rows)
        io.out << row << '\n';
    if (comparison.differing.isEmpty())
        return q7ctl::Ok;
    io.out << comparison.differing.size() << " of " << comparison.rows.size() << " fields differ\n";
    return q7ctl::Failed;
}

q7ctl::Register r{{"diff",
                   "FILE FILE   (two record files of one kind compared field by field; exit 0 the "
                   "same, 1 different, 2 not comparable)",
                   &diff}};

} // namespace
