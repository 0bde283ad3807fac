#include "BasicCalRecord.h"
#include "BoardInfoRecord.h"
#include "CalRecord.h"
#include "ConfigRecord.h"
#include "StatusRecord.h"

#include <QtTest>

#include <bit>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

namespace {

// A block whose every byte differs from its neighbours, so a field read at a wrong offset or
// a reserved byte lost on the way shows.
Bytes pattern(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

void putLe16(Bytes& b, std::size_t at, std::uint16_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void putLe32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}

void putF32(Bytes& b, std::size_t at, float v)
{
    putLe32(b, at, std::bit_cast<std::uint32_t>(v));
}

template <typename R> Bytes bytesOf(const R& r)
{
    return Bytes(r.bytes().begin(), r.bytes().end());
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheExactLengthIsARecord_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("accepted");
        for (int size : {332, 158, 222, 351, 928}) {
            QTest::addRow("%d - 1", size) << size << size - 1 << false;
            QTest::addRow("%d", size) << size << size << true;
            QTest::addRow("%d + 1", size) << size << size + 1 << false;
        }
        QTest::addRow("empty") << 332 << 0 << false;
    }
    void onlyTheExactLengthIsARecord()
    {
        QFETCH(int, size);
        QFETCH(int, length);
        QFETCH(bool, accepted);
        const Bytes b = pattern(std::size_t(length));
        bool got = false;
        switch (size) {
        case 332:
            got = ConfigRecord::fromBytes(b).has_value();
            break;
        case 158:
            got = CalRecord::fromBytes(b).has_value();
            break;
        case 222:
            got = BasicCalRecord::fromBytes(b).has_value();
            break;
        case 351:
            got = StatusRecord::fromBytes(b).has_value();
            break;
        case 928:
            got = BoardInfoRecord::fromBytes(b).has_value();
            break;
        }
        QCOMPARE(got, accepted);
    }

    void everyByteIsCarried()
    {
        const Bytes b = pattern(332);
        QCOMPARE(bytesOf(*ConfigRecord::fromBytes(b)), b);
        const QByteArray q(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
        QCOMPARE(ConfigRecord::fromBytes(q)->toByteArray(), q);
    }

    void configurationFields()
    {
        Bytes b = pattern(332);
        putLe16(b, 2, 247);
        putLe32(b, 4, 4000000000u);
        putF32(b, 12, 1.25f);
        putLe16(b, 18, 0);
        putF32(b, 30, 5.5f);
        putF32(b, 34, 2.5f);
        putLe16(b, 50, 11);
        putLe16(b, 62, 12);
        b[70] = 20;
        b[71] = 6;
        b[72] = 1;
        b[73] = 22;
        b[74] = 30;
        b[75] = 15;
        // alarm 3, analog output 1, digital output 2 (the last or a middle entry of each array)
        putLe16(b, 112 + 36, 1);
        putLe16(b, 112 + 36 + 2, 5);
        putLe16(b, 180, 1);
        putLe16(b, 182, 2);
        putF32(b, 184, 0.5f);
        putF32(b, 188, 4.0f);
        putF32(b, 192, 20.0f);
        putF32(b, 196, 22.0f);
        putLe16(b, 220, 2);
        putLe16(b, 222, std::uint16_t(-100));
        putLe16(b, 224, 1);
        putLe16(b, 226, 100);
        putLe16(b, 228, 50);
        putLe16(b, 240, std::uint16_t(-1));
        putLe16(b, 280, 0x0002);
        putF32(b, 282, 11.5f);

        const ConfigRecord r = *ConfigRecord::fromBytes(b);
        QCOMPARE(r.modbusId(), 247);
        QCOMPARE(r.siteId(), 4000000000u);
        QCOMPARE(r.simulationValue(), 1.25f);
        QVERIFY(!r.emptyPipeDetection());
        QCOMPARE(r.lowFlowCutoff(), 5.5f);
        QCOMPARE(r.zeroFlowCutoff(), 2.5f);
        QCOMPARE(r.flowVolumeUnits(), 11);
        QCOMPARE(r.totaliserUnits(), 12);
        QCOMPARE(r.offpeakStartTime(), (Q7Data::Timestamp{20, 6, 1, 22, 30, 15}));
        QCOMPARE(r.alarm(3).logging, true);
        QCOMPARE(r.alarm(3).source, 5);
        const auto a = r.analogOutput(1);
        QVERIFY(a.enabled);
        QCOMPARE(a.quantity, 2);
        QCOMPARE(a.damping, 0.5f);
        QCOMPARE(a.factor4mA, 4.0f);
        QCOMPARE(a.factor20mA, 20.0f);
        QCOMPARE(a.alarmCurrent, 22.0f);
        const auto d = r.digitalOutput(2);
        QCOMPARE(d.mode, 2);
        QCOMPARE(d.fullscaleFrequency, -100);
        QCOMPARE(d.quantity, 1);
        QCOMPARE(d.pulseScale, 100);
        QCOMPARE(d.pulseWidth, 50);
        QCOMPARE(r.serialportProtocolMode(), -1);
        QVERIFY(!r.lowPowerMode());
        QVERIFY(r.haltOnSignalErrors());
        QCOMPARE(r.batteryAlarmLevel(), 11.5f);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, r.alarm(4));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, r.digitalOutput(-1));
    }

    void restoreKeepsOnlyTheBoardsOwnBytes()
    {
        ConfigRecord backup = *ConfigRecord::fromBytes(pattern(332));
        Bytes fresh(332, 0xEE);
        const ConfigRecord replacement = *ConfigRecord::fromBytes(fresh);
        const Bytes before = bytesOf(backup);
        backup.keepBoardOwnSettings(replacement);
        const Bytes after = bytesOf(backup);
        for (std::size_t i = 0; i < 332; ++i)
            QCOMPARE(after[i], (i >= 278 && i <= 285) ? std::uint8_t(0xEE) : before[i]);

        backup.setGateControl(1);
        backup.setPowerOptions(3);
        backup.setBatteryAlarmLevel(10.5f);
        QCOMPARE(backup.gateControl(), 1);
        QVERIFY(backup.lowPowerMode() && backup.haltOnSignalErrors());
        QCOMPARE(backup.batteryAlarmLevel(), 10.5f);
        QCOMPARE(Bytes(backup.bytes().begin(), backup.bytes().begin() + 278),
                 Bytes(before.begin(), before.begin() + 278));
    }

    void accessCodesAreMaskedAndChecked()
    {
        Bytes b = pattern(332);
        putLe16(b, 106, 1);
        putLe16(b, 108, 0);
        putLe16(b, 110, 2);
        const ConfigRecord r = *ConfigRecord::fromBytes(b);
        const auto masked = r.maskedBytes();
        for (std::size_t i = 0; i < 332; ++i)
            QCOMPARE(masked[i], (i >= 106 && i < 112) ? std::uint8_t(0) : b[i]);
        QVERIFY(r.acceptsAccessCode(0) && r.acceptsAccessCode(1) && r.acceptsAccessCode(2));
        QVERIFY(!r.acceptsAccessCode(3));
        QCOMPARE(r.lowestNonAccessCode(), 3);
        QCOMPARE(ConfigRecord().lowestNonAccessCode(), 1);
    }

    void calibrationFields()
    {
        Bytes b = pattern(158);
        putLe32(b, 2, 4711);
        putLe16(b, 10, 1);
        putLe16(b, 14, 150);
        putF32(b, 20, 0.1f);
        putF32(b, 28, 0.3f);
        putF32(b, 44, 2.000004f);
        putF32(b, 52, -1.5f);
        putF32(b, 72, 16.0f);
        putF32(b, 80, 0.25f);
        b[94] = 25;
        b[95] = 12;
        b[96] = 31;
        b[97] = 0;
        b[98] = 0;
        b[99] = 0;
        const CalRecord r = *CalRecord::fromBytes(b);
        QCOMPARE(r.meterId(), 4711u);
        QCOMPARE(r.pipeSizeUnits(), 1);
        QCOMPARE(r.coilCurrent(), 150);
        QCOMPARE(r.tubeSelect(0), 0.1f);
        QCOMPARE(r.tubeSelect(2), 0.3f);
        QCOMPARE(r.tubeFactor(3), 2.000004f);
        QCOMPARE(r.tubeZero(1), -1.5f);
        QCOMPARE(r.currentOutputSpan(1), 16.0f);
        QCOMPARE(r.currentOutputOffset(1), 0.25f);
        QCOMPARE(r.verificationDate(), (Q7Data::Timestamp{25, 12, 31, 0, 0, 0}));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, r.tubeFactor(4));
    }

    void handEditsChangeOnlyTheirBytes_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("size");
        QTest::addRow("meter SN") << 0 << 2 << 4;
        QTest::addRow("coil current") << 1 << 14 << 2;
        QTest::addRow("pipe diameter") << 2 << 18 << 2;
        QTest::addRow("tube factor 3") << 3 << 44 << 4;
        QTest::addRow("tube zero 0") << 4 << 48 << 4;
    }
    void handEditsChangeOnlyTheirBytes()
    {
        QFETCH(int, field);
        QFETCH(int, offset);
        QFETCH(int, size);
        const Bytes before = pattern(158);
        CalRecord r = *CalRecord::fromBytes(before);
        switch (field) {
        case 0:
            r.setMeterId(999999);
            QCOMPARE(r.meterId(), 999999u);
            break;
        case 1:
            r.setCoilCurrent(300);
            QCOMPARE(r.coilCurrent(), 300);
            break;
        case 2:
            r.setPipeDiameter(2000);
            QCOMPARE(r.pipeDiameter(), 2000);
            break;
        case 3:
            r.setTubeFactor(3, 9999.5f);
            QCOMPARE(r.tubeFactor(3), 9999.5f);
            break;
        case 4:
            r.setTubeZero(0, -99.25f);
            QCOMPARE(r.tubeZero(0), -99.25f);
            break;
        }
        const Bytes after = bytesOf(r);
        for (int i = 0; i < 158; ++i)
            if (i < offset || i >= offset + size)
                QCOMPARE(after[std::size_t(i)], before[std::size_t(i)]);
    }

    void compensationChannelsAreUnsignedAndFormulaSigned()
    {
        Bytes b = pattern(222);
        const std::size_t at = 10 + 24 * 2;
        putLe16(b, at, std::uint16_t(-1));
        b[at + 2] = 255;
        b[at + 3] = 200;
        for (int k = 0; k < 5; ++k)
            putF32(b, at + 4 + 4 * std::size_t(k), float(k) + 0.5f);
        putF32(b, 172, 10.8f);
        const BasicCalRecord r = *BasicCalRecord::fromBytes(b);
        const auto c = r.compensation(2);
        QCOMPARE(c.formula, -1);
        QCOMPARE(int(c.channels[0]), 255);
        QCOMPARE(int(c.channels[1]), 200);
        QCOMPARE(c.coefficients, (std::array<float, 5>{0.5f, 1.5f, 2.5f, 3.5f, 4.5f}));
        QCOMPARE(r.lowBatterySystemAlarmLevel(), 10.8f);
    }

    void statusAndBoardInfoFields()
    {
        Bytes s = pattern(351);
        putLe16(s, 0, 12);
        putF32(s, 16, 1.0f);
        s[280] = 0;
        s[281] = 0x11;
        putLe16(s, 282, 0x0201);
        putLe16(s, 285, 0x0041); // straddles the reserved byte at 284: read at 285, not 284
        const StatusRecord st = *StatusRecord::fromBytes(s);
        QCOMPARE(st.numberOfResets(), 12);
        QCOMPARE(st.flowRate(), 1.0f);
        QVERIFY(!st.gateOpen());
        QVERIFY(st.pipeNotFull() && st.ecLow());
        QCOMPARE(st.systemFault(), 0x0201);
        QCOMPARE(st.alarmStatus(), 0x0041);

        Bytes i = pattern(928);
        const std::array<std::uint8_t, 6> esn{0x01, 0x02, 0x0A, 0x0B, 0x0C, 0xFF};
        std::copy(esn.begin(), esn.end(), i.begin());
        putLe16(i, 96 + 4, std::uint16_t(31));
        putLe16(i, 117, 123);
        putLe16(i, 126, 2);
        i[130] = '2';
        i[131] = '5';
        i[132] = '0';
        i[133] = '0';
        const BoardInfoRecord info = *BoardInfoRecord::fromBytes(i);
        QCOMPARE(info.esn(), esn);
        QCOMPARE(info.optionCard(2), 31);
        QCOMPARE(info.selfTest(), 123);
        QCOMPARE(info.simulationMode(), 2);
        QCOMPARE(info.firmwareChars(), (std::array<std::uint8_t, 4>{'2', '5', '0', '0'}));
    }

    void totaliserBackupIsLittleEndianInOrder()
    {
        Q7Data::Totalisers t;
        t.ForwardTotal = 12345.678f;
        t.NettYTDTotal = -1.0f;
        const auto bytes = t.toBytes();
        QCOMPARE(std::bit_cast<std::uint32_t>(12345.678f) & 0xFF, std::uint32_t(bytes[0]));
        QCOMPARE(bytes[36], 0x00);
        QCOMPARE(bytes[39], 0xBF); // -1.0f = BF800000, most significant byte last
        QCOMPARE(*Q7Data::Totalisers::fromBytes(bytes), t);
        QVERIFY(!Q7Data::Totalisers::fromBytes(std::span(bytes).first(39)));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "TestRecords.moc"
