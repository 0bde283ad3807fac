#pragma once

#include "FixedRecord.h"
#include "StructureId.h"

// The board's identity and start-up state (structure 1). Only its leading part arrives in a
// structure reply; every field used here lies in that part.
class BoardInfoRecord : public FixedRecord<BoardInfoRecord, Structures::sizeOf(StructureId::BoardInfo)>
{
public:
    static constexpr int kOptionSlots = 3;

    // In the order the system shows and compares it.
    std::array<std::uint8_t, 6> esn() const;
    Q7Data::Timestamp lastPowerUp() const { return timestamp(78); }
    std::int16_t optionCard(int slot) const;
    std::uint16_t selfTest() const { return u16(117); }
    std::int16_t simulationMode() const { return s16(126); }
    // The raw characters at 130-133; shown as 133, 132, 131, ".", 130.
    std::array<std::uint8_t, 4> firmwareChars() const { return {u8(130), u8(131), u8(132), u8(133)}; }
};
