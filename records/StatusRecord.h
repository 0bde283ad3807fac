#pragma once

#include "FixedRecord.h"
#include "StructureId.h"

// The board's live values as one block (structure 0), sent by newer firmware.
class StatusRecord : public FixedRecord<StatusRecord, Structures::sizeOf(StructureId::Status)>
{
public:
    static constexpr std::size_t kBoardClockOffset = 2;

    std::uint16_t numberOfResets() const { return u16(0); }
    Q7Data::Timestamp boardDateTime() const { return timestamp(kBoardClockOffset); }
    float flowVelocity() const { return f32(12); }
    float flowRate() const { return f32(16); }
    float massFlow() const { return f32(20); }
    float coilCurrent() const { return f32(68); }
    float batteryVoltage() const { return f32(72); }
    float solarVoltage() const { return f32(80); }
    float temperature() const { return f32(84); }
    float coilResistance() const { return f32(88); }
    float coilVoltage() const { return f32(96); }
    float flowVoltage() const { return f32(236); }
    std::uint16_t gatePosition() const { return u16(274); }
    float gateClosedFlow() const { return f32(276); }
    bool gateOpen() const { return u8(280) != 0; }
    bool pipeNotFull() const { return (u8(281) & 0x01) != 0; }
    bool ecLow() const { return (u8(281) & 0x10) != 0; }
    std::uint16_t systemFault() const { return u16(282); }
    std::uint16_t alarmStatus() const { return u16(285); }
};
