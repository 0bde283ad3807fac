#pragma once

// Stand-in for records/ (see Q7Data.h here): days since 30 December 1899, 0 = no date.
#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>

namespace Q7Data {

class TDateTime
{
public:
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double days) : m_days(days) {}

    static TDateTime fromDateTime(const QDate& date, const QTime& time)
    {
        return TDateTime(static_cast<double>(epoch().daysTo(date)) +
                         time.msecsSinceStartOfDay() / 86'400'000.0);
    }
    static TDateTime fromDateTime(const QDateTime& at) { return fromDateTime(at.date(), at.time()); }
    static TDateTime fromTime(const QTime& time)
    {
        return TDateTime(time.msecsSinceStartOfDay() / 86'400'000.0);
    }

    constexpr double value() const { return m_days; }
    constexpr bool isZero() const { return m_days == 0; }

    QDate date() const { return epoch().addDays(static_cast<qint64>(std::floor(wholeMs() / 86'400'000.0))); }
    QTime time() const
    {
        const qint64 ms = wholeMs() % 86'400'000;
        return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms < 0 ? ms + 86'400'000 : ms));
    }
    QDateTime toDateTime() const { return QDateTime(date(), time()); }
    static QDate epoch() { return QDate(1899, 12, 30); }

    friend constexpr bool operator==(TDateTime, TDateTime) = default;

private:
    qint64 wholeMs() const { return static_cast<qint64>(std::llround(m_days * 86'400'000.0)); }
    double m_days = 0;
};

} // namespace Q7Data
