#pragma once

#include "Q7Data.h"
#include "TDateTime.h"

#include <array>
#include <cstdint>
#include <span>

// The board's calendar: its six-byte timestamps, their validity rule and their conversion to
// and from the PC's date-time value. The device link wraps these as its own members.
namespace Q7Data {

bool IsLeapYear(int year);
// Defined for months 1 to 12; any other month has 0 days, so no day can be valid in it.
int DaysPerMonth(int year, int month);
bool IsValidTimestamp(const Timestamp& ts);

// The six bytes in record order: year - 2000, month, day, hour, minute, second.
std::array<std::uint8_t, 6> encodeTimestamp(const Timestamp& ts);
Timestamp decodeTimestamp(std::span<const std::uint8_t, 6> bytes);

// Date and time of a valid timestamp; 0 for an invalid one.
TDateTime encodeTDateTime(const Timestamp& ts);
// Time of day only; the date bytes are ignored; 0 for an invalid time.
TDateTime encodeTTime(const Timestamp& ts);
// 0 gives six zero bytes; milliseconds are dropped; the year byte keeps the low 8 bits.
Timestamp decodeTDateTime(TDateTime value);

} // namespace Q7Data
