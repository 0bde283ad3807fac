#include "TDateTime.h"

#include <cmath>
#include <cstdint>

namespace Q7Data {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Whole days and milliseconds into the day. The fraction is taken from the magnitude, so a
// value before the epoch keeps its time of day positive (the convention of this value type).
struct Split
{
    std::int64_t days;
    std::int64_t ms;
};

Split split(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3e6) // beyond year 10000 either way
        return {0, 0};
    double whole = std::trunc(value);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        whole += value < 0 ? -1 : 1;
    }
    return {static_cast<std::int64_t>(whole), ms};
}

} // namespace

TDateTime TDateTime::fromDateTime(const QDate& date, const QTime& time)
{
    const double days = static_cast<double>(epoch().daysTo(date));
    const double fraction = fromTime(time).value();
    return TDateTime(days >= 0 ? days + fraction : days - fraction);
}

TDateTime TDateTime::fromTime(const QTime& time)
{
    if (!time.isValid())
        return TDateTime();
    return TDateTime(static_cast<double>(time.msecsSinceStartOfDay()) / kMsPerDay);
}

QDate TDateTime::date() const
{
    return epoch().addDays(split(m_days).days);
}

QTime TDateTime::time() const
{
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(split(m_days).ms));
}

} // namespace Q7Data
