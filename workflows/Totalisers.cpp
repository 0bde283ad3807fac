#include "Totalisers.h"

#include "BackupDigests.h"
#include "ByteOrder.h"
#include "CalRecord.h"
#include "Clock.h"
#include "Formats.h"
#include "Operator.h"
#include "Q7Port.h"
#include "Registers.h"
#include "WholeFile.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <QFile>
#include <QStringList>

#include <cmath>
#include <limits>

namespace {

constexpr std::uint16_t kTotalRegisters = 40;
constexpr char16_t kBackspace = 8;
constexpr char16_t kCode12 = 12;

// Labels padded to the log's column; "NettYTDTotal" is one blank short, as the logs have it.
constexpr std::array<const char*, Q7Data::Totalisers::kCount> kLogLabels = {
    "ForwardTotal        \t= ", "ReverseTotal        \t= ", "NettTotal           \t= ",
    "PeakForwardTotal    \t= ", "OffPeakForwardTotal \t= ", "PeakReverseTotal    \t= ",
    "OffPeakReverseTotal \t= ", "ForwardYTDTotal     \t= ", "ReverseYTDTotal     \t= ",
    "NettYTDTotal       \t= ",
};

QString readingsLine(const Clock& clock)
{
    return QStringLiteral("Totaliser readings  \t= ") +
           Formats::dateTime(Q7Data::TDateTime::fromDateTime(clock.currentDateTime()));
}

QString valueLine(const std::array<float, Q7Data::Totalisers::kCount>& values, int slot)
{
    return QLatin1String(kLogLabels[static_cast<std::size_t>(slot)]) +
           TotalisersInput::formatValue(values[static_cast<std::size_t>(slot)]);
}

// The logs are for people reading them on the PC: its 8-bit text, CR LF.
bool writeLog(const QString& path, const QStringList& lines)
{
    return writeWholeFile(path, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLocal8Bit())
        .ok;
}

bool writeBackup(const QString& siteDir, const Q7Data::Totalisers& totals)
{
    const auto bytes = totals.toBytes();
    if (!writeWholeFile(
             siteDir + QLatin1String(TotaliserFiles::kBackup),
             QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())))
             .ok)
        return false;
    BackupDigests::update(siteDir, QLatin1String(TotaliserFiles::kBackup));
    return true;
}

// Only a file of exactly the record's length is a totaliser backup.
std::optional<Q7Data::Totalisers> readBackup(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != static_cast<qint64>(Q7Data::Totalisers::kBytes))
        return std::nullopt;
    const QByteArray bytes = file.read(Q7Data::Totalisers::kBytes + 1);
    return Q7Data::Totalisers::fromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                   static_cast<std::size_t>(bytes.size())));
}

// A value the board's 32-bit integer cannot hold is sent as the nearest one it can, never as
// whatever an out-of-range conversion happens to leave.
std::int32_t integerPart(double truncated)
{
    if (std::isnan(truncated))
        return 0;
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(truncated, kMin, kMax));
}

} // namespace

namespace TotaliserFiles {
QString boardLogName(std::uint32_t meterId)
{
    return QStringLiteral("Totalisers Log - ") + QString::number(meterId) + QStringLiteral(".txt");
}
} // namespace TotaliserFiles

bool logTotalisers(Workbench& bench, Q7Port& link)
{
    if (!link.portOpen || !link.sendNullCommand())
        return false;
    std::optional<Q7Data::Totalisers> totals;
    for (int attempt = 0; attempt < 4 && !totals; ++attempt) {
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        // A short reply would decode as zeros; it is a failed read like no reply.
        if (link.readRegisters(Registers::kTotals, kTotalRegisters, buffer, length, 5) &&
            length >= 1 + 2 * kTotalRegisters)
            totals =
                Registers::totalisersFromRegisters(std::span<const std::uint8_t, 80>(buffer.data() + 1, 80));
    }
    if (!totals)
        return false;

    const auto cal = CalRecord::fromBytes(link.structures[4]);
    const std::uint32_t meterId = cal ? cal->meterId() : 0;
    const auto values = totals->values();
    QStringList lines{QStringLiteral("MeterID             \t= ") + QString::number(meterId),
                      readingsLine(bench.clock())};
    for (int slot = 0; slot < static_cast<int>(values.size()); ++slot)
        lines << valueLine(values, slot);
    return writeLog(bench.siteDataDir + TotaliserFiles::boardLogName(meterId), lines) &&
           writeBackup(bench.siteDataDir, *totals);
}

bool sendTotalisers(Workbench& bench, Q7Port& link)
{
    if (!link.sendNullCommand()) {
        bench.op().setStatus(QStringLiteral("Failed to communicate with Q7"));
        return false;
    }
    const QString path = bench.siteDataDir + QLatin1String(TotaliserFiles::kBackup);
    if (!QFile::exists(path)) {
        bench.op().message(QStringLiteral("Totaliser File not found"));
        return false;
    }
    const std::optional<Q7Data::Totalisers> totals = readBackup(path);
    if (!totals) {
        bench.op().message(QStringLiteral("Totaliser File Invalid"));
        return false;
    }
    const auto payload = totalsPayload(*totals);
    for (int attempt = 0; attempt < 4; ++attempt)
        if (link.sendTotalsUpdateCommand(payload))
            return true;
    return false;
}

bool queryTotalisers(Workbench& bench)
{
    const QString backupPath = bench.siteDataDir + QLatin1String(TotaliserFiles::kBackup);
    const QString logPath = bench.siteDataDir + QLatin1String(TotaliserFiles::kQueryLog);
    const std::optional<Q7Data::Totalisers> typed =
        bench.op().totalisers(readBackup(backupPath).value_or(Q7Data::Totalisers{}));
    if (!typed)
        return false;

    const auto values = typed->values();
    QStringList lines{QStringLiteral("Created via Query"), readingsLine(bench.clock())};
    for (const int slot : TotalisersInput::kDialogOrder)
        lines << valueLine(values, slot);

    if (QFile::exists(logPath) || QFile::exists(backupPath)) {
        const auto overwrite = bench.op().message(
            QStringLiteral("Totalisers log file exists, are you sure you want to overwrite them?"),
            QStringLiteral("Warning"), Operator::Buttons::YesNo);
        if (overwrite != Operator::Answer::Yes)
            return true;
    }
    // The backup is what the restore sends: a write that failed must not pass as done.
    return writeLog(logPath, lines) && writeBackup(bench.siteDataDir, *typed);
}

std::array<std::uint8_t, 80> totalsPayload(const Q7Data::Totalisers& totals)
{
    std::array<std::uint8_t, 80> payload{};
    const auto values = totals.values();
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double value = values[k];
        const double truncated = std::trunc(value);
        ByteOrder::writeLe32(payload, 4 * k, static_cast<std::uint32_t>(integerPart(truncated)));
        ByteOrder::writeLeF32(payload, 40 + 4 * k, static_cast<float>((value - truncated) * 1000.0));
    }
    return payload;
}

namespace TotalisersInput {

QString formatValue(float value)
{
    return Formats::formatFloat("0.000", value);
}

bool acceptsKey(const QString& text, QChar typed)
{
    const char16_t c = typed.unicode();
    if ((c >= u'0' && c <= u'9') || c == kBackspace || c == kCode12)
        return true;
    return c == u'.' && !text.contains(QLatin1Char('.'));
}

QString afterChange(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("0") : text;
}

std::optional<Q7Data::Totalisers> convert(const std::array<QString, Q7Data::Totalisers::kCount>& texts,
                                          const QLocale& locale)
{
    std::array<float, Q7Data::Totalisers::kCount> values{};
    // Slot order is the order the boxes are converted in.
    for (std::size_t slot = 0; slot < texts.size(); ++slot) {
        bool ok = false;
        const double value = locale.toDouble(texts[slot].trimmed(), &ok);
        // A number too large for the board's 32-bit float is as unusable as no number.
        if (!ok || !std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
            return std::nullopt;
        values[slot] = static_cast<float>(value);
    }
    return Q7Data::Totalisers::fromValues(values);
}

} // namespace TotalisersInput
