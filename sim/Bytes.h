#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <span>

// Byte-order helpers for building and reading the board's records and frames. Records and
// Kalder payloads are little-endian; Modbus registers are big-endian.
namespace sim {

inline std::span<const uint8_t> bytesOf(const QByteArray& a)
{
    return {reinterpret_cast<const uint8_t*>(a.constData()), static_cast<size_t>(a.size())};
}

inline uint8_t byteAt(const QByteArray& a, qsizetype i)
{
    return static_cast<uint8_t>(a.at(i));
}

inline void putLe16(QByteArray& a, qsizetype at, uint16_t v)
{
    a[at] = char(v & 0xFF);
    a[at + 1] = char(v >> 8);
}

inline void putLe32(QByteArray& a, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        a[at + i] = char((v >> (8 * i)) & 0xFF);
}

inline uint32_t floatBits(float f)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

inline float floatFromBits(uint32_t bits)
{
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline void putLeF32(QByteArray& a, qsizetype at, float f)
{
    putLe32(a, at, floatBits(f));
}

inline uint16_t readLe16(std::span<const uint8_t> b, size_t at)
{
    return uint16_t(b[at] | (b[at + 1] << 8));
}

inline uint32_t readLe32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

inline uint16_t readBe16(std::span<const uint8_t> b, size_t at)
{
    return uint16_t((b[at] << 8) | b[at + 1]);
}

} // namespace sim
