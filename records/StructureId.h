#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The board's eight numbered structures. The id is what travels on the wire; the size is the
// only thing that tells one record from another, so both live here once.
enum class StructureId : std::uint8_t
{
    Status = 0,
    BoardInfo = 1,
    Unused2 = 2,
    Unused3 = 3,
    Cal = 4,
    Config = 5,
    BasicCal = 6,
    Unused7 = 7,
};

namespace Structures {

constexpr std::size_t kCount = 8;
constexpr std::array<std::size_t, kCount> kSizes{351, 928, 82, 46, 158, 332, 222, 69};

constexpr std::uint8_t wireId(StructureId id)
{
    return static_cast<std::uint8_t>(id);
}
constexpr std::size_t index(StructureId id)
{
    return static_cast<std::size_t>(id);
}
constexpr std::size_t sizeOf(StructureId id)
{
    return kSizes[index(id)];
}
// The three records the PC writes back; the others are the board's to fill.
constexpr bool isWritable(StructureId id)
{
    return id == StructureId::Cal || id == StructureId::Config || id == StructureId::BasicCal;
}

} // namespace Structures
