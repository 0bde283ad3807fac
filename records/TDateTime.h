#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace Q7Data {

// The PC's date-time value as the board conversions use it: days since 30 December 1899,
// the time of day as the fraction. The value 0 stands for "no date" in those conversions
// (and reads as midnight of 30 December 1899 where a date is shown anyway).
class TDateTime
{
public:
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double days) : m_days(days) {}

    static TDateTime fromDateTime(const QDate& date, const QTime& time);
    static TDateTime fromDateTime(const QDateTime& at) { return fromDateTime(at.date(), at.time()); }
    // A time of day alone, as the fraction of a day.
    static TDateTime fromTime(const QTime& time);

    constexpr double value() const { return m_days; }
    constexpr bool isZero() const { return m_days == 0; }

    // Decomposed to whole milliseconds; the date carries over when the fraction rounds to a day.
    QDate date() const;
    QTime time() const;
    QDateTime toDateTime() const { return QDateTime(date(), time()); }

    static QDate epoch() { return QDate(1899, 12, 30); }

    friend constexpr bool operator==(TDateTime, TDateTime) = default;

private:
    double m_days = 0;
};

} // namespace Q7Data
