#include "RestoreRecord.h"

#include "ConfigRecord.h"
#include "Formats.h"
#include "RecordFields.h"
#include "ReportRows.h"

#include <array>
#include <vector>

namespace {

constexpr std::size_t kSent = 2;
constexpr std::size_t kRead = 3;

// The settings the replacement board keeps from its own configuration on a restore.
const std::array<const char*, 4> kKeptSettings = {"Gate Control", "Low Power Mode", "Halt on Signal Errors",
                                                  "Battery Alarm Level"};

QString fieldValue(const std::optional<QByteArray>& config, const QString& label)
{
    if (!config)
        return QStringLiteral("-");
    const auto& list = RecordFields::fields(RecordFields::Kind::Configuration);
    const QStringList values = RecordFields::values(RecordFields::Kind::Configuration, *config);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].label == label)
            return values[static_cast<qsizetype>(i)];
    return {};
}

QStringList totalsLines(const std::optional<Q7Data::Totalisers>& sent,
                        const std::optional<Q7Data::Totalisers>& read)
{
    // The labels of the report's totals rows, the values in kilolitres as the totaliser logs have them.
    const QStringList rows = ReportRows::totalsRows(Q7Data::Totalisers{});
    const auto value = [](const std::optional<Q7Data::Totalisers>& t, std::size_t k) {
        return t ? Formats::formatFloat("0.000", double(t->values()[k])) : QStringLiteral("-");
    };
    QStringList lines;
    for (std::size_t k = 0; k < Q7Data::Totalisers::kCount; ++k) {
        const QString label = rows[static_cast<qsizetype>(k)].section(QLatin1Char('\t'), 0, 0).trimmed();
        const bool differs = !sent || !read || sent->values()[k] != read->values()[k];
        lines << (differs ? QStringLiteral("* ") : QStringLiteral("  ")) +
                     ReportRows::padded(label, value(sent, k) + QStringLiteral(" | ") + value(read, k));
    }
    return lines;
}

} // namespace

QString RestoreRecord::verdict() const
{
    if (identical())
        return QStringLiteral("Read-back: identical");
    return QStringLiteral("Read-back: differs: ") + differing.join(QStringLiteral(", "));
}

RestoreRecord buildRestoreRecord(const RestoreRecordInput& in)
{
    using RecordFields::Kind;
    const auto config = RecordFields::compare(
        Kind::Configuration, {in.oldConfig, in.beforeConfig, in.sentConfig, in.readConfig}, kSent, kRead);
    const auto cal = RecordFields::compare(Kind::Calibration,
                                           {in.oldCal, in.beforeCal, in.sentCal, in.readCal}, kSent, kRead);

    RestoreRecord record;
    record.differing = config.differing + cal.differing;

    QStringList lines;
    lines << QStringLiteral("Restore Record");
    lines << ReportRows::padded(QStringLiteral("Site License"), in.siteLicense);
    lines << ReportRows::padded(QStringLiteral("Written"),
                                in.written.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    lines << QString();
    lines << QStringLiteral("Values: old board (backup) | replacement board before | sent | read back");
    lines << QStringLiteral(
        "A leading \"*\" marks a value the replacement board holds other than it was sent.");
    lines << QString();
    lines << QStringLiteral("[Configuration]");
    lines << config.rows;
    lines << QString();
    lines << QStringLiteral("[Calibration]");
    lines << cal.rows;
    lines << QString();
    lines << QStringLiteral("[Kept settings of the replacement board]");
    lines << QStringLiteral("Values: kept (replacement board before) | old board (not sent)");
    for (const char* name : kKeptSettings) {
        const QString label = QString::fromLatin1(name);
        lines << QStringLiteral("  ") +
                     ReportRows::padded(label, fieldValue(in.beforeConfig, label) + QStringLiteral(" | ") +
                                                   fieldValue(in.oldConfig, label));
    }
    lines << QString();
    lines << QStringLiteral("[Totals]");
    lines << QStringLiteral("Values in kilolitres: sent | read back (registers 116-155)");
    lines << totalsLines(in.totalsSent, in.totalsRead);
    lines << QString();
    lines << record.verdict();

    record.text = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLocal8Bit();
    return record;
}
