#include "CodeTables.h"

#include <array>

namespace CodeTables {

namespace {

template <std::size_t N> QString lookup(const std::array<const char*, N>& texts, long long code)
{
    if (code < 0 || static_cast<std::size_t>(code) >= N || texts[static_cast<std::size_t>(code)] == nullptr)
        return QString();
    return QString::fromLatin1(texts[static_cast<std::size_t>(code)]);
}

} // namespace

QString volumeUnit(std::uint16_t code)
{
    static constexpr std::array<const char*, 12> kTexts = {
        "MEGA LITRES",     "CUBIC METRES",     "KILO LITRES",           "LITRES",
        "CUBIC FEET",      "IMPERIAL GALLONS", "IMPERIAL MEGA_GALLONS", "US GALLONS",
        "US MEGA GALLONS", "ACRE FEET",        "SPECIAL UNITS FACTOR",  "METER"};
    return lookup(kTexts, code);
}

QString timeUnit(std::uint16_t code)
{
    static constexpr std::array<const char*, 5> kTexts = {"Seconds", "Minutes", "Hours", "Days",
                                                          "Special Factor"};
    return lookup(kTexts, code);
}

QString alarmSource(std::uint16_t code)
{
    // Codes 3 to 7 are padded to the width of "PIPE_NOT_FULL"; "LOW_BATTERY" is not.
    static constexpr std::array<const char*, 8> kTexts = {nullptr,         "LOW_BATTERY",   "PIPE_NOT_FULL",
                                                          "SYSTEM_FAULT ", "LO_FLOW      ", "HI_FLOW      ",
                                                          "FWD_FLOW     ", "REV_FLOW     "};
    return lookup(kTexts, code);
}

QString outputQuantity(int code)
{
    static constexpr std::array<const char*, 6> kTexts = {"Velocity, ", "Flow rate, ", "Mass Flow, ",
                                                          "Fwd Flow, ", "Rev Flow, ",  "Net Total, "};
    return lookup(kTexts, code);
}

QString serialProtocolMode(std::int16_t code)
{
    static constexpr std::array<const char*, 3> kTexts = {"RS232", "RS485", "RS422"};
    return lookup(kTexts, code);
}

QString baudRate(std::int16_t code)
{
    static constexpr std::array<const char*, 3> kTexts = {"9600", "19200", "38400"};
    return lookup(kTexts, code);
}

QString pipeSizeUnits(std::uint16_t code)
{
    static constexpr std::array<const char*, 2> kTexts = {"millimeters", "inches"};
    return lookup(kTexts, code);
}

QString filterFrequency(std::uint16_t code)
{
    static constexpr std::array<const char*, 3> kTexts = {"50 Hertz", "60 Hertz", "Combined 50/60 Hertz"};
    return lookup(kTexts, code);
}

QString optionCard(int code)
{
    static constexpr std::array<const char*, 8> kTexts = {"EMPTY SLOT",   "CARD BLUETOOTH", "CARD ISOL COMMS",
                                                          "EMPTY SLOT",   "CARD DEBUG",     "CARD MODEM",
                                                          "CARD 4TO20AB", "CARD DIO EXPANS"};
    if (code == 31)
        return QStringLiteral("EMPTY SLOT");
    return lookup(kTexts, code);
}

} // namespace CodeTables
