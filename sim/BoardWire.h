#pragma once

#include <QByteArray>

#include <cstdint>
#include <span>

// The three framings the board speaks, as the board writes them. Kept apart from the PC's
// link code on purpose: a misreading of the wire must not be shared by both ends.
namespace sim::wire {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kStuff = 0x90;
constexpr uint8_t kNodeAddress = 1;
constexpr uint8_t kKalderAddress = 1;

// Kalder: reflected CCITT polynomial, start 0, no final XOR.
uint16_t kalderCrc(std::span<const uint8_t> bytes, uint16_t crc = 0);
// Modbus RTU CRC-16.
uint16_t modbusCrc(std::span<const uint8_t> bytes);
// Modbus ASCII LRC over address, function and data.
uint8_t lrc(std::span<const uint8_t> bytes);

// Whole frames ready for the line. The xor arguments exist for the fault knobs that corrupt
// a checksum on purpose; 0 gives a correct frame.
QByteArray kalderFrame(uint8_t type, std::span<const uint8_t> payload, uint16_t crcXor = 0);
QByteArray asciiFrame(uint8_t function, std::span<const uint8_t> data, uint8_t lrcXor = 0);
QByteArray rtuFrame(uint8_t function, std::span<const uint8_t> data, uint16_t crcXor = 0);

} // namespace sim::wire
