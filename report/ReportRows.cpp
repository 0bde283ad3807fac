#include "ReportRows.h"

#include "BoardTime.h"
#include "CodeTables.h"
#include "Formats.h"

namespace ReportRows {

using Formats::formatFloat;
using Formats::hu;
using Formats::lu;

namespace {

constexpr int kLabelWidth = 30;

QString number(float v)
{
    return formatFloat("0.0####", v);
}

QString enabled(bool on)
{
    return on ? QStringLiteral("Enabled") : QStringLiteral("Disabled");
}

template <typename T, std::size_t N> QString joined(const std::array<T, N>& values)
{
    QStringList parts;
    for (const T& v : values)
        parts << number(v);
    return parts.join(QStringLiteral(", "));
}

QString dateTimeOf(const Q7Data::Timestamp& ts)
{
    return Formats::dateTime(Q7Data::encodeTDateTime(ts));
}

// The row texts of the bits of a fault or alarm value, in bit order.
QStringList bitRows(std::uint16_t value, const std::array<const char*, 16>& rows)
{
    QStringList out;
    for (std::size_t bit = 0; bit < rows.size(); ++bit)
        if ((value & (1u << bit)) && rows[bit])
            out << QString::fromLatin1(rows[bit]);
    return out;
}

} // namespace

QString padded(const QString& label, const QString& value)
{
    return label.leftJustified(kLabelWidth, QLatin1Char(' ')) + QStringLiteral("= ") + value;
}

QStringList siteInfoRows(const SiteInfo& site, const BoardInfoRecord& info)
{
    QStringList rows;
    rows << QStringLiteral("Date        = ") + Formats::dateTime(site.now);
    if (!site.operatorName.isEmpty())
        rows << padded(QStringLiteral("Operator"), site.operatorName);
    if (!site.siteLicence.isEmpty())
        rows << padded(QStringLiteral("Site License "), site.siteLicence);
    rows << QStringLiteral("Meter ID         = ") + lu(site.meterId);
    const auto fw = info.firmwareChars();
    const auto ch = [](std::uint8_t c) { return QChar::fromLatin1(static_cast<char>(c)); };
    rows << padded(QStringLiteral("Firmware Version"),
                   QString() + ch(fw[3]) + ch(fw[2]) + ch(fw[1]) + QLatin1Char('.') + ch(fw[0]));
    rows << padded(QStringLiteral("ESN"), Formats::hexBytes(info.esn()));
    if (!site.sfoNumber.isEmpty())
        rows << padded(QStringLiteral("Q7 S/N"), site.sfoNumber);
    return rows;
}

QStringList siteInfoRowsFromRegisters(const SiteInfo& site,
                                      const std::optional<Registers::FirmwareChars>& firmware,
                                      const std::optional<Registers::Esn>& esn)
{
    QStringList rows;
    rows << QStringLiteral("Date        = ") + Formats::dateTime(site.now);
    if (!site.operatorName.isEmpty())
        rows << QStringLiteral("Operator = ") + site.operatorName;
    if (!site.siteLicence.isEmpty())
        rows << QStringLiteral("Site License = ") + site.siteLicence;
    rows << QStringLiteral("MeterID          = ") + lu(site.meterId);
    if (firmware)
        rows << QStringLiteral("Firmware version = ") + Registers::firmwareVersionText(*firmware);
    if (esn)
        rows << QStringLiteral("ESN              = ") + Formats::hexBytes(*esn);
    if (!site.sfoNumber.isEmpty())
        rows << QStringLiteral("Q7 S/N = ") + site.sfoNumber;
    return rows;
}

QStringList totalsRows(const Q7Data::Totalisers& totals)
{
    static constexpr std::array<const char*, Q7Data::Totalisers::kCount> kLabels = {
        "ForwardTotal        \t= ", "ReverseTotal        \t= ", "NettTotal           \t= ",
        "PeakForwardTotal    \t= ", "OffPeakForwardTotal \t= ", "PeakReverseTotal    \t= ",
        "OffPeakReverseTotal \t= ", "ForwardYTDTotal     \t= ", "ReverseYTDTotal     \t= ",
        "NettYTDTotal       \t= "};
    QStringList rows;
    const auto values = totals.values();
    for (std::size_t i = 0; i < values.size(); ++i)
        rows << QString::fromLatin1(kLabels[i]) + formatFloat("0.000000", double(values[i]) * 0.001) +
                    QStringLiteral(" ML");
    return rows;
}

QStringList selfTestRows(std::uint16_t value)
{
    if (value == Registers::kAllSelfTestsPassed)
        return {QStringLiteral("Self test result = ALL OK")};
    static constexpr std::array<const char*, 7> kNames = {"ADC ", "ID ",    "CAL/CONF ", "SDCARD ",
                                                          "RTC ", "POWER ", "COIL "};
    QString failed;
    for (std::size_t bit = 0; bit < kNames.size(); ++bit)
        if (!(value & (1u << bit)))
            failed += QString::fromLatin1(kNames[bit]);
    return {QStringLiteral("Self test result *****= ") + hu(value) + QStringLiteral(" (") + failed +
            QStringLiteral(")")};
}

QStringList faultRows(std::uint16_t value)
{
    static constexpr std::array<const char*, 16> kRows = {"System Fault(eror) = ***** Coil inductance low",
                                                          "System Fault(eror) = ***** Coil inductance high",
                                                          "System Fault(eror) = ***** Coil resistance low",
                                                          "System Fault(eror) = ***** Coil resistance high",
                                                          "System Fault(eror) = ***** Signal range fault",
                                                          "System Fault(eror) = ***** Electrode check fault",
                                                          "System Fault(eror) = ***** Settling time fault",
                                                          "System Fault(eror) = ***** Signal noise fault",
                                                          nullptr,
                                                          "System Fault(eror) = ***** Low battery volts",
                                                          "System Fault(eror) = ***** High battery volts",
                                                          "System Fault(eror) = ***** Low flow",
                                                          "System Fault(eror) = ***** High temerature",
                                                          nullptr,
                                                          nullptr,
                                                          nullptr};
    return QStringList{QStringLiteral("System Fault     = ") + hu(value)} + bitRows(value, kRows);
}

QStringList alarmRows(std::uint16_t value)
{
    static constexpr std::array<const char*, 16> kRows = {"Alarm Status     = ***** LOW BATTERY",
                                                          "Alarm Status     = ***** PIPE NOT FULL",
                                                          "Alarm Status     = ***** SYSTEM FAULT",
                                                          "Alarm Status     = ***** LOW FLOW",
                                                          "Alarm Status     = ***** HIGH FLOW",
                                                          "Alarm Status     = ***** FORWARD FLOW",
                                                          "Alarm Status     = ***** REVERSE FLOW",
                                                          nullptr,
                                                          nullptr,
                                                          nullptr,
                                                          nullptr,
                                                          nullptr,
                                                          nullptr,
                                                          nullptr,
                                                          nullptr,
                                                          nullptr};
    return QStringList{QStringLiteral("Alarm Status     = ") + hu(value)} + bitRows(value, kRows);
}

QStringList diagnosticRows(const StatusRecord& s, const BoardInfoRecord& info,
                           std::optional<std::uint16_t> uptimeDays, std::optional<std::uint16_t> uptimeHours)
{
    QStringList rows;
    rows << padded(QStringLiteral("Number of Resets"), hu(s.numberOfResets()));
    const std::int16_t simulation = info.simulationMode();
    rows << padded(QStringLiteral("Simulation Mode"), simulation == 0 ? QStringLiteral("OFF")
                                                      : (simulation == 1 || simulation == 2)
                                                          ? QStringLiteral("ON")
                                                          : QString());
    rows << QStringLiteral("Q7 Date/Time   = ") + dateTimeOf(s.boardDateTime());
    rows << QStringLiteral("Last Powerup     = ") + dateTimeOf(info.lastPowerUp());
    if (uptimeDays)
        rows << QStringLiteral("Uptime days      = ") + hu(*uptimeDays) + QStringLiteral(" days");
    if (uptimeHours)
        rows << QStringLiteral("Uptime hours     = ") + hu(*uptimeHours) + QStringLiteral(" hours");
    rows << QStringLiteral("Flow Velocity  = ") + formatFloat("0.00", s.flowVelocity()) +
                QStringLiteral(" m/s");
    rows << QStringLiteral("Flow Rate  = ") + formatFloat("0.00", double(s.flowRate()) * 86400 * 0.000001) +
                QStringLiteral(" ML/Day");
    rows << QStringLiteral("Mass Flow  = ") + formatFloat("0.00", s.massFlow()) + QStringLiteral(" Kg/s");
    rows << QStringLiteral("Flow Voltage  = ") + formatFloat("0.00", s.flowVoltage()) + QStringLiteral(" mV");
    rows << QStringLiteral("Coil Voltage     = ") + formatFloat("0.00", s.coilVoltage()) +
                QStringLiteral(" Volts");
    rows << QStringLiteral("Coil Current     = ") + formatFloat("0.00", double(s.coilCurrent()) * 1000) +
                QStringLiteral(" mA");
    rows << QStringLiteral("Coil Resistance  = ") + formatFloat("0.00", s.coilResistance()) +
                QStringLiteral(" Ohms");
    rows << QStringLiteral("Battery Voltage  = ") + formatFloat("0.00", s.batteryVoltage()) +
                QStringLiteral(" Volts");
    rows << QStringLiteral("Solar Voltage    = ") + formatFloat("0.00", s.solarVoltage()) +
                QStringLiteral(" Volts");
    rows << QStringLiteral("Temperature      = ") + formatFloat("0.00", s.temperature()) +
                QStringLiteral(" Degrees C");
    rows << selfTestRows(info.selfTest());
    rows << faultRows(s.systemFault());
    rows << alarmRows(s.alarmStatus());
    rows << QStringLiteral("Gate Position    = ") + hu(s.gatePosition());
    rows << (s.gateOpen() ? QStringLiteral("Gate     = OPEN") : QStringLiteral("Gate    = CLOSED"));
    rows << QStringLiteral("Gate Closed Flow  = ") + formatFloat("0.00", s.gateClosedFlow());
    rows << (s.pipeNotFull() ? QStringLiteral("PNF    = PIPE EMPTY") : QStringLiteral("PNF    = PIPE FULL"));
    rows << (s.ecLow() ? QStringLiteral("EC    = EC LOW") : QStringLiteral("EC    = EC OK"));
    for (int slot = 0; slot < BoardInfoRecord::kOptionSlots; ++slot)
        rows << padded(QStringLiteral("Option Card Slot ") + Formats::i(slot),
                       CodeTables::optionCard(info.optionCard(slot)));
    return rows;
}

QStringList diagnosticRowsFromRegisters(const RegisterDiagnostics& d)
{
    QStringList rows;
    const auto add = [&rows](const auto& value, auto row) {
        if (value)
            rows << row(*value);
    };
    const auto withUnit = [](const char* label, const char* pattern, double scale, const char* unit) {
        return [=](float v) {
            return QString::fromLatin1(label) + formatFloat(pattern, double(v) * scale) +
                   QString::fromLatin1(unit);
        };
    };
    add(d.resets, [](std::uint16_t v) { return QStringLiteral("Number of Resets = ") + hu(v); });
    add(d.simulationMode, [](std::uint16_t v) {
        return v != 0 ? QStringLiteral("Simulation Mode = ON") : QStringLiteral("Simulation Mode = OFF");
    });
    add(d.boardDateTime,
        [](Q7Data::TDateTime v) { return QStringLiteral("Q7 Date/Time   = ") + Formats::dateTime(v); });
    add(d.uptimeDays, [](std::uint16_t v) { return QStringLiteral("Uptime days      = ") + hu(v); });
    add(d.uptimeHours, [](std::uint16_t v) { return QStringLiteral("Uptime hours     = ") + hu(v); });
    add(d.flowVelocity, withUnit("Flow Velocity  = ", "0.00000", 1, " m/s"));
    add(d.flowRate, withUnit("Flow Rate  = ", "0.00000", 86400 * 0.000001, " ML/Day"));
    add(d.massFlow, withUnit("Mass Flow  = ", "0.00000", 1, " Kg/s"));
    add(d.flowVoltage, withUnit("Flow Voltage  = ", "0.00000", 1, " mV"));
    add(d.coilVoltage, withUnit("Coil Voltage     = ", "0.00", 1, ""));
    add(d.coilCurrent, withUnit("Coil Current     = ", "0.00", 100, " mA"));
    add(d.coilResistance, withUnit("Coil Resistance  = ", "0.00", 1, ""));
    add(d.batteryVoltage, withUnit("Battery Voltage  = ", "0.00", 1, ""));
    add(d.solarVoltage, withUnit("Solar Voltage    = ", "0.00", 1, ""));
    add(d.temperature, withUnit("Temperature      = ", "0.00", 1, ""));
    if (d.selfTest)
        rows << selfTestRows(*d.selfTest);
    if (d.systemFault)
        rows << faultRows(*d.systemFault);
    if (d.alarmStatus)
        rows << alarmRows(*d.alarmStatus);
    if (d.signalStates) {
        const std::uint16_t v = *d.signalStates;
        rows << ((v & 0x1) ? QStringLiteral("Gate     = CLOSED") : QStringLiteral("Gate    = OPEN"));
        rows << ((v & 0x2) ? QStringLiteral("PNF    = PIPE FULL") : QStringLiteral("PNF    = PIPE EMPTY"));
        rows << ((v & 0x4) ? QStringLiteral("EC    = EC OK") : QStringLiteral("EC    = EC LOW"));
    }
    for (std::size_t slot = 0; slot < d.optionCards.size(); ++slot)
        if (d.optionCards[slot])
            rows << QStringLiteral("Option Card Slot %1 = ").arg(slot) +
                        CodeTables::optionCard(*d.optionCards[slot]);
    return rows;
}

QString alarmValue(const ConfigRecord::AlarmSetting& alarm)
{
    if (alarm.source == 0)
        return QStringLiteral("OFF");
    return CodeTables::alarmSource(alarm.source) +
           (alarm.logging ? QStringLiteral(", Alarm Logging(On)") : QStringLiteral(", Alarm Logging(Off)"));
}

QString analogOutputValue(const ConfigRecord::AnalogOutputSetting& o)
{
    if (!o.enabled)
        return QStringLiteral("OFF");
    // The analog quantities are the first three of the digital ones.
    const QString quantity =
        (o.quantity >= 0 && o.quantity <= 2) ? CodeTables::outputQuantity(o.quantity) : QString();
    return quantity + QStringLiteral("4mA fact(") + number(o.factor4mA) + QStringLiteral("), ") +
           QStringLiteral("20mA fact(") + number(o.factor20mA) + QStringLiteral("), ") +
           QStringLiteral("Damping(") + number(o.damping) + QStringLiteral("), ") + QStringLiteral("Alarm(") +
           number(o.alarmCurrent) + QStringLiteral(" mA)");
}

QString digitalOutputValue(const ConfigRecord::DigitalOutputSetting& o)
{
    if (o.mode == 0)
        return QStringLiteral("OFF");
    QString value = CodeTables::outputQuantity(o.quantity);
    switch (o.mode) {
    case 1:
        value += QStringLiteral("FREQUENCY, ") + QStringLiteral("Fullscale Frequency(") +
                 Formats::hd(o.fullscaleFrequency) + QStringLiteral(" Hertz), ");
        break;
    case 2:
        value += QStringLiteral("PULSE, ") + QStringLiteral("Pulse Scale(") + hu(o.pulseScale) +
                 QStringLiteral("), ") + QStringLiteral("Pulse Width(") + hu(o.pulseWidth) +
                 QStringLiteral(" ms)");
        break;
    case 3:
        value += QStringLiteral("ALARM, ");
        break;
    default:
        break;
    }
    return value;
}

QStringList configurationRows(const ConfigRecord& c)
{
    const auto time = [](const Q7Data::Timestamp& ts) {
        return Formats::timeOfDay(Q7Data::encodeTDateTime(ts));
    };
    const QString seconds = QStringLiteral(" seconds");
    const QString minutes = QStringLiteral(" Minutes");

    QStringList rows;
    rows << padded(QStringLiteral("Site ID"), lu(c.siteId()));
    rows << padded(QStringLiteral("Flow Volume Units"), CodeTables::volumeUnit(c.flowVolumeUnits()));
    rows << padded(QStringLiteral("Flow Volume Special Factor"), number(c.flowVolumeSpecialFactor()));
    rows << padded(QStringLiteral("Flow Time Units"), CodeTables::timeUnit(c.flowTimeUnits()));
    rows << padded(QStringLiteral("Flow Time Special Factor"), number(c.flowTimeSpecialFactor()));
    rows << padded(QStringLiteral("Totaliser Units"), CodeTables::volumeUnit(c.totaliserUnits()));
    rows << padded(QStringLiteral("Totaliser Special Factor"), number(c.totaliserSpecialFactor()));
    rows << padded(QStringLiteral("Reverse Flow"), enabled(c.reverseFlow()));
    rows << padded(QStringLiteral("Gate Control"), enabled(c.gateControl() != 0));
    rows << padded(QStringLiteral("Empty Pipe Detection"), enabled(c.emptyPipeDetection()));
    rows << padded(QStringLiteral("PNF Threshold"), number(c.pnfThreshold()));
    rows << padded(QStringLiteral("EC Threshold"), number(c.ecThreshold()));
    rows << padded(QStringLiteral("Zero Flow Cutoff"), number(c.zeroFlowCutoff()) + QStringLiteral(" mm/s"));
    rows << padded(QStringLiteral("Low Flow Cutoff"), number(c.lowFlowCutoff()) + QStringLiteral(" mm/s"));
    rows << padded(QStringLiteral("Simulation Value"), number(c.simulationValue()) + QStringLiteral(" L/s"));
    rows << QStringLiteral("Fail Safe Mode Low = ") + enabled(c.failSafeModeLow());
    rows << padded(QStringLiteral("Battery Alarm Level"),
                   number(c.batteryAlarmLevel()) + QStringLiteral(" Volts"));
    rows << padded(QStringLiteral("On Time"), hu(c.onTime()) + seconds);
    rows << padded(QStringLiteral("Off Time"), hu(c.offTime()) + seconds);
    rows << padded(QStringLiteral("Zero Flow Off Time"), hu(c.zeroFlowOffTime()) + seconds);
    rows << padded(QStringLiteral("Response Time"), hu(c.responseTime()));
    rows << padded(QStringLiteral("Low Power Mode"), enabled(c.lowPowerMode()));
    rows << padded(QStringLiteral("Halt on Signal Errors"), enabled(c.haltOnSignalErrors()));
    rows << padded(QStringLiteral("Logging Interval"), hu(c.loggingInterval()) + seconds);
    rows << padded(QStringLiteral("Register Logging Interval"), hu(c.registerLoggingInterval()) + seconds);
    rows << padded(QStringLiteral("Scans between Diagnostic Log"), hu(c.scansBetweenDiagnosticLog()));
    rows << padded(QStringLiteral("Offpeak Start Time"), time(c.offpeakStartTime()));
    rows << padded(QStringLiteral("Offpeak Stop Time"), time(c.offpeakStopTime()));
    rows << padded(QStringLiteral("EOY Latch Date"),
                   Formats::dayMonth(Q7Data::encodeTDateTime(c.eoyLatchDate())));
    rows << padded(QStringLiteral("LCD Contrast"), hu(c.lcdContrast()));
    rows << padded(QStringLiteral("LCD Timeout"), hu(c.lcdTimeout()) + seconds);
    rows << padded(QStringLiteral("Backlight Timeout"), hu(c.backlightTimeout()) + seconds);
    for (int i = 0; i < ConfigRecord::kAlarms; ++i)
        rows << padded(QStringLiteral("Alarm[") + Formats::i(i) + QStringLiteral("]"),
                       alarmValue(c.alarm(i)));
    for (int i = 0; i < ConfigRecord::kAnalogOutputs; ++i)
        rows << padded(QStringLiteral("Analog Output[") + Formats::i(i) + QStringLiteral("]"),
                       analogOutputValue(c.analogOutput(i)));
    for (int i = 0; i < ConfigRecord::kDigitalOutputs; ++i)
        rows << padded(QStringLiteral("Digital Output[") + Formats::i(i) + QStringLiteral("]"),
                       digitalOutputValue(c.digitalOutput(i)));
    rows << padded(QStringLiteral("Serialport Protocol Mode"),
                   CodeTables::serialProtocolMode(c.serialportProtocolMode()));
    rows << padded(QStringLiteral("Baud Rate"), CodeTables::baudRate(c.baudRate()));
    rows << padded(QStringLiteral("Serial Port Format"), QStringLiteral("N,8,1"));
    rows << padded(QStringLiteral("Modbus ID(address)"), hu(c.modbusId()));
    rows << padded(QStringLiteral("Modem On Duration"), hu(c.modemOnDuration()) + minutes);
    rows << padded(QStringLiteral("Modem Interval Time"), hu(c.modemIntervalTime()) + minutes);
    rows << padded(QStringLiteral("Modem Window Enabled"), time(c.modemWindowEnabled()));
    rows << padded(QStringLiteral("Modem Window Disabled"), time(c.modemWindowDisabled()));
    return rows;
}

QStringList calibrationRows(const CalRecord& k)
{
    const auto date = [](const Q7Data::Timestamp& ts) {
        return Formats::dayMonthYear(Q7Data::encodeTDateTime(ts));
    };
    const std::array<float, 3> tubeSelect{k.tubeSelect(0), k.tubeSelect(1), k.tubeSelect(2)};

    QStringList rows;
    rows << QStringLiteral("Meter ID         = ") + lu(k.meterId());
    rows << padded(QStringLiteral("Flow fullscale"), number(k.flowFullscale()) + QStringLiteral(" L/s"));
    rows << padded(QStringLiteral("Density"), number(k.density()));
    rows << padded(QStringLiteral("W4K Factor"), number(k.w4kFactor()));
    rows << padded(QStringLiteral("Model replacing"), hu(k.modelReplacing()));
    rows << padded(QStringLiteral("Pipe Diameter"), hu(k.pipeDiameter()));
    rows << padded(QStringLiteral("Pipe Size Units"), CodeTables::pipeSizeUnits(k.pipeSizeUnits()));
    rows << padded(QStringLiteral("Coil Current"), hu(k.coilCurrent()) + QStringLiteral(" mA"));
    rows << padded(QStringLiteral("Coil frequency"), number(k.coilFrequency()) + QStringLiteral(" Hertz"));
    rows << padded(QStringLiteral("Filter Frequency"), CodeTables::filterFrequency(k.filterFrequency()));
    rows << padded(QStringLiteral("Tube Select"), joined(tubeSelect));
    rows << padded(
        QStringLiteral("FlowTube Factors"),
        joined(std::array<float, 4>{k.tubeFactor(0), k.tubeFactor(1), k.tubeFactor(2), k.tubeFactor(3)}));
    rows << padded(QStringLiteral("FlowTube Zero"),
                   joined(std::array<float, 2>{k.tubeZero(0), k.tubeZero(1)}));
    // The section carries a second "Tube Select" row, but the record has no further tube
    // selection values. It repeats the three the record holds rather than inventing any, so
    // the section keeps its familiar twenty rows and never shows a value the board lacks.
    rows << padded(QStringLiteral("Tube Select"), joined(tubeSelect));
    for (int i = 0; i < CalRecord::kCurrentOutputs; ++i) {
        rows << padded(QStringLiteral("4-20mA Offset[") + Formats::i(i) + QStringLiteral("]"),
                       number(k.currentOutputOffset(i)));
        rows << padded(QStringLiteral("4-20mA Span[") + Formats::i(i) + QStringLiteral("]"),
                       number(k.currentOutputSpan(i)));
    }
    rows << padded(QStringLiteral("Calibration Date"), date(k.calibrationDate()));
    rows << padded(QStringLiteral("Verification Date"), date(k.verificationDate()));
    return rows;
}

QString compensationValue(const BasicCalRecord::CompensationEntry& e)
{
    return QStringLiteral("Formula(") + Formats::i(e.formula) + QStringLiteral("), ") +
           QStringLiteral("Chan{") + QString::number(e.channels[0]) + QStringLiteral(", ") +
           QString::number(e.channels[1]) + QStringLiteral("}, ") + QStringLiteral("coeffs[") +
           joined(e.coefficients) + QStringLiteral("]");
}

QStringList basicCalibrationRows(const BasicCalRecord& b)
{
    QStringList rows;
    for (int i = 0; i < BasicCalRecord::kCompensations; ++i)
        rows << padded(QStringLiteral("Compensation[") + Formats::i(i) + QStringLiteral("]"),
                       compensationValue(b.compensation(i)));
    const std::pair<const char*, float> values[] = {
        {"Coil Offset", b.coilOffset()},
        {"Coil Span", b.coilSpan()},
        {"Coil Voltage Offset", b.coilVoltageOffset()},
        {"Coil Voltage Span", b.coilVoltageSpan()},
        {"Coil Current Offset", b.coilCurrentOffset()},
        {"Coil Current Span", b.coilCurrentSpan()},
        {"Battery Charge Voltage Offset", b.batteryChargeVoltageOffset()},
        {"Battery Charge Voltage Span", b.batteryChargeVoltageSpan()},
        {"Battery Charge Current Offset", b.batteryChargeCurrentOffset()},
        {"Battery Charge Current Span", b.batteryChargeCurrentSpan()},
        {"Solar Voltage Offset", b.solarVoltageOffset()},
        {"Solar Voltage Span", b.solarVoltageSpan()},
        {"Temperature Offset", b.temperatureOffset()},
        {"Temperature Span", b.temperatureSpan()},
    };
    for (const auto& [label, value] : values)
        rows << padded(QString::fromLatin1(label), number(value));
    rows << padded(QStringLiteral("Battery Safety Limit"),
                   number(b.batterySafetyLimit()) + QStringLiteral(" Volts"));
    rows << padded(QStringLiteral("Low Battery System Alarm Level"),
                   number(b.lowBatterySystemAlarmLevel()) + QStringLiteral(" Volts"));
    return rows;
}

} // namespace ReportRows
