#include "Formats.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace Formats {

namespace {

struct Pattern
{
    int minDecimals = 0;
    int maxDecimals = 0;
};

Pattern parse(const char* pattern)
{
    Pattern p;
    const char* point = std::strchr(pattern, '.');
    if (!point)
        return p;
    for (const char* c = point + 1; *c; ++c) {
        if (*c == '0') {
            ++p.minDecimals;
            ++p.maxDecimals;
        } else if (*c == '#') {
            ++p.maxDecimals;
        }
    }
    return p;
}

// The exact decimal expansion of a finite double, digits only, with the point after
// `intDigits`. A double's last bit is worth 2^(exponent - 53), which takes exactly
// 53 - exponent decimals (at most 1074, for the smallest), so no rounding happens here.
struct Expansion
{
    std::string digits;
    std::size_t intDigits = 0;
};

Expansion exactDigits(double magnitude, int minDecimals)
{
    int exponent = 0;
    std::frexp(magnitude, &exponent);
    const int decimals = std::max(minDecimals, std::clamp(53 - exponent, 0, 1074));
    std::string buffer(static_cast<std::size_t>(decimals) + 330, '\0');
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::fixed, decimals);
    buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
    Expansion e;
    const std::size_t point = buffer.find('.');
    e.intDigits = point == std::string::npos ? buffer.size() : point;
    e.digits = buffer.substr(0, e.intDigits) +
               (point == std::string::npos ? std::string() : buffer.substr(point + 1));
    return e;
}

} // namespace

QString formatFloat(const char* pattern, double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    const Pattern p = parse(pattern);
    Expansion e = exactDigits(std::fabs(value), p.maxDecimals + 1);
    // Keep the integer digits and maxDecimals decimals; round on the first dropped digit.
    // Halves round away from zero (a technician reads 0.125 as 0.13, not 0.12).
    const std::size_t keep = e.intDigits + static_cast<std::size_t>(p.maxDecimals);
    std::string kept = e.digits.substr(0, keep);
    if (keep < e.digits.size() && e.digits[keep] >= '5') {
        int at = static_cast<int>(kept.size()) - 1;
        while (at >= 0 && kept[static_cast<std::size_t>(at)] == '9')
            kept[static_cast<std::size_t>(at--)] = '0';
        if (at >= 0)
            ++kept[static_cast<std::size_t>(at)];
        else {
            kept.insert(kept.begin(), '1');
            ++e.intDigits;
        }
    }
    std::string integer = kept.substr(0, e.intDigits);
    std::string decimals = kept.substr(e.intDigits);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
    while (static_cast<int>(decimals.size()) > p.minDecimals && decimals.back() == '0')
        decimals.pop_back();

    const bool zero = kept.find_first_not_of('0') == std::string::npos;
    QString text;
    if (value < 0 && !zero)
        text += QLatin1Char('-');
    text += QString::fromStdString(integer);
    if (!decimals.empty())
        text += QLocale::system().decimalPoint() + QString::fromStdString(decimals);
    return text;
}

QString hexByte(std::uint8_t v)
{
    return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
}

QString hexBytes(const std::array<std::uint8_t, 6>& bytes)
{
    QString text;
    for (std::uint8_t b : bytes)
        text += hexByte(b) + QLatin1Char(' ');
    return text;
}

namespace {

QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString shortMonth(const QDate& d)
{
    return QLocale::system().monthName(d.month(), QLocale::ShortFormat);
}

// The long time format without a time-zone part: the value carries no zone, and the
// PC's long time format this stands for has none.
QString longTimeFormat()
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    return QLocale::system().timeFormat(QLocale::LongFormat).remove(zone).trimmed();
}

} // namespace

QString timeOfDay(Q7Data::TDateTime value)
{
    const QTime t = value.time();
    return twoDigits(t.hour()) + QLatin1Char(':') + twoDigits(t.minute()) + QLatin1Char(':') +
           twoDigits(t.second());
}

QString dayMonth(Q7Data::TDateTime value)
{
    const QDate d = value.date();
    return twoDigits(d.day()) + QLatin1Char('/') + shortMonth(d);
}

QString dayMonthYear(Q7Data::TDateTime value)
{
    const QDate d = value.date();
    return twoDigits(d.day()) + QLatin1Char(' ') + shortMonth(d) + QStringLiteral(", ") +
           QString::number(d.year());
}

QString dateTime(Q7Data::TDateTime value)
{
    const QLocale locale = QLocale::system();
    const QDate d = value.date();
    const QTime t = value.time();
    const QString date = locale.toString(d, locale.dateFormat(QLocale::ShortFormat));
    if (t.msecsSinceStartOfDay() == 0)
        return date;
    return date + QLatin1Char(' ') + locale.toString(t, longTimeFormat());
}

std::optional<QDateTime> parseDateTime(const QString& text, const QDate& near)
{
    const QLocale locale = QLocale::system();
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    QDateTime at = locale.toDateTime(text, dateFormat + QLatin1Char(' ') + longTimeFormat());
    if (!at.isValid()) {
        const QDate midnight = locale.toDate(text, dateFormat);
        if (!midnight.isValid())
            return std::nullopt;
        at = QDateTime(midnight, QTime(0, 0));
    }
    // Qt reads "yy" as 19yy; a short date format with two-digit years would put the board
    // clock a century away.
    if (near.isValid()) {
        const int centuries = qRound((near.year() - at.date().year()) / 100.0);
        at = at.addYears(centuries * 100);
    }
    return at;
}

} // namespace Formats
