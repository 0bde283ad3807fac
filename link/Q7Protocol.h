#pragma once

#include <cstdint>

// The codes the PC and the board exchange. The simulated board keeps its own copy on purpose,
// so a wrong code here cannot hide by being shared with the far end.
namespace Q7Protocol {

// The second byte of a Kalder frame.
namespace FrameType {
constexpr std::uint8_t kRequest = 0x80;
constexpr std::uint8_t kReply = 0x81;
} // namespace FrameType

// The first data byte of a reply to a command the board carried out.
constexpr std::uint8_t kAccepted = 0x80;

// Kalder commands: the first payload byte of a request, echoed as the second of its reply.
namespace Command {
constexpr std::uint8_t kNull = 0x00;
constexpr std::uint8_t kDateTimeBounds = 0x01;
constexpr std::uint8_t kLogFile = 0x02;
constexpr std::uint8_t kConfigFile = 0x04;
constexpr std::uint8_t kCalFile = 0x06;
constexpr std::uint8_t kBasicCalFile = 0x08;
constexpr std::uint8_t kJumpToBootCode = 0x0C;
constexpr std::uint8_t kGetStructure = 0x13;
constexpr std::uint8_t kPutStructure = 0x14;
constexpr std::uint8_t kSetId = 0x3E;
constexpr std::uint8_t kLcdPlus = 0x3F;
constexpr std::uint8_t kLcdMinus = 0x40;
constexpr std::uint8_t kTotalsUpdate = 0x41;
constexpr std::uint8_t kModemPower = 0x42;
constexpr std::uint8_t kReboot = 0x43;
constexpr std::uint8_t kReadChannel = 0x44;
constexpr std::uint8_t kSetState = 0x45;
constexpr std::uint8_t kCoilCurrent = 0x46;
constexpr std::uint8_t kInputSignal = 0x47;
constexpr std::uint8_t kPnfSignal = 0x49;
constexpr std::uint8_t kEcSignal = 0x4A;
constexpr std::uint8_t kAccessLevel = 0x4B;
constexpr std::uint8_t kLogFileIndex = 0x50;
constexpr std::uint8_t kEmbeddedModbus = 0x51;
constexpr std::uint8_t kCcFactoryDefaults = 0x62;
constexpr std::uint8_t kCcToSdCard = 0x63;
constexpr std::uint8_t kRtLogFile = 0x64;
constexpr std::uint8_t kClearDataFlashLog = 0x65;
constexpr std::uint8_t kClearAllDataFlashLogs = 0x66;
constexpr std::uint8_t kBackupLogsToSdcard = 0x67;
} // namespace Command

// File transfer: the blocks the board streams and the acknowledgements the PC answers with.
namespace Block {
constexpr std::uint8_t kData = 0x87; // also fed in by the PC itself to start a transfer
constexpr std::uint8_t kData88 = 0x88;
constexpr std::uint8_t kNoData89 = 0x89;
constexpr std::uint8_t kBoardStop = 0x8D;
constexpr std::uint8_t kData8F = 0x8F;
constexpr std::uint8_t kWindowed91 = 0x91;
constexpr std::uint8_t kWindowed93 = 0x93;
constexpr std::uint8_t kNoData95 = 0x95;
constexpr std::uint8_t kEndOfFile = 0x97;
} // namespace Block

namespace Ack {
constexpr std::uint8_t kNext = 0x8B;
constexpr std::uint8_t kStop = 0x8E;
constexpr std::uint8_t kAck88 = 0x90;
constexpr std::uint8_t kWindowA = 0x92;
constexpr std::uint8_t kWindowB = 0x94;
constexpr std::uint8_t kModeOff = 0x96;
} // namespace Ack

// Modbus functions, over ASCII, RTU or embedded in command 0x51.
namespace Modbus {
constexpr std::uint8_t kAsciiStart = ':';
constexpr std::uint8_t kCR = 0x0D;
constexpr std::uint8_t kLF = 0x0A;
constexpr std::uint8_t kReadRegisters = 3;
constexpr std::uint8_t kWriteSingleRegister = 6;
constexpr std::uint8_t kWriteRegisters = 16;
constexpr std::uint8_t kSetTime = 65;
constexpr std::uint8_t kResetTotalisers = 67;
constexpr std::uint8_t kSetCommsAccess = 68;
constexpr std::uint8_t kFunction69 = 69;
constexpr std::uint8_t kExceptionBit = 0x80;
} // namespace Modbus

// Registers the link itself reads.
namespace Register {
constexpr std::uint16_t kSerialNumber = 56;
constexpr std::uint16_t kCommsAccessLevel = 88;
constexpr std::uint16_t kTotals = 116;
constexpr std::uint16_t kTotalsCount = 40;
} // namespace Register

} // namespace Q7Protocol
