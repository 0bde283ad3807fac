#pragma once

#include <cstdint>

// The codes as the board knows them. The PC's link has its own table; keeping this one apart
// means a wrong code on one side shows up as a failed exchange instead of hiding.
namespace sim::code {

constexpr uint8_t kRequest = 0x80;
constexpr uint8_t kReply = 0x81;
constexpr uint8_t kAccepted = 0x80;

// Kalder commands.
constexpr uint8_t kNull = 0x00;
constexpr uint8_t kDateTimeBounds = 0x01;
constexpr uint8_t kLogFile = 0x02;
constexpr uint8_t kConfigFile = 0x04;
constexpr uint8_t kCalFile = 0x06;
constexpr uint8_t kBasicCalFile = 0x08;
constexpr uint8_t kBootCode = 0x0C;
constexpr uint8_t kGetStructure = 0x13;
constexpr uint8_t kPutStructure = 0x14;
constexpr uint8_t kSetId = 0x3E;
constexpr uint8_t kLcdPlus = 0x3F;
constexpr uint8_t kLcdMinus = 0x40;
constexpr uint8_t kTotalsUpdate = 0x41;
constexpr uint8_t kModemPower = 0x42;
constexpr uint8_t kReboot = 0x43;
constexpr uint8_t kReadChannel = 0x44;
constexpr uint8_t kSetState = 0x45;
constexpr uint8_t kCoilCurrent = 0x46;
constexpr uint8_t kInputSignal = 0x47;
constexpr uint8_t kPnfSignal = 0x49;
constexpr uint8_t kEcSignal = 0x4A;
constexpr uint8_t kAccessLevel = 0x4B;
constexpr uint8_t kLogIndex = 0x50;
constexpr uint8_t kEmbedded = 0x51;
constexpr uint8_t kCalToFactory = 0x62;
constexpr uint8_t kCalToCard = 0x63;
constexpr uint8_t kRtLog = 0x64;
constexpr uint8_t kClearLog = 0x65;
constexpr uint8_t kClearAllLogs = 0x66;
constexpr uint8_t kLogsToCard = 0x67;

// Modbus functions.
constexpr uint8_t kReadHolding = 3;
constexpr uint8_t kWriteOne = 6;
constexpr uint8_t kWriteMany = 16;
constexpr uint8_t kSetClock = 65;
constexpr uint8_t kClearTotals = 67;
constexpr uint8_t kCommsAccess = 68;
constexpr uint8_t kExceptionFlag = 0x80;

// Modbus exception codes.
constexpr uint8_t kIllegalFunction = 1;
constexpr uint8_t kIllegalAddress = 2;
constexpr uint8_t kIllegalValue = 3;

} // namespace sim::code
