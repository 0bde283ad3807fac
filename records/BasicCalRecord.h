#pragma once

#include "FixedRecord.h"
#include "StructureId.h"

// The hardware calibration of the electronics board itself (structure 6, "backup_BasicCal.bin",
// "BasicCal.bin"). It stays with its board: it is backed up and reported, never restored.
class BasicCalRecord : public FixedRecord<BasicCalRecord, Structures::sizeOf(StructureId::BasicCal)>
{
public:
    struct CompensationEntry
    {
        std::int16_t formula = 0;
        std::array<std::uint8_t, 2> channels{};
        std::array<float, 5> coefficients{};
    };
    static constexpr int kCompensations = 3;

    CompensationEntry compensation(int index) const;
    float coilOffset() const { return f32(82); }
    float coilSpan() const { return f32(86); }
    float coilVoltageOffset() const { return f32(90); }
    float coilVoltageSpan() const { return f32(94); }
    float coilCurrentOffset() const { return f32(98); }
    float coilCurrentSpan() const { return f32(102); }
    float batteryChargeVoltageOffset() const { return f32(106); }
    float batteryChargeVoltageSpan() const { return f32(110); }
    float batteryChargeCurrentOffset() const { return f32(114); }
    float batteryChargeCurrentSpan() const { return f32(118); }
    float solarVoltageOffset() const { return f32(122); }
    float solarVoltageSpan() const { return f32(126); }
    float temperatureOffset() const { return f32(130); }
    float temperatureSpan() const { return f32(134); }
    float batterySafetyLimit() const { return f32(168); }
    float lowBatterySystemAlarmLevel() const { return f32(172); }
};
