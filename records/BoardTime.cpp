#include "BoardTime.h"

namespace Q7Data {

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysPerMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return kDays[month - 1] + ((month == 2 && IsLeapYear(year)) ? 1 : 0);
}

bool IsValidTimestamp(const Timestamp& ts)
{
    return ts.year < 200 && ts.month >= 1 && ts.month <= 12 && ts.day >= 1 &&
           ts.day <= DaysPerMonth(2000 + ts.year, ts.month) && ts.hour <= 23 && ts.minute < 60 &&
           ts.second < 60;
}

std::array<std::uint8_t, 6> encodeTimestamp(const Timestamp& ts)
{
    return {ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second};
}

Timestamp decodeTimestamp(std::span<const std::uint8_t, 6> b)
{
    return {b[0], b[1], b[2], b[3], b[4], b[5]};
}

TDateTime encodeTDateTime(const Timestamp& ts)
{
    if (!IsValidTimestamp(ts))
        return TDateTime();
    return TDateTime::fromDateTime(QDate(2000 + ts.year, ts.month, ts.day),
                                   QTime(ts.hour, ts.minute, ts.second));
}

TDateTime encodeTTime(const Timestamp& ts)
{
    Timestamp timeOnly = ts;
    timeOnly.year = 0;
    timeOnly.month = 1;
    timeOnly.day = 1;
    if (!IsValidTimestamp(timeOnly))
        return TDateTime();
    return TDateTime::fromTime(QTime(ts.hour, ts.minute, ts.second));
}

Timestamp decodeTDateTime(TDateTime value)
{
    if (value.isZero())
        return {};
    const QDate d = value.date();
    const QTime t = value.time();
    return {static_cast<std::uint8_t>((d.year() - 2000) & 0xFF),
            static_cast<std::uint8_t>(d.month()),
            static_cast<std::uint8_t>(d.day()),
            static_cast<std::uint8_t>(t.hour()),
            static_cast<std::uint8_t>(t.minute()),
            static_cast<std::uint8_t>(t.second())};
}

} // namespace Q7Data
