#pragma once

#include "BasicCalRecord.h"
#include "BoardInfoRecord.h"
#include "CalRecord.h"
#include "ConfigRecord.h"
#include "Q7Data.h"
#include "Registers.h"
#include "StatusRecord.h"
#include "TDateTime.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The rows of the site report, built from records and register values already read, so every
// row can be checked without a board. A row is label, "=", value; the document splits it at
// its first "=" into two columns.
namespace ReportRows {

// Label, blanks up to 30 characters (none when the label is longer), "= ", value.
QString padded(const QString& label, const QString& value);

// What the Information section shows beside the board's own values.
struct SiteInfo
{
    Q7Data::TDateTime now;
    QString operatorName; // empty: no row
    QString siteLicence;  // empty: no row
    std::uint32_t meterId = 0;
    QString sfoNumber; // empty (cancelled): no row
};

QStringList siteInfoRows(const SiteInfo& site, const BoardInfoRecord& info);
// A register whose read failed is nullopt and drops its row.
QStringList siteInfoRowsFromRegisters(const SiteInfo& site,
                                      const std::optional<Registers::FirmwareChars>& firmware,
                                      const std::optional<Registers::Esn>& esn);

QStringList totalsRows(const Q7Data::Totalisers& totals);

QStringList diagnosticRows(const StatusRecord& status, const BoardInfoRecord& info,
                           std::optional<std::uint16_t> uptimeDays, std::optional<std::uint16_t> uptimeHours);

// The live registers the register path reads, each nullopt when its read failed.
struct RegisterDiagnostics
{
    std::optional<std::uint16_t> resets;                     // 0
    std::optional<std::uint16_t> simulationMode;             // 3003
    std::optional<Q7Data::TDateTime> boardDateTime;          // 64-66
    std::optional<std::uint16_t> uptimeDays;                 // 1
    std::optional<std::uint16_t> uptimeHours;                // 2
    std::optional<float> flowVelocity;                       // 100
    std::optional<float> flowRate;                           // 104
    std::optional<float> massFlow;                           // 108
    std::optional<float> flowVoltage;                        // 328
    std::optional<float> coilVoltage;                        // 184
    std::optional<float> coilCurrent;                        // 156
    std::optional<float> coilResistance;                     // 176
    std::optional<float> batteryVoltage;                     // 160
    std::optional<float> solarVoltage;                       // 168
    std::optional<float> temperature;                        // 172
    std::optional<std::uint16_t> selfTest;                   // 55
    std::optional<std::uint16_t> systemFault;                // 54
    std::optional<std::uint16_t> alarmStatus;                // 86
    std::optional<std::uint16_t> signalStates;               // 61
    std::array<std::optional<std::uint16_t>, 3> optionCards; // 90, 91, 92
};
QStringList diagnosticRowsFromRegisters(const RegisterDiagnostics& d);

QStringList selfTestRows(std::uint16_t value);
QStringList faultRows(std::uint16_t value);
QStringList alarmRows(std::uint16_t value);

QStringList configurationRows(const ConfigRecord& config);
QString alarmValue(const ConfigRecord::AlarmSetting& alarm);
QString analogOutputValue(const ConfigRecord::AnalogOutputSetting& output);
QString digitalOutputValue(const ConfigRecord::DigitalOutputSetting& output);

QStringList calibrationRows(const CalRecord& cal);
QStringList basicCalibrationRows(const BasicCalRecord& basicCal);
QString compensationValue(const BasicCalRecord::CompensationEntry& entry);

} // namespace ReportRows
