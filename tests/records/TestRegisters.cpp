#include "CodeTables.h"
#include "Registers.h"

#include <QtTest>

#include <vector>

class TestRegisters : public QObject
{
    Q_OBJECT

private slots:
    void valuesAreHighByteFirst()
    {
        const std::vector<std::uint8_t> r{0x12, 0x34, 0x41, 0x45, 0x70, 0xA4};
        QCOMPARE(Registers::uint16At(r, 0), 0x1234);
        QCOMPARE(Registers::uint32At(r, 1), 0x414570A4u);
        QCOMPARE(Registers::float32At(r, 1), 12.34f);
    }

    void firmwareVersionNumber_data()
    {
        QTest::addColumn<QByteArray>("chars");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::addRow("0052") << QByteArray("0052") << 52 << "0052";
        QTest::addRow("0051") << QByteArray("0051") << 51 << "0051";
        QTest::addRow("not digits, low four bits")
            << QByteArray("AB:;") << 10 * (':' & 15) + (';' & 15) << "AB:;";
        QTest::addRow("text ends at a zero byte") << QByteArray("05\0\0", 4) << 0 << "05";
    }
    void firmwareVersionNumber()
    {
        QFETCH(QByteArray, chars);
        QFETCH(int, number);
        QFETCH(QString, text);
        Registers::FirmwareChars c{};
        std::copy_n(chars.constData(), 4, c.begin());
        QCOMPARE(Registers::firmwareVersionNumber(c), number);
        QCOMPARE(Registers::firmwareVersionText(c), text);
    }

    void esnIsShownInReverseOfArrival()
    {
        const std::array<std::uint8_t, 6> arrived{0xFF, 0x0C, 0x0B, 0x0A, 0x02, 0x01};
        QCOMPARE(Registers::esnFromRegisters(arrived), (Registers::Esn{0x01, 0x02, 0x0A, 0x0B, 0x0C, 0xFF}));
    }

    void boardDateTimeRegisters()
    {
        // register 64 = second:minute, 65 = hour:day, 66 = month:year-2000
        const std::array<std::uint8_t, 6> r{9, 5, 14, 8, 12, 26};
        QCOMPARE(Registers::timestampFromRegisters(r), (Q7Data::Timestamp{26, 12, 8, 14, 5, 9}));
    }

    void totalsUseTheFirstPairOfEachGroup()
    {
        std::array<std::uint8_t, 80> r{};
        const auto put = [&](std::size_t at, float v) {
            const auto u = std::bit_cast<std::uint32_t>(v);
            for (int i = 0; i < 4; ++i)
                r[at + std::size_t(i)] = std::uint8_t(u >> (24 - 8 * i));
        };
        put(0, 12345.678f);
        put(4, 99.0f); // registers 118-119: not part of the forward total
        put(72, -3.5f);
        const auto t = Registers::totalisersFromRegisters(r);
        QCOMPARE(t.ForwardTotal, 12345.678f);
        QCOMPARE(t.ReverseTotal, 0.0f);
        QCOMPARE(t.NettYTDTotal, -3.5f);
    }

    void codeTables_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addRow("volume 0") << CodeTables::volumeUnit(0) << "MEGA LITRES";
        QTest::addRow("volume 6") << CodeTables::volumeUnit(6) << "IMPERIAL MEGA_GALLONS";
        QTest::addRow("volume 11") << CodeTables::volumeUnit(11) << "METER";
        QTest::addRow("volume 12") << CodeTables::volumeUnit(12) << "";
        QTest::addRow("time 4") << CodeTables::timeUnit(4) << "Special Factor";
        QTest::addRow("time 5") << CodeTables::timeUnit(5) << "";
        QTest::addRow("alarm 0") << CodeTables::alarmSource(0) << "";
        QTest::addRow("alarm 1 unpadded") << CodeTables::alarmSource(1) << "LOW_BATTERY";
        QTest::addRow("alarm 2") << CodeTables::alarmSource(2) << "PIPE_NOT_FULL";
        QTest::addRow("alarm 3 padded") << CodeTables::alarmSource(3) << "SYSTEM_FAULT ";
        QTest::addRow("alarm 4 padded") << CodeTables::alarmSource(4) << "LO_FLOW      ";
        QTest::addRow("alarm 7 padded") << CodeTables::alarmSource(7) << "REV_FLOW     ";
        QTest::addRow("alarm 8") << CodeTables::alarmSource(8) << "";
        QTest::addRow("quantity 5") << CodeTables::outputQuantity(5) << "Net Total, ";
        QTest::addRow("quantity -1") << CodeTables::outputQuantity(-1) << "";
        QTest::addRow("protocol 2") << CodeTables::serialProtocolMode(2) << "RS422";
        QTest::addRow("baud 2") << CodeTables::baudRate(2) << "38400";
        QTest::addRow("baud -1") << CodeTables::baudRate(-1) << "";
        QTest::addRow("pipe units 1") << CodeTables::pipeSizeUnits(1) << "inches";
        QTest::addRow("filter 2") << CodeTables::filterFrequency(2) << "Combined 50/60 Hertz";
        QTest::addRow("filter 3") << CodeTables::filterFrequency(3) << "";
        QTest::addRow("card 3") << CodeTables::optionCard(3) << "EMPTY SLOT";
        QTest::addRow("card 7") << CodeTables::optionCard(7) << "CARD DIO EXPANS";
        QTest::addRow("card 8") << CodeTables::optionCard(8) << "";
        QTest::addRow("card 31") << CodeTables::optionCard(31) << "EMPTY SLOT";
    }
    void codeTables()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_GUILESS_MAIN(TestRegisters)
#include "TestRegisters.moc"
