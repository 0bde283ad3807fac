#pragma once

#include "Q7Data.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>

// The board's holding registers as the report and the workflows read them: 16 bits high byte
// first, 32-bit values in two registers most significant first. The functions take the register
// bytes of a read reply (after its byte count).
namespace Registers {

enum Number : std::uint16_t
{
    kResets = 0,
    kUptimeDays = 1,
    kUptimeHours = 2,
    kSystemFault = 54,
    kSelfTest = 55,
    kEsn = 56, // 3 registers
    kSignalStates = 61,
    kFirmwareVersion = 62, // 2 registers, four characters
    kBoardDateTime = 64,   // 3 registers
    kAlarmStatus = 86,
    kOptionCardSlot0 = 90,
    kFlowVelocity = 100,
    kFlowRate = 104,
    kMassFlow = 108,
    kTotals = 116, // 40 registers
    kCoilCurrent = 156,
    kBatteryVoltage = 160,
    kSolarVoltage = 168,
    kTemperature = 172,
    kCoilResistance = 176,
    kCoilVoltage = 184,
    kFlowVoltage = 328,
    kSimulationMode = 3003,
};

constexpr std::uint16_t kAllSelfTestsPassed = 127;

std::uint16_t uint16At(std::span<const std::uint8_t> registerBytes, std::size_t index);
std::uint32_t uint32At(std::span<const std::uint8_t> registerBytes, std::size_t index);
float float32At(std::span<const std::uint8_t> registerBytes, std::size_t index);

// The four characters of registers 62-63 as received.
using FirmwareChars = std::array<std::uint8_t, 4>;
// (third AND 15) x 10 + (fourth AND 15): "0052" gives 52, whatever the characters are.
int firmwareVersionNumber(const FirmwareChars& chars);
// The characters up to the first zero byte.
QString firmwareVersionText(const FirmwareChars& chars);

// The ESN in the order the board's information record holds it and the system shows it:
// the six bytes of registers 56-58 reversed (last byte received first).
using Esn = std::array<std::uint8_t, 6>;
Esn esnFromRegisters(std::span<const std::uint8_t, 6> registerBytes);

// Registers 64-66: second, minute, hour, day, month, year - 2000.
Q7Data::Timestamp timestampFromRegisters(std::span<const std::uint8_t, 6> registerBytes);

// The 80 register bytes of registers 116-155: ten groups of four registers, the value in the
// first two of each group; the second pair is not part of the total.
Q7Data::Totalisers totalisersFromRegisters(std::span<const std::uint8_t, 80> registerBytes);

} // namespace Registers
