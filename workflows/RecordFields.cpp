#include "RecordFields.h"

#include "BasicCalRecord.h"
#include "CalRecord.h"
#include "ConfigRecord.h"
#include "Formats.h"
#include "ReportRows.h"

#include <QHash>

#include <algorithm>

namespace RecordFields {

namespace {

using Spans = std::vector<ByteSpan>;

// Where each report label's value lives in the record. A label the report shows without bytes
// of its own ("Serial Port Format") has none and is left out.
QHash<QString, Spans> configurationSpans()
{
    QHash<QString, Spans> s{
        {"Site ID", {{4, 4}}},
        {"Flow Volume Units", {{50, 2}}},
        {"Flow Volume Special Factor", {{52, 4}}},
        {"Flow Time Units", {{56, 2}}},
        {"Flow Time Special Factor", {{58, 4}}},
        {"Totaliser Units", {{62, 2}}},
        {"Totaliser Special Factor", {{64, 4}}},
        {"Reverse Flow", {{276, 2}}},
        {"Gate Control", {{278, 2}}},
        {"Empty Pipe Detection", {{18, 2}}},
        {"PNF Threshold", {{20, 4}}},
        {"EC Threshold", {{24, 4}}},
        {"Zero Flow Cutoff", {{34, 4}}},
        {"Low Flow Cutoff", {{30, 4}}},
        {"Simulation Value", {{12, 4}}},
        {"Fail Safe Mode Low", {{28, 2}}},
        {"Battery Alarm Level", {{282, 4}}},
        {"On Time", {{40, 2}}},
        {"Off Time", {{42, 2}}},
        {"Zero Flow Off Time", {{48, 2}}},
        {"Response Time", {{38, 2}}},
        // Bits 0 and 1 of the options word; its other bits are reserved.
        {"Low Power Mode", {{280, 1, 0x01}}},
        {"Halt on Signal Errors", {{280, 1, 0x02}}},
        {"Logging Interval", {{44, 2}}},
        {"Register Logging Interval", {{274, 2}}},
        {"Scans between Diagnostic Log", {{46, 2}}},
        {"Offpeak Start Time", {{70, 10}}},
        {"Offpeak Stop Time", {{80, 10}}},
        {"EOY Latch Date", {{90, 10}}},
        {"LCD Contrast", {{248, 2}}},
        {"LCD Timeout", {{10, 2}}},
        {"Backlight Timeout", {{8, 2}}},
        {"Serialport Protocol Mode", {{240, 2}}},
        {"Baud Rate", {{244, 2}}},
        {"Modbus ID(address)", {{2, 2}}},
        {"Modem On Duration", {{250, 2}}},
        {"Modem Interval Time", {{252, 2}}},
        {"Modem Window Enabled", {{254, 10}}},
        {"Modem Window Disabled", {{264, 10}}},
    };
    // An alarm's last eight bytes are reserved.
    for (int i = 0; i < ConfigRecord::kAlarms; ++i)
        s.insert(QStringLiteral("Alarm[%1]").arg(i), {{112 + 12u * i, 4}});
    for (int i = 0; i < ConfigRecord::kAnalogOutputs; ++i)
        s.insert(QStringLiteral("Analog Output[%1]").arg(i), {{160 + 20u * i, 20}});
    for (int i = 0; i < ConfigRecord::kDigitalOutputs; ++i)
        s.insert(QStringLiteral("Digital Output[%1]").arg(i), {{200 + 10u * i, 10}});
    return s;
}

QHash<QString, Spans> calibrationSpans()
{
    QHash<QString, Spans> s{
        {"Meter ID", {{2, 4}}},          {"Flow fullscale", {{6, 4}}},     {"Density", {{60, 4}}},
        {"W4K Factor", {{56, 4}}},       {"Model replacing", {{16, 2}}},   {"Pipe Diameter", {{18, 2}}},
        {"Pipe Size Units", {{10, 2}}},  {"Coil Current", {{14, 2}}},      {"Coil frequency", {{64, 4}}},
        {"Filter Frequency", {{12, 2}}}, {"Tube Select", {{20, 12}}},      {"FlowTube Factors", {{32, 16}}},
        {"FlowTube Zero", {{48, 8}}},    {"Calibration Date", {{84, 10}}}, {"Verification Date", {{94, 10}}},
    };
    for (int i = 0; i < CalRecord::kCurrentOutputs; ++i) {
        s.insert(QStringLiteral("4-20mA Span[%1]").arg(i), {{68 + 4u * i, 4}});
        s.insert(QStringLiteral("4-20mA Offset[%1]").arg(i), {{76 + 4u * i, 4}});
    }
    return s;
}

QHash<QString, Spans> basicCalibrationSpans()
{
    QHash<QString, Spans> s{
        {"Battery Safety Limit", {{168, 4}}},
        {"Low Battery System Alarm Level", {{172, 4}}},
    };
    for (int i = 0; i < BasicCalRecord::kCompensations; ++i)
        s.insert(QStringLiteral("Compensation[%1]").arg(i), {{10 + 24u * i, 24}});
    const char* const floats[] = {"Coil Offset",
                                  "Coil Span",
                                  "Coil Voltage Offset",
                                  "Coil Voltage Span",
                                  "Coil Current Offset",
                                  "Coil Current Span",
                                  "Battery Charge Voltage Offset",
                                  "Battery Charge Voltage Span",
                                  "Battery Charge Current Offset",
                                  "Battery Charge Current Span",
                                  "Solar Voltage Offset",
                                  "Solar Voltage Span",
                                  "Temperature Offset",
                                  "Temperature Span"};
    std::size_t at = 82;
    for (const char* label : floats) {
        s.insert(QString::fromLatin1(label), {{at, 4}});
        at += 4;
    }
    return s;
}

QStringList reportRows(Kind kind, std::span<const std::uint8_t> bytes)
{
    switch (kind) {
    case Kind::Configuration:
        return ReportRows::configurationRows(*ConfigRecord::fromBytes(bytes));
    case Kind::Calibration:
        return ReportRows::calibrationRows(*CalRecord::fromBytes(bytes));
    case Kind::BasicCalibration:
        return ReportRows::basicCalibrationRows(*BasicCalRecord::fromBytes(bytes));
    }
    return {};
}

std::pair<QString, QString> splitRow(const QString& row)
{
    const qsizetype at = row.indexOf(QLatin1Char('='));
    if (at < 0)
        return {row.trimmed(), {}};
    QString value = row.mid(at + 1);
    if (value.startsWith(QLatin1Char(' ')))
        value.remove(0, 1);
    return {row.left(at).trimmed(), value};
}

std::span<const std::uint8_t> asSpan(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

// The fields in the order of the report's rows, so a reader finds them where the report has
// them; a row repeated by the report is listed once.
std::vector<Field> buildFields(Kind kind, const QHash<QString, Spans>& spans)
{
    const std::vector<std::uint8_t> zeros(recordSize(kind), 0);
    std::vector<Field> out;
    QStringList seen;
    for (const QString& row : reportRows(kind, zeros)) {
        const QString label = splitRow(row).first;
        if (seen.contains(label) || !spans.contains(label))
            continue;
        seen << label;
        out.push_back({label, spans.value(label), false});
    }
    if (kind == Kind::Configuration)
        out.push_back({QStringLiteral("Access Codes"),
                       {{ConfigRecord::kAccessCodesOffset, ConfigRecord::kAccessCodesSize}},
                       true});
    return out;
}

const QString kMasked = QStringLiteral("(masked)");
const QString kAbsent = QStringLiteral("-");

} // namespace

std::optional<Kind> kindOfSize(qsizetype size)
{
    for (const Kind kind : {Kind::Configuration, Kind::Calibration, Kind::BasicCalibration})
        if (size == static_cast<qsizetype>(recordSize(kind)))
            return kind;
    return std::nullopt;
}

std::size_t recordSize(Kind kind)
{
    switch (kind) {
    case Kind::Configuration:
        return ConfigRecord::kSize;
    case Kind::Calibration:
        return CalRecord::kSize;
    case Kind::BasicCalibration:
        return BasicCalRecord::kSize;
    }
    return 0;
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Configuration:
        return QStringLiteral("Configuration");
    case Kind::Calibration:
        return QStringLiteral("Calibration");
    case Kind::BasicCalibration:
        return QStringLiteral("HW Calibration");
    }
    return {};
}

const std::vector<Field>& fields(Kind kind)
{
    static const std::vector<Field> configuration = buildFields(Kind::Configuration, configurationSpans());
    static const std::vector<Field> calibration = buildFields(Kind::Calibration, calibrationSpans());
    static const std::vector<Field> basicCalibration =
        buildFields(Kind::BasicCalibration, basicCalibrationSpans());
    switch (kind) {
    case Kind::Configuration:
        return configuration;
    case Kind::Calibration:
        return calibration;
    case Kind::BasicCalibration:
        break;
    }
    return basicCalibration;
}

QStringList values(Kind kind, std::span<const std::uint8_t> bytes)
{
    QHash<QString, QString> byLabel;
    for (const QString& row : reportRows(kind, bytes)) {
        const auto [label, value] = splitRow(row);
        if (!byLabel.contains(label))
            byLabel.insert(label, value);
    }
    QStringList out;
    for (const Field& field : fields(kind))
        out << (field.secret ? kMasked : byLabel.value(field.label));
    return out;
}

QStringList values(Kind kind, const QByteArray& bytes)
{
    return values(kind, asSpan(bytes));
}

bool sameField(const Field& field, std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    for (const ByteSpan& s : field.spans)
        for (std::size_t i = s.offset; i < s.offset + s.size; ++i)
            if ((a[i] & s.mask) != (b[i] & s.mask))
                return false;
    return true;
}

bool sameField(const Field& field, const QByteArray& a, const QByteArray& b)
{
    return sameField(field, asSpan(a), asSpan(b));
}

QString hexValue(const Field& field, std::span<const std::uint8_t> bytes)
{
    if (field.secret)
        return kMasked;
    QStringList hex;
    for (const ByteSpan& s : field.spans)
        for (std::size_t i = s.offset; i < s.offset + s.size; ++i)
            hex << Formats::hexByte(bytes[i] & s.mask);
    return hex.join(QLatin1Char(' '));
}

Comparison compare(Kind kind, const std::vector<std::optional<QByteArray>>& copies, std::size_t left,
                   std::size_t right)
{
    const std::size_t size = recordSize(kind);
    std::vector<QStringList> texts;
    for (const auto& copy : copies)
        texts.push_back(copy && static_cast<std::size_t>(copy->size()) == size ? values(kind, *copy)
                                                                               : QStringList{});
    const auto present = [&](std::size_t c) { return !texts[c].isEmpty(); };

    Comparison out;
    const std::vector<Field>& list = fields(kind);
    for (std::size_t f = 0; f < list.size(); ++f) {
        const Field& field = list[f];
        const bool differs = !present(left) || !present(right) ||
                             !sameField(field, asSpan(*copies[left]), asSpan(*copies[right]));
        // Where the bytes disagree but the texts do not, only the bytes can show the difference.
        bool hidden = false;
        for (std::size_t a = 0; a < copies.size() && !field.secret; ++a)
            for (std::size_t b = a + 1; b < copies.size(); ++b)
                if (present(a) && present(b) && !sameField(field, asSpan(*copies[a]), asSpan(*copies[b])) &&
                    texts[a][f] == texts[b][f])
                    hidden = true;
        QStringList shown;
        for (std::size_t c = 0; c < copies.size(); ++c) {
            if (!present(c))
                shown << kAbsent;
            else if (hidden)
                shown << texts[c][f] + QStringLiteral(" [") + hexValue(field, asSpan(*copies[c])) +
                             QLatin1Char(']');
            else
                shown << texts[c][f];
        }
        out.rows << (differs ? QStringLiteral("* ") : QStringLiteral("  ")) +
                        ReportRows::padded(field.label, shown.join(QStringLiteral(" | ")));
        if (differs)
            out.differing << field.label;
    }
    return out;
}

} // namespace RecordFields
