#pragma once

#include "TDateTime.h"

#include <QString>

#include <array>
#include <optional>
#include <cstdint>

// The number and date texts of the report rows. Regional settings (decimal separator, month
// names, date and time formats) come from QLocale::system(), as the PC's settings would.
namespace Formats {

// A decimal pattern of '0's and '#'s around one '.': the '0's after the point are decimals
// always written, the '#'s decimals written only when not zero ("0.0####", "0.00", "0.000000").
// The value is rounded to the last decimal from its exact binary value, halves away from zero;
// a value that rounds to zero carries no minus sign.
QString formatFloat(const char* pattern, double value);

// printf's integer forms as the rows use them.
inline QString hu(std::uint16_t v)
{
    return QString::number(v);
}
inline QString lu(std::uint32_t v)
{
    return QString::number(v);
}
inline QString hd(std::int16_t v)
{
    return QString::number(v);
}
inline QString i(int v)
{
    return QString::number(v);
}

// Two upper-case hexadecimal digits.
QString hexByte(std::uint8_t v);
// Each byte as two hex digits followed by one blank (the text ends with a blank).
QString hexBytes(const std::array<std::uint8_t, 6>& bytes);

// "hh:nn:ss": hours, minutes, seconds, two digits each.
QString timeOfDay(Q7Data::TDateTime value);
// "dd/mmm": two-digit day, "/", the short month name.
QString dayMonth(Q7Data::TDateTime value);
// "dd mmm, yyyy".
QString dayMonthYear(Q7Data::TDateTime value);
// The standard date-time text: short date, a blank, long time; midnight gives the date alone.
QString dateTime(Q7Data::TDateTime value);
// A text made by dateTime read back (what it does not show, such as milliseconds, is lost);
// nullopt when it does not parse. A two-digit year is taken in the century nearest to near.
std::optional<QDateTime> parseDateTime(const QString& text, const QDate& near);

} // namespace Formats
