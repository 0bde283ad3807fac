#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

// Explicit byte-order readers and writers. Records are little-endian; registers arrive
// high byte first. Every access checks its bounds in debug builds; the record classes only
// use fixed offsets inside their own exact-size storage.
namespace ByteOrder {

inline std::uint16_t readLe16(std::span<const std::uint8_t> b, std::size_t at)
{
    assert(at + 2 <= b.size());
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

inline std::int16_t readLeS16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::int16_t>(readLe16(b, at));
}

inline std::uint32_t readLe32(std::span<const std::uint8_t> b, std::size_t at)
{
    assert(at + 4 <= b.size());
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

inline float readLeF32(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::bit_cast<float>(readLe32(b, at));
}

inline std::uint16_t readBe16(std::span<const std::uint8_t> b, std::size_t at)
{
    assert(at + 2 <= b.size());
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

inline std::uint32_t readBe32(std::span<const std::uint8_t> b, std::size_t at)
{
    assert(at + 4 <= b.size());
    return (static_cast<std::uint32_t>(b[at]) << 24) | (static_cast<std::uint32_t>(b[at + 1]) << 16) |
           (static_cast<std::uint32_t>(b[at + 2]) << 8) | static_cast<std::uint32_t>(b[at + 3]);
}

inline float readBeF32(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::bit_cast<float>(readBe32(b, at));
}

inline void writeLe16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v)
{
    assert(at + 2 <= b.size());
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeBe16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v)
{
    assert(at + 2 <= b.size());
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

inline void writeLe32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v)
{
    assert(at + 4 <= b.size());
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void writeLeF32(std::span<std::uint8_t> b, std::size_t at, float v)
{
    writeLe32(b, at, std::bit_cast<std::uint32_t>(v));
}

} // namespace ByteOrder
