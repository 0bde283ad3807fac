#include "ReportRows.h"

#include "BoardTime.h"

#include <QtTest>

#include <bit>
#include <vector>

using namespace ReportRows;
using Bytes = std::vector<std::uint8_t>;

namespace {

void putLe16(Bytes& b, std::size_t at, std::uint16_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void putF32(Bytes& b, std::size_t at, float v)
{
    const auto u = std::bit_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(u >> (8 * i));
}

const Q7Data::TDateTime kNow = Q7Data::encodeTDateTime({26, 12, 8, 14, 5, 9});
// The standard date-time text of kNow under the tests' C locale.
const QString kNowText = "8 Dec 2026 14:05:09";

} // namespace

class TestReportRows : public QObject
{
    Q_OBJECT

private slots:
    void padding_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("row");
        QTest::addRow("short label") << "Operator"
                                     << "Operator                      = x";
        QTest::addRow("indexed label") << "Alarm[0]"
                                       << "Alarm[0]                      = x";
        QTest::addRow("exactly 30") << "Low Battery System Alarm Level"
                                    << "Low Battery System Alarm Level= x";
        QTest::addRow("longer than 30") << "A label that is longer than thirty"
                                        << "A label that is longer than thirty= x";
    }
    void padding()
    {
        QFETCH(QString, label);
        QFETCH(QString, row);
        QCOMPARE(padded(label, "x"), row);
    }

    void zeroConfiguration()
    {
        const QStringList expected = {
            "Site ID                       = 0",         "Flow Volume Units             = MEGA LITRES",
            "Flow Volume Special Factor    = 0.0",       "Flow Time Units               = Seconds",
            "Flow Time Special Factor      = 0.0",       "Totaliser Units               = MEGA LITRES",
            "Totaliser Special Factor      = 0.0",       "Reverse Flow                  = Disabled",
            "Gate Control                  = Disabled",  "Empty Pipe Detection          = Disabled",
            "PNF Threshold                 = 0.0",       "EC Threshold                  = 0.0",
            "Zero Flow Cutoff              = 0.0 mm/s",  "Low Flow Cutoff               = 0.0 mm/s",
            "Simulation Value              = 0.0 L/s",   "Fail Safe Mode Low = Disabled",
            "Battery Alarm Level           = 0.0 Volts", "On Time                       = 0 seconds",
            "Off Time                      = 0 seconds", "Zero Flow Off Time            = 0 seconds",
            "Response Time                 = 0",         "Low Power Mode                = Disabled",
            "Halt on Signal Errors         = Disabled",  "Logging Interval              = 0 seconds",
            "Register Logging Interval     = 0 seconds", "Scans between Diagnostic Log  = 0",
            "Offpeak Start Time            = 00:00:00",  "Offpeak Stop Time             = 00:00:00",
            "EOY Latch Date                = 30/Dec",    "LCD Contrast                  = 0",
            "LCD Timeout                   = 0 seconds", "Backlight Timeout             = 0 seconds",
            "Alarm[0]                      = OFF",       "Alarm[1]                      = OFF",
            "Alarm[2]                      = OFF",       "Alarm[3]                      = OFF",
            "Analog Output[0]              = OFF",       "Analog Output[1]              = OFF",
            "Digital Output[0]             = OFF",       "Digital Output[1]             = OFF",
            "Digital Output[2]             = OFF",       "Digital Output[3]             = OFF",
            "Serialport Protocol Mode      = RS232",     "Baud Rate                     = 9600",
            "Serial Port Format            = N,8,1",     "Modbus ID(address)            = 0",
            "Modem On Duration             = 0 Minutes", "Modem Interval Time           = 0 Minutes",
            "Modem Window Enabled          = 00:00:00",  "Modem Window Disabled         = 00:00:00",
        };
        QCOMPARE(configurationRows(ConfigRecord()), expected);
    }

    void configurationValues()
    {
        Bytes b(332, 0);
        putLe16(b, 28, 1); // fail safe mode low
        putF32(b, 52, 12.345678f);
        putLe16(b, 62, 12); // totaliser units outside the table
        putLe16(b, 56, 4);
        putLe16(b, 240, 3);   // protocol outside the table
        putLe16(b, 280, 0x2); // halt on signal errors only
        b[80] = 20;
        b[81] = 6;
        b[82] = 1;
        b[83] = 22;
        b[84] = 30;
        b[85] = 5; // offpeak stop
        b[90] = 20;
        b[91] = 6;
        b[92] = 30; // EOY latch 30 June
        b[254] = 0;
        b[255] = 0;
        b[256] = 0;
        b[257] = 6;
        b[258] = 0;
        b[259] = 0;              // invalid date, time 06:00
        putLe16(b, 200 + 10, 2); // digital output 1: pulse on flow rate
        putLe16(b, 200 + 14, 1);
        putLe16(b, 200 + 16, 100);
        putLe16(b, 200 + 18, 50);
        const QStringList rows = configurationRows(*ConfigRecord::fromBytes(b));
        QCOMPARE(rows.size(), 50);
        QCOMPARE(rows[2], "Flow Volume Special Factor    = 12.34568");
        QCOMPARE(rows[3], "Flow Time Units               = Special Factor");
        QCOMPARE(rows[5], "Totaliser Units               = ");
        QCOMPARE(rows[15], "Fail Safe Mode Low = Enabled");
        QCOMPARE(rows[21], "Low Power Mode                = Disabled");
        QCOMPARE(rows[22], "Halt on Signal Errors         = Enabled");
        QCOMPARE(rows[27], "Offpeak Stop Time             = 22:30:05");
        QCOMPARE(rows[28], "EOY Latch Date                = 30/Jun");
        // An invalid timestamp is the zero date-time as a whole, so its time shows as midnight.
        QCOMPARE(rows[48], "Modem Window Enabled          = 00:00:00");
        QCOMPARE(rows[39],
                 "Digital Output[1]             = Flow rate, PULSE, Pulse Scale(100), Pulse Width(50 ms)");
        QCOMPARE(rows[42], "Serialport Protocol Mode      = ");
    }

    void alarmValues_data()
    {
        QTest::addColumn<bool>("logging");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("text");
        QTest::addRow("source 0 is off whatever the logging") << true << 0 << "OFF";
        QTest::addRow("low battery unpadded") << true << 1 << "LOW_BATTERY, Alarm Logging(On)";
        QTest::addRow("padded source") << false << 4 << "LO_FLOW      , Alarm Logging(Off)";
        QTest::addRow("unknown source") << true << 9 << ", Alarm Logging(On)";
    }
    void alarmValues()
    {
        QFETCH(bool, logging);
        QFETCH(int, source);
        QFETCH(QString, text);
        QCOMPARE(alarmValue({logging, std::uint16_t(source)}), text);
    }

    void analogOutputValues_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("text");
        QTest::addRow("off") << false << 1 << "OFF";
        QTest::addRow("flow rate")
            << true << 1 << "Flow rate, 4mA fact(0.0), 20mA fact(12.34568), Damping(2.5), Alarm(22.0 mA)";
        QTest::addRow("mass flow")
            << true << 2 << "Mass Flow, 4mA fact(0.0), 20mA fact(12.34568), Damping(2.5), Alarm(22.0 mA)";
        QTest::addRow("quantity 3 is not an analog quantity")
            << true << 3 << "4mA fact(0.0), 20mA fact(12.34568), Damping(2.5), Alarm(22.0 mA)";
        QTest::addRow("quantity 7") << true << 7
                                    << "4mA fact(0.0), 20mA fact(12.34568), Damping(2.5), Alarm(22.0 mA)";
    }
    void analogOutputValues()
    {
        QFETCH(bool, enabled);
        QFETCH(int, quantity);
        QFETCH(QString, text);
        QCOMPARE(analogOutputValue({enabled, std::int16_t(quantity), 2.5f, 0.0f, 12.345678f, 22.0f}), text);
    }

    void digitalOutputValues_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("text");
        QTest::addRow("off") << 0 << 1 << "OFF";
        QTest::addRow("frequency") << 1 << 0 << "Velocity, FREQUENCY, Fullscale Frequency(-5 Hertz), ";
        QTest::addRow("pulse") << 2 << 1 << "Flow rate, PULSE, Pulse Scale(100), Pulse Width(50 ms)";
        QTest::addRow("alarm keeps its comma") << 3 << 5 << "Net Total, ALARM, ";
        QTest::addRow("unknown mode") << 4 << 3 << "Fwd Flow, ";
        QTest::addRow("unknown quantity") << 3 << 6 << "ALARM, ";
    }
    void digitalOutputValues()
    {
        QFETCH(int, mode);
        QFETCH(int, quantity);
        QFETCH(QString, text);
        QCOMPARE(digitalOutputValue({std::int16_t(mode), -5, std::uint16_t(quantity), 100, 50}), text);
    }

    void zeroCalibration()
    {
        const QStringList expected = {
            "Meter ID         = 0",
            "Flow fullscale                = 0.0 L/s",
            "Density                       = 0.0",
            "W4K Factor                    = 0.0",
            "Model replacing               = 0",
            "Pipe Diameter                 = 0",
            "Pipe Size Units               = millimeters",
            "Coil Current                  = 0 mA",
            "Coil frequency                = 0.0 Hertz",
            "Filter Frequency              = 50 Hertz",
            "Tube Select                   = 0.0, 0.0, 0.0",
            "FlowTube Factors              = 0.0, 0.0, 0.0, 0.0",
            "FlowTube Zero                 = 0.0, 0.0",
            "Tube Select                   = 0.0, 0.0, 0.0",
            "4-20mA Offset[0]              = 0.0",
            "4-20mA Span[0]                = 0.0",
            "4-20mA Offset[1]              = 0.0",
            "4-20mA Span[1]                = 0.0",
            "Calibration Date              = 30 Dec, 1899",
            "Verification Date             = 30 Dec, 1899",
        };
        QCOMPARE(calibrationRows(CalRecord()), expected);
    }

    void calibrationValues()
    {
        Bytes b(158, 0);
        b[2] = 0x67;
        b[3] = 0x12;       // meter ID 4711
        putLe16(b, 10, 2); // pipe size units outside the table
        putLe16(b, 12, 2);
        const float factors[4] = {1.0f, 1.5f, 0.99999f, 2.000004f};
        for (int i = 0; i < 4; ++i)
            putF32(b, 32 + 4 * std::size_t(i), factors[i]);
        putF32(b, 76, 0.5f);  // offset 0
        putF32(b, 68, 16.0f); // span 0
        putF32(b, 80, -0.5f); // offset 1
        putF32(b, 72, 15.0f); // span 1
        b[84] = 16;
        b[85] = 2;
        b[86] = 29;
        b[87] = 10;
        const QStringList rows = calibrationRows(*CalRecord::fromBytes(b));
        QCOMPARE(rows[0], "Meter ID         = 4711");
        QCOMPARE(rows[6], "Pipe Size Units               = ");
        QCOMPARE(rows[9], "Filter Frequency              = Combined 50/60 Hertz");
        QCOMPARE(rows[11], "FlowTube Factors              = 1.0, 1.5, 0.99999, 2.0");
        QCOMPARE(
            rows.mid(14, 4),
            (QStringList{"4-20mA Offset[0]              = 0.5", "4-20mA Span[0]                = 16.0",
                         "4-20mA Offset[1]              = -0.5", "4-20mA Span[1]                = 15.0"}));
        QCOMPARE(rows[18], "Calibration Date              = 29 Feb, 2016");
    }

    void hardwareCalibration()
    {
        Bytes b(222, 0);
        putLe16(b, 10 + 24, std::uint16_t(-1)); // compensation 1
        b[10 + 24 + 2] = 3;
        b[10 + 24 + 3] = 200;
        putF32(b, 10 + 24 + 8, 1.0f);
        putF32(b, 168, 10.5f);
        const QStringList rows = basicCalibrationRows(*BasicCalRecord::fromBytes(b));
        QCOMPARE(rows.size(), 19);
        QCOMPARE(rows[0],
                 "Compensation[0]               = Formula(0), Chan{0, 0}, coeffs[0.0, 0.0, 0.0, 0.0, 0.0]");
        QCOMPARE(
            rows[1],
            "Compensation[1]               = Formula(-1), Chan{3, 200}, coeffs[0.0, 1.0, 0.0, 0.0, 0.0]");
        QCOMPARE(rows[9], "Battery Charge Voltage Offset = 0.0");
        QCOMPARE(rows[16], "Temperature Span              = 0.0");
        QCOMPARE(rows[17], "Battery Safety Limit          = 10.5 Volts");
        QCOMPARE(rows[18], "Low Battery System Alarm Level= 0.0 Volts");
    }

    void selfTest_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("row");
        QTest::addRow("all passed") << 127 << "Self test result = ALL OK";
        QTest::addRow("ADC failed") << 126 << "Self test result *****= 126 (ADC )";
        QTest::addRow("CAL/CONF failed") << 123 << "Self test result *****= 123 (CAL/CONF )";
        QTest::addRow("all failed") << 0
                                    << "Self test result *****= 0 (ADC ID CAL/CONF SDCARD RTC POWER COIL )";
        QTest::addRow("bit 7 set is not all passed") << 255 << "Self test result *****= 255 ()";
    }
    void selfTest()
    {
        QFETCH(int, value);
        QFETCH(QString, row);
        QCOMPARE(selfTestRows(std::uint16_t(value)), QStringList{row});
    }

    void faults_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("rows");
        QTest::addRow("none") << 0 << QStringList{"System Fault     = 0"};
        QTest::addRow("0x0201") << 0x0201
                                << QStringList{"System Fault     = 513",
                                               "System Fault(eror) = ***** Coil inductance low",
                                               "System Fault(eror) = ***** Low battery volts"};
        QTest::addRow("bit 8 alone has no message") << 0x0100 << QStringList{"System Fault     = 256"};
        QTest::addRow("high temperature and unused high bits")
            << 0xF000
            << QStringList{"System Fault     = 61440", "System Fault(eror) = ***** High temerature"};
    }
    void faults()
    {
        QFETCH(int, value);
        QFETCH(QStringList, rows);
        QCOMPARE(faultRows(std::uint16_t(value)), rows);
    }

    void alarms_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("rows");
        QTest::addRow("none") << 0 << QStringList{"Alarm Status     = 0"};
        QTest::addRow("low battery and reverse flow")
            << 0x41
            << QStringList{"Alarm Status     = 65", "Alarm Status     = ***** LOW BATTERY",
                           "Alarm Status     = ***** REVERSE FLOW"};
        QTest::addRow("unused bits only") << 0xFF80 << QStringList{"Alarm Status     = 65408"};
    }
    void alarms()
    {
        QFETCH(int, value);
        QFETCH(QStringList, rows);
        QCOMPARE(alarmRows(std::uint16_t(value)), rows);
    }

    void totals()
    {
        Q7Data::Totalisers t;
        t.ForwardTotal = 12345.678f;
        t.NettYTDTotal = -1.0f;
        const QStringList rows = totalsRows(t);
        QCOMPARE(rows.size(), 10);
        QCOMPARE(rows[0], "ForwardTotal        \t= 12.345678 ML");
        QCOMPARE(rows[1], "ReverseTotal        \t= 0.000000 ML");
        QCOMPARE(rows[4], "OffPeakForwardTotal \t= 0.000000 ML");
        QCOMPARE(rows[9], "NettYTDTotal       \t= -0.001000 ML");
    }

    void siteInfoFromStructures()
    {
        Bytes b(928, 0);
        const std::uint8_t esn[6] = {0x01, 0x02, 0x0A, 0x0B, 0x0C, 0xFF};
        std::copy(esn, esn + 6, b.begin());
        b[130] = '2';
        b[131] = '5';
        b[132] = '0';
        b[133] = '1';
        const BoardInfoRecord info = *BoardInfoRecord::fromBytes(b);

        QCOMPARE(siteInfoRows({kNow, "Jo Bloggs", "A123", 4711, "SFO 12345 6789"}, info),
                 (QStringList{"Date        = " + kNowText, "Operator                      = Jo Bloggs",
                              "Site License                  = A123", "Meter ID         = 4711",
                              "Firmware Version              = 105.2",
                              "ESN                           = 01 02 0A 0B 0C FF ",
                              "Q7 S/N                        = SFO 12345 6789"}));
        // No operator, no licence, SFO dialog cancelled.
        QCOMPARE(siteInfoRows({kNow, "", "", 0, ""}, info),
                 (QStringList{"Date        = " + kNowText, "Meter ID         = 0",
                              "Firmware Version              = 105.2",
                              "ESN                           = 01 02 0A 0B 0C FF "}));
    }

    void siteInfoFromRegisters()
    {
        const Registers::FirmwareChars fw{'0', '0', '5', '1'};
        const Registers::Esn esn =
            Registers::esnFromRegisters(std::array<std::uint8_t, 6>{0xFF, 0x0C, 0x0B, 0x0A, 0x02, 0x01});
        QCOMPARE(siteInfoRowsFromRegisters({kNow, "Jo", "A123", 4711, "SFO 12345 6789"}, fw, esn),
                 (QStringList{"Date        = " + kNowText, "Operator = Jo", "Site License = A123",
                              "MeterID          = 4711", "Firmware version = 0051",
                              "ESN              = 01 02 0A 0B 0C FF ", "Q7 S/N = SFO 12345 6789"}));
        // Failed firmware and ESN reads drop their rows.
        QCOMPARE(siteInfoRowsFromRegisters({kNow, "", "", 7, ""}, std::nullopt, std::nullopt),
                 (QStringList{"Date        = " + kNowText, "MeterID          = 7"}));
    }

    void diagnosticsFromStructures()
    {
        Bytes s(351, 0);
        putLe16(s, 0, 3);
        s[2] = 26;
        s[3] = 12;
        s[4] = 8;
        s[5] = 14;
        s[6] = 5;
        s[7] = 9;
        putF32(s, 12, 1.005f);
        putF32(s, 16, 1.0f);
        putF32(s, 68, 0.125f);
        putF32(s, 84, 21.5f);
        putLe16(s, 274, 7);
        s[280] = 1;
        s[281] = 0x11;
        putLe16(s, 282, 0x0201);
        putLe16(s, 285, 0x0002);
        Bytes i(928, 0);
        putLe16(i, 117, 127);
        putLe16(i, 126, 2);
        putLe16(i, 96, 5);
        putLe16(i, 98, 31);
        putLe16(i, 100, 9);
        i[78] = 26;
        i[79] = 12;
        i[80] = 1; // last power-up at midnight
        const QStringList rows = diagnosticRows(*StatusRecord::fromBytes(s), *BoardInfoRecord::fromBytes(i),
                                                std::uint16_t(12), std::nullopt);
        const QStringList expected = {
            "Number of Resets              = 3",
            "Simulation Mode               = ON",
            "Q7 Date/Time   = " + kNowText,
            "Last Powerup     = 1 Dec 2026",
            "Uptime days      = 12 days",
            "Flow Velocity  = 1.00 m/s",
            "Flow Rate  = 0.09 ML/Day",
            "Mass Flow  = 0.00 Kg/s",
            "Flow Voltage  = 0.00 mV",
            "Coil Voltage     = 0.00 Volts",
            "Coil Current     = 125.00 mA",
            "Coil Resistance  = 0.00 Ohms",
            "Battery Voltage  = 0.00 Volts",
            "Solar Voltage    = 0.00 Volts",
            "Temperature      = 21.50 Degrees C",
            "Self test result = ALL OK",
            "System Fault     = 513",
            "System Fault(eror) = ***** Coil inductance low",
            "System Fault(eror) = ***** Low battery volts",
            "Alarm Status     = 2",
            "Alarm Status     = ***** PIPE NOT FULL",
            "Gate Position    = 7",
            "Gate     = OPEN",
            "Gate Closed Flow  = 0.00",
            "PNF    = PIPE EMPTY",
            "EC    = EC LOW",
            "Option Card Slot 0            = CARD MODEM",
            "Option Card Slot 1            = EMPTY SLOT",
            "Option Card Slot 2            = ",
        };
        QCOMPARE(rows, expected);
    }

    void diagnosticsOfAQuietZeroBoard()
    {
        // Simulation mode 3 has no text; an invalid board clock is the zero date-time at midnight.
        Bytes i(928, 0);
        putLe16(i, 126, 3);
        const QStringList rows =
            diagnosticRows(StatusRecord(), *BoardInfoRecord::fromBytes(i), std::nullopt, std::nullopt);
        QCOMPARE(rows[1], "Simulation Mode               = ");
        QCOMPARE(rows[2], "Q7 Date/Time   = 30 Dec 1899");
        QVERIFY(rows.contains("Gate    = CLOSED"));
        QVERIFY(rows.contains("PNF    = PIPE FULL"));
        QVERIFY(rows.contains("EC    = EC OK"));
        QVERIFY(rows.contains("Self test result *****= 0 (ADC ID CAL/CONF SDCARD RTC POWER COIL )"));
    }

    void diagnosticsFromRegisters()
    {
        RegisterDiagnostics d;
        d.resets = 3;
        d.simulationMode = 0;
        d.boardDateTime = kNow;
        d.uptimeDays = 12;
        d.uptimeHours = 5;
        d.flowVelocity = 0.5f;
        d.flowRate = 1.0f;
        d.massFlow = 2.0f;
        d.flowVoltage = 0.123456f;
        d.coilVoltage = 3.0f;
        d.coilCurrent = 1.25f;
        d.coilResistance = 40.0f;
        d.batteryVoltage = 12.6f;
        d.solarVoltage = 18.0f;
        d.temperature = 25.0f;
        d.selfTest = 127;
        d.systemFault = 0;
        d.alarmStatus = 0;
        d.signalStates = 0x1 | 0x4;
        d.optionCards = {std::uint16_t(6), std::uint16_t(0), std::uint16_t(1)};
        const QStringList expected = {
            "Number of Resets = 3",
            "Simulation Mode = OFF",
            "Q7 Date/Time   = " + kNowText,
            "Uptime days      = 12",
            "Uptime hours     = 5",
            "Flow Velocity  = 0.50000 m/s",
            "Flow Rate  = 0.08640 ML/Day",
            "Mass Flow  = 2.00000 Kg/s",
            "Flow Voltage  = 0.12346 mV",
            "Coil Voltage     = 3.00",
            "Coil Current     = 125.00 mA",
            "Coil Resistance  = 40.00",
            "Battery Voltage  = 12.60",
            "Solar Voltage    = 18.00",
            "Temperature      = 25.00",
            "Self test result = ALL OK",
            "System Fault     = 0",
            "Alarm Status     = 0",
            "Gate     = CLOSED",
            "PNF    = PIPE EMPTY",
            "EC    = EC OK",
            "Option Card Slot 0 = CARD 4TO20AB",
            "Option Card Slot 1 = EMPTY SLOT",
            "Option Card Slot 2 = CARD BLUETOOTH",
        };
        QCOMPARE(diagnosticRowsFromRegisters(d), expected);
    }

    void failedRegisterReadsDropOnlyTheirRows()
    {
        RegisterDiagnostics d;
        d.simulationMode = 1;
        d.signalStates = 0x2;
        d.optionCards[1] = 99;
        QCOMPARE(diagnosticRowsFromRegisters(d),
                 (QStringList{"Simulation Mode = ON", "Gate    = OPEN", "PNF    = PIPE FULL",
                              "EC    = EC LOW", "Option Card Slot 1 = "}));
        QVERIFY(diagnosticRowsFromRegisters({}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReportRows)
#include "TestReportRows.moc"
