#pragma once

#include "FixedRecord.h"
#include "StructureId.h"

// The board's user settings (structure 5, "backup_conf.bin", "conf.bin", "CONFIG.BIN").
// The three access codes at offsets 106-111 are deliberately not exposed: the link's login
// check asks this record whether a code is one of them. They must never be shown.
class ConfigRecord : public FixedRecord<ConfigRecord, Structures::sizeOf(StructureId::Config)>
{
public:
    struct AlarmSetting
    {
        bool logging = false;
        std::uint16_t source = 0; // 0 = alarm off
    };
    struct AnalogOutputSetting
    {
        bool enabled = false;
        std::int16_t quantity = 0;
        float damping = 0;
        float factor4mA = 0;
        float factor20mA = 0;
        float alarmCurrent = 0;
    };
    struct DigitalOutputSetting
    {
        std::int16_t mode = 0; // 0 off, 1 frequency, 2 pulse, 3 alarm
        std::int16_t fullscaleFrequency = 0;
        std::uint16_t quantity = 0;
        std::uint16_t pulseScale = 0;
        std::uint16_t pulseWidth = 0;
    };

    static constexpr int kAlarms = 4;
    static constexpr int kAnalogOutputs = 2;
    static constexpr int kDigitalOutputs = 4;
    // Where the access codes live, for masking dumps of the record.
    static constexpr std::size_t kAccessCodesOffset = 106;
    static constexpr std::size_t kAccessCodesSize = 6;
    // The settings the replacement board keeps from its own record on a restore.
    static constexpr std::size_t kBoardOwnOffset = 278;
    static constexpr std::size_t kBoardOwnSize = 8;

    std::uint16_t modbusId() const { return u16(2); }
    std::uint32_t siteId() const { return u32(4); }
    std::uint16_t backlightTimeout() const { return u16(8); }
    std::uint16_t lcdTimeout() const { return u16(10); }
    float simulationValue() const { return f32(12); }
    bool emptyPipeDetection() const { return u16(18) != 0; }
    float pnfThreshold() const { return f32(20); }
    float ecThreshold() const { return f32(24); }
    bool failSafeModeLow() const { return u16(28) != 0; }
    float lowFlowCutoff() const { return f32(30); }
    float zeroFlowCutoff() const { return f32(34); }
    std::uint16_t responseTime() const { return u16(38); }
    std::uint16_t onTime() const { return u16(40); }
    std::uint16_t offTime() const { return u16(42); }
    std::uint16_t loggingInterval() const { return u16(44); }
    std::uint16_t scansBetweenDiagnosticLog() const { return u16(46); }
    std::uint16_t zeroFlowOffTime() const { return u16(48); }
    std::uint16_t flowVolumeUnits() const { return u16(50); }
    float flowVolumeSpecialFactor() const { return f32(52); }
    std::uint16_t flowTimeUnits() const { return u16(56); }
    float flowTimeSpecialFactor() const { return f32(58); }
    std::uint16_t totaliserUnits() const { return u16(62); }
    float totaliserSpecialFactor() const { return f32(64); }
    Q7Data::Timestamp offpeakStartTime() const { return timestamp(70); }
    Q7Data::Timestamp offpeakStopTime() const { return timestamp(80); }
    Q7Data::Timestamp eoyLatchDate() const { return timestamp(90); }
    AlarmSetting alarm(int index) const;
    AnalogOutputSetting analogOutput(int index) const;
    DigitalOutputSetting digitalOutput(int index) const;
    std::int16_t serialportProtocolMode() const { return s16(240); }
    std::int16_t baudRate() const { return s16(244); }
    std::uint16_t lcdContrast() const { return u16(248); }
    std::uint16_t modemOnDuration() const { return u16(250); }
    std::uint16_t modemIntervalTime() const { return u16(252); }
    Q7Data::Timestamp modemWindowEnabled() const { return timestamp(254); }
    Q7Data::Timestamp modemWindowDisabled() const { return timestamp(264); }
    std::uint16_t registerLoggingInterval() const { return u16(274); }
    bool reverseFlow() const { return u16(276) != 0; }
    std::uint16_t gateControl() const { return u16(278); }
    std::uint16_t powerOptions() const { return u16(280); }
    bool lowPowerMode() const { return (powerOptions() & 0x1) != 0; }
    bool haltOnSignalErrors() const { return (powerOptions() & 0x2) != 0; }
    float batteryAlarmLevel() const { return f32(282); }

    void setGateControl(std::uint16_t v) { setU16(278, v); }
    void setPowerOptions(std::uint16_t v) { setU16(280, v); }
    void setBatteryAlarmLevel(float v) { setF32(282, v); }
    // Bytes 278-285 (gate control, power options, battery alarm level) from another record.
    void keepBoardOwnSettings(const ConfigRecord& replacementBoard);

    // The whole record with the access codes replaced by zeros: what a dump may show.
    std::array<std::uint8_t, kSize> maskedBytes() const;
    // Whether the byte at this offset of a configuration record belongs to an access code, for
    // dumps that show the secret bytes as such rather than as zeros.
    static constexpr bool isAccessCodeByte(std::size_t offset)
    {
        return offset >= kAccessCodesOffset && offset < kAccessCodesOffset + kAccessCodesSize;
    }

    // The login check of the device link: whether a code equals one of the three stored codes.
    bool acceptsAccessCode(std::uint16_t code) const;
    // The lowest value, counting up from 0, that is none of the three codes (logout).
    std::uint16_t lowestNonAccessCode() const;
};
