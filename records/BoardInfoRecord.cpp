#include "BoardInfoRecord.h"

#include <stdexcept>

std::array<std::uint8_t, 6> BoardInfoRecord::esn() const
{
    return {u8(0), u8(1), u8(2), u8(3), u8(4), u8(5)};
}

std::int16_t BoardInfoRecord::optionCard(int slot) const
{
    if (slot < 0 || slot >= kOptionSlots)
        throw std::out_of_range("option card slot out of range");
    return s16(96 + 2 * static_cast<std::size_t>(slot));
}
