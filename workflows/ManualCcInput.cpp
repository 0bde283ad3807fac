#include "ManualCC.h"

#include "CalRecord.h"
#include "Formats.h"

#include <QLocale>

#include <cmath>

namespace ManualCcInput {

namespace {

constexpr char16_t kBackspace = 8;
constexpr char16_t kCode12 = 12;

bool isRealBox(Box box)
{
    return box == Box::TubeZero || box == Box::TubeFactor;
}

struct Range
{
    double low;
    double high;
};

Range range(Box box)
{
    switch (box) {
    case Box::MeterId:
        return {0, 999999};
    case Box::PipeDiameter:
        return {0, 2000};
    case Box::CoilCurrent:
        return {80, 300};
    case Box::TubeZero:
        return {-100, 100};
    case Box::TubeFactor:
        break;
    }
    return {0, 10000};
}

// The boxes take only "." as the decimal mark (their key filter), so their texts are written
// and read with it whatever the PC's regional settings say.
QString realText(double value)
{
    QString text = Formats::formatFloat("0.0####", value);
    const QString mark = QLocale::system().decimalPoint();
    if (mark != QStringLiteral("."))
        text.replace(mark, QStringLiteral("."));
    return text;
}

Change outOfRange(Box box)
{
    const Range r = range(box);
    const auto bound = [box](double v) {
        return box == Box::TubeFactor ? realText(v) : QString::number(static_cast<long long>(v));
    };
    return {Change::Result::OutOfRange, QStringLiteral("Value out of range(") + bound(r.low) +
                                            QStringLiteral(" - ") + bound(r.high) + QLatin1Char(')')};
}

} // namespace

QString caption(Box box)
{
    switch (box) {
    case Box::MeterId:
        return QStringLiteral("Meter SN");
    case Box::PipeDiameter:
        return QStringLiteral("Pipe Diameter");
    case Box::CoilCurrent:
        return QStringLiteral("Coil Current");
    case Box::TubeZero:
        return QStringLiteral("Tube Zero");
    case Box::TubeFactor:
        break;
    }
    return QStringLiteral("Tube Factor");
}

QString boxText(Box box, const CalRecord& record)
{
    switch (box) {
    case Box::MeterId:
        return QString::number(record.meterId());
    case Box::PipeDiameter:
        return QString::number(record.pipeDiameter());
    case Box::CoilCurrent:
        return QString::number(record.coilCurrent());
    case Box::TubeZero:
        return realText(double(record.tubeZero(0)));
    case Box::TubeFactor:
        break;
    }
    return realText(double(record.tubeFactor(3)));
}

bool acceptsKey(Box box, const QString& text, QChar typed)
{
    const char16_t c = typed.unicode();
    if ((c >= u'0' && c <= u'9') || c == kBackspace || c == kCode12)
        return true;
    if (!isRealBox(box))
        return false;
    if (c == u'+' || c == u'-')
        return text.isEmpty();
    if (c == u'.')
        return !text.contains(QLatin1Char('.'));
    return false;
}

Change checkText(Box box, const QString& text, CalRecord& record, bool store)
{
    if (text.isEmpty())
        return {};
    const Range r = range(box);
    if (isRealBox(box)) {
        if (text == QStringLiteral("-") || text == QStringLiteral("+"))
            return {};
        bool ok = false;
        const double value = QLocale::c().toDouble(text, &ok);
        if (!ok || !std::isfinite(value))
            return {};
        const double compared = box == Box::TubeZero ? std::trunc(value) : value;
        if (compared < r.low || compared > r.high)
            return outOfRange(box);
        if (store) {
            if (box == Box::TubeZero)
                record.setTubeZero(0, static_cast<float>(value));
            else
                record.setTubeFactor(3, static_cast<float>(value));
        }
        return {Change::Result::Stored, {}};
    }

    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    // All digits and still no number: more digits than any value in range has.
    if (!ok || double(value) > r.high || double(value) < r.low)
        return outOfRange(box);
    if (store) {
        switch (box) {
        case Box::MeterId:
            record.setMeterId(static_cast<std::uint32_t>(value));
            break;
        case Box::PipeDiameter:
            record.setPipeDiameter(static_cast<std::uint16_t>(value));
            break;
        default:
            record.setCoilCurrent(static_cast<std::uint16_t>(value));
            break;
        }
    }
    return {Change::Result::Stored, {}};
}

std::optional<Change> typeKey(Box box, QString& text, QChar typed, CalRecord& record)
{
    if (!acceptsKey(box, text, typed))
        return std::nullopt;
    if (typed.unicode() == kBackspace)
        text.chop(1);
    else if (typed.unicode() != kCode12)
        text.append(typed);
    return checkText(box, text, record);
}

} // namespace ManualCcInput
