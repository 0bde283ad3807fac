// Checksums, hex digits and the three parsers, on frames given as raw bytes.
#include "Clock.h"
#include "PtyPeer.h"
#include "Q7Port.h"

#include <QtTest>

using Bytes = QByteArray;
Q_DECLARE_METATYPE(std::uint8_t)

namespace {
std::span<const std::uint8_t> view(const QByteArray& b)
{
    return {reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size())};
}
QByteArray payloadOf(const Q7Frame& f)
{
    return QByteArray(reinterpret_cast<const char*>(f.data.data()), f.dataLen);
}
// The unstuffed body of a Kalder frame, as the receive engine collects it.
QByteArray body(std::uint8_t type, const QByteArray& payload)
{
    QByteArray b;
    b.append('\x01');
    b.append(static_cast<char>(type));
    b.append(payload);
    const std::uint16_t crc = wire::kermit(b);
    b.append(static_cast<char>(crc & 0xFF));
    b.append(static_cast<char>(crc >> 8));
    return b;
}
} // namespace

class TestQ7Codecs : public QObject
{
    Q_OBJECT
private slots:
    void checkValues()
    {
        const QByteArray check("123456789");
        std::uint16_t modbus = 0;
        std::uint16_t kalder = 0;
        for (int i = 0; i < check.size(); ++i) {
            Q7Port::updateCrc16(i == 0, static_cast<std::uint8_t>(check[i]), modbus);
            Q7Port::updateCcittCrc(kalder, static_cast<std::uint8_t>(check[i]));
        }
        QCOMPARE(modbus, std::uint16_t(0x4B37));
        QCOMPARE(kalder, std::uint16_t(0x2189));
    }

    void lrcOfReadRequest()
    {
        FastClock clock;
        Q7Port port(clock);
        port.frame.function = 3;
        port.frame.data = {0x00, 0x74, 0x00, 0x28};
        port.frame.dataLen = 4;
        QCOMPARE(port.blockCalcLrc(), std::uint8_t(0x60));
        // An exception reply sums the exception code alone, whatever the data area holds.
        port.frame.function = 0x83;
        port.frame.exceptionCode = 2;
        QCOMPARE(port.blockCalcLrc(), std::uint8_t((256 - (1 + 0x83 + 2)) & 0xFF));
    }

    void hexDigits()
    {
        std::array<std::uint8_t, 2> pair{};
        Q7Port::binToHex(0xA5, pair);
        QCOMPARE(pair[1], std::uint8_t('A'));
        QCOMPARE(pair[0], std::uint8_t('5'));
        for (const char* digits : {"a5", "A5"}) {
            const std::array<std::uint8_t, 2> in{std::uint8_t(digits[1]), std::uint8_t(digits[0])};
            QCOMPARE(Q7Port::hexToBin(in), std::uint8_t(0xA5));
        }
        std::array<std::uint8_t, 2> be{};
        Q7Port::breakUnsignedInt16(0x1234, be);
        QCOMPARE(be, (std::array<std::uint8_t, 2>{0x12, 0x34}));
        std::array<std::uint8_t, 4> le{};
        Q7Port::breakFloat32(1.0f, le);
        QCOMPARE(le, (std::array<std::uint8_t, 4>{0x00, 0x00, 0x80, 0x3F}));
    }

    void asciiReceiver_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("good");
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("exception");
        QTest::addRow("read reply") << Bytes(":0103021234B4\r\n") << true << 3 << wire::hex("02 12 34") << 0;
        QTest::addRow("lower-case digits")
            << Bytes(":0103021234b4\r\n") << true << 3 << wire::hex("02 12 34") << 0;
        QTest::addRow("wrong LRC") << Bytes(":0103021234B5\r\n") << false << 3 << wire::hex("02 12 34") << 0;
        QTest::addRow("exception") << Bytes(":0183027A\r\n") << true << 0x83 << wire::hex("02") << 2;
        QTest::addRow("other node fails the LRC") << Bytes(":0203021234B3\r\n") << false << 3 << Bytes() << 0;
        QTest::addRow("no LRC pair") << Bytes(":0103\r\n") << false << 3 << Bytes() << 0;
        QTest::addRow("odd digit count") << Bytes(":0103021\r\n") << false << 3 << Bytes() << 0;
        QTest::addRow("CR not followed by LF") << Bytes(":0103021234B4\r\r") << false << 3 << Bytes() << 0;
        QTest::addRow("nothing but the colon") << Bytes(":") << false << 0 << Bytes() << 0;
        // Line noise that turns a digit into a character converting to the same value: the LRC
        // still matches, so only the character check stops these.
        QTest::addRow("';' for 'B' in the LRC") << Bytes(":0103021234;4\r\n") << false << 3 << Bytes() << 0;
        QTest::addRow("':' for 'A' in the LRC") << Bytes(":0183027:\r\n") << false << 0x83 << Bytes() << 2;
        QTest::addRow("'0I' for '12' in the data")
            << Bytes(":0103020I34B4\r\n") << false << 3 << Bytes() << 0;
        QTest::addRow("blank in the address") << Bytes(": 103021234B4\r\n") << false << 3 << Bytes() << 0;
    }
    void asciiReceiver()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, good);
        QFETCH(int, function);
        QFETCH(QByteArray, payload);
        QFETCH(int, exception);
        FastClock clock;
        Q7Port port(clock);
        QCOMPARE(port.frameReceiverAscii(view(raw)), good);
        QCOMPARE(port.frame.status, good ? Q7Frame::kChecksumGood : Q7Frame::kChecksumBad);
        if (good) {
            QCOMPARE(port.frame.address, std::uint8_t(1));
            QCOMPARE(int(port.frame.function), function);
            QCOMPARE(int(port.frame.exceptionCode), exception);
            QCOMPARE(payloadOf(port.frame), payload);
        }
    }

    void rtuReceiver_data()
    {
        QTest::addColumn<QByteArray>("frame"); // without its CRC
        QTest::addColumn<int>("crcFix");       // added to the CRC: 0 keeps it right
        QTest::addColumn<QByteArray>("trailer");
        QTest::addColumn<bool>("good");
        QTest::addColumn<QByteArray>("payload"); // data area up to dataLen, the CRC low byte last
        QTest::addRow("read reply") << wire::hex("01 03 04 12 34 56 78") << 0 << Bytes() << true
                                    << wire::hex("12 34 56 78");
        QTest::addRow("bad CRC") << wire::hex("01 03 02 12 34") << 1 << Bytes() << false << Bytes();
        QTest::addRow("write single, 4 bytes")
            << wire::hex("01 06 00 10 00 05") << 0 << Bytes() << true << wire::hex("00 10 00 05");
        QTest::addRow("write single, 5 bytes")
            << wire::hex("01 06 00 10 00 05 07") << 0 << Bytes() << false << Bytes();
        QTest::addRow("write single, 3 bytes")
            << wire::hex("01 06 00 10 00") << 0 << Bytes() << false << Bytes();
        QTest::addRow("write multiple echo")
            << wire::hex("01 10 00 74 00 02") << 0 << Bytes() << true << wire::hex("00 74 00 02");
        QTest::addRow("state reply") << wire::hex("01 45 00 01") << 0 << Bytes() << true
                                     << wire::hex("00 01");
        QTest::addRow("exception") << wire::hex("01 83 02") << 0 << Bytes() << true << Bytes();
        QTest::addRow("byte count beyond the frame")
            << wire::hex("01 03 F0 12 34") << 0 << Bytes() << false << Bytes();
        QTest::addRow("bytes after the CRC")
            << wire::hex("01 03 02 12 34") << 0 << wire::hex("00") << false << Bytes();
        QTest::addRow("lone address") << wire::hex("01") << 0 << Bytes() << false << Bytes();
    }
    void rtuReceiver()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, crcFix);
        QFETCH(QByteArray, trailer);
        QFETCH(bool, good);
        QFETCH(QByteArray, payload);
        QByteArray raw = frame;
        if (frame.size() >= 2) {
            const std::uint16_t crc = static_cast<std::uint16_t>(wire::modbusCrc(frame) + crcFix);
            raw.append(static_cast<char>(crc & 0xFF));
            raw.append(static_cast<char>(crc >> 8));
        }
        raw += trailer;
        FastClock clock;
        Q7Port port(clock);
        QCOMPARE(port.frameReceiverRtu(view(raw)), good);
        if (good && !(port.frame.function & 0x80)) {
            // The receiver keeps the first CRC byte after the payload.
            QCOMPARE(payloadOf(port.frame), payload + raw.mid(raw.size() - 2, 1));
        }
        if (good && (port.frame.function & 0x80))
            QCOMPARE(port.frame.exceptionCode, std::uint8_t(2));
    }

    void kalderReceiver_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("good");
        QTest::addColumn<int>("dataLen");
        QTest::addRow("reply") << body(0x81, wire::hex("80 13 AA BB")) << true << 4;
        QTest::addRow("address and type only") << body(0x8B, Bytes()) << true << 0;
        QByteArray corrupt = body(0x81, wire::hex("80 00"));
        corrupt[2] = '\x81';
        QTest::addRow("corrupt payload") << corrupt << false << 2;
        QTest::addRow("three bytes") << wire::hex("01 81 00") << false << 0;
        QTest::addRow("empty") << Bytes() << false << 0;
        QTest::addRow("largest that fits") << body(0x87, Bytes(398, '\x55')) << true << 398;
        QTest::addRow("one byte too long") << body(0x87, Bytes(399, '\x55')) << false << 0;
        QTest::addRow("receive buffer full") << body(0x87, Bytes(508, '\x55')) << false << 0;
    }
    void kalderReceiver()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, good);
        QFETCH(int, dataLen);
        FastClock clock;
        Q7Port port(clock);
        QCOMPARE(port.frameReceiverKalder(view(raw)), good);
        QCOMPARE(int(port.frame.dataLen), dataLen);
        if (good) {
            QCOMPARE(port.frame.kalderType, std::uint8_t(raw[1]));
            QCOMPARE(port.frame.function, std::uint8_t(raw[3]));
        }
    }

    void crcOverNothingIsAFault()
    {
        FastClock clock;
        Q7Port port(clock);
        QStringList faults;
        port.OnPortDebugEvent = [&](Q7Port&, const QString& text) { faults << text; };
        QCOMPARE(port.blockCalcCcittCrc({}, 0x1234), std::uint16_t(0x1234));
        QCOMPARE(faults, QStringList{"file:Q7Port line: 587"});
    }

    void validCommands()
    {
        QList<int> valid;
        for (int f = 0; f < 256; ++f)
            if (Q7Port::isValidCommand(static_cast<std::uint8_t>(f)))
                valid << f;
        QCOMPARE(valid, (QList<int>{3, 6, 16, 65, 67, 68, 69}));
    }
};

QTEST_GUILESS_MAIN(TestQ7Codecs)
#include "TestQ7Codecs.moc"
