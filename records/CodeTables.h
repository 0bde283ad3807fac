#pragma once

#include <QString>

#include <cstdint>

// The board's code tables with the texts the report shows, letter for letter (trailing
// blanks included). A code outside its table gives an empty text; nothing is rejected.
namespace CodeTables {

QString volumeUnit(std::uint16_t code);  // "Flow Volume Units", "Totaliser Units"
QString timeUnit(std::uint16_t code);    // "Flow Time Units"
QString alarmSource(std::uint16_t code); // 1..7; 0 means the alarm is off and has no text here
QString outputQuantity(int code);        // digital 0..5, analog 0..2 ("Velocity, " ...)
QString serialProtocolMode(std::int16_t code);
QString baudRate(std::int16_t code);
QString pipeSizeUnits(std::uint16_t code);
QString filterFrequency(std::uint16_t code);
QString optionCard(int code);

} // namespace CodeTables
