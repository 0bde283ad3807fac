// q7ctl decode FILE: a backed-up record file printed as the rows of its report section, so a
// support engineer can read a site's backup without a board.

#include "CtlCommand.h"

#include "BasicCalRecord.h"
#include "CalRecord.h"
#include "ConfigRecord.h"
#include "ReportRows.h"

#include <QFile>

namespace {

int decode(q7ctl::Args& args, q7ctl::Io& io)
{
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    if (args.positional().size() != 1)
        return q7ctl::fail(io, "usage: q7ctl decode FILE", q7ctl::Usage);
    const QString path = args.positional().first();

    QFile file(path);
    // A record is a few hundred bytes; never read more than it takes to tell it is not one.
    if (!file.open(QIODevice::ReadOnly))
        return q7ctl::fail(io, path + ": cannot open: " + file.errorString());
    const QByteArray bytes = file.read(ConfigRecord::kSize + 1);
    if (file.error() != QFileDevice::NoError)
        return q7ctl::fail(io, path + ": cannot read: " + file.errorString());

    QStringList rows;
    if (const auto config = ConfigRecord::fromBytes(bytes))
        rows = ReportRows::configurationRows(*config);
    else if (const auto cal = CalRecord::fromBytes(bytes))
        rows = ReportRows::calibrationRows(*cal);
    else if (const auto basicCal = BasicCalRecord::fromBytes(bytes))
        rows = ReportRows::basicCalibrationRows(*basicCal);
    else {
        const qint64 length = file.isSequential() ? bytes.size() : file.size();
        return q7ctl::fail(
            io, QString("%1: %2 bytes is not a board record (a configuration record has 332 bytes, "
                        "a calibration record 158, a basic-calibration record 222)")
                    .arg(path)
                    .arg(length));
    }
    for (const QString& row : rows)
        io.out << row << '\n';
    return q7ctl::Ok;
}

q7ctl::Register r{
    {"decode", "FILE   (a 332-, 158- or 222-byte record file, printed as report rows)", &decode}};

} // namespace
