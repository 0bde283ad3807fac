#pragma once

#include "FixedRecord.h"
#include "StructureId.h"

// The calibration of the meter's flow tube (structure 4, "backup_cal.bin", "cal.bin",
// "CALIB.BIN"). It moves with the meter: a restore writes it into the replacement board.
class CalRecord : public FixedRecord<CalRecord, Structures::sizeOf(StructureId::Cal)>
{
public:
    static constexpr int kTubeSelects = 3;
    static constexpr int kTubeFactors = 4;
    static constexpr int kTubeZeros = 2;
    static constexpr int kCurrentOutputs = 2;

    std::uint32_t meterId() const { return u32(2); }
    float flowFullscale() const { return f32(6); }
    std::uint16_t pipeSizeUnits() const { return u16(10); }
    std::uint16_t filterFrequency() const { return u16(12); }
    std::uint16_t coilCurrent() const { return u16(14); }
    std::uint16_t modelReplacing() const { return u16(16); }
    std::uint16_t pipeDiameter() const { return u16(18); }
    float tubeSelect(int index) const;
    float tubeFactor(int index) const;
    float tubeZero(int index) const;
    float w4kFactor() const { return f32(56); }
    float density() const { return f32(60); }
    float coilFrequency() const { return f32(64); }
    float currentOutputSpan(int index) const;
    float currentOutputOffset(int index) const;
    Q7Data::Timestamp calibrationDate() const { return timestamp(84); }
    Q7Data::Timestamp verificationDate() const { return timestamp(94); }

    // The fields a technician may enter by hand.
    void setMeterId(std::uint32_t v) { setU32(2, v); }
    void setCoilCurrent(std::uint16_t v) { setU16(14, v); }
    void setPipeDiameter(std::uint16_t v) { setU16(18, v); }
    void setTubeFactor(int index, float v);
    void setTubeZero(int index, float v);
};
